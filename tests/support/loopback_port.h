#pragma once

namespace balcora::test {

// A loopback port nothing listens on just now (the system's choice of a
// free one, released at once).
int unused_loopback_port();

}  // namespace balcora::test
