#pragma once

#include "support/temp_root.h"

#include <string>

namespace balcora::test {

// A temporary data root whose embedded server, once a command starts it, runs
// on a free loopback port and is stopped when the test ends, however it ends.
class ServerRoot : public TempRoot {
  public:
    ServerRoot();
    ~ServerRoot();
};

// The last non-empty line of a command's output (where it prints its path or
// its verdict, after any notices).
std::string last_line(const std::string& output);

}  // namespace balcora::test
