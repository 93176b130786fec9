#pragma once

#include "support/test_database.h"

#include <string>

namespace balcora::test {

// Database `name` of the test's cluster (a copy the test made of `db`) as the
// process connection with the program's session settings, and as the
// connection text the printer's driver reads, so both sides of a checkout
// work on the copy. False, with the reason on stderr, when it cannot be opened.
bool use_database_copy(const TestDatabase& db, const std::string& name);

}  // namespace balcora::test
