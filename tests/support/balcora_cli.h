#pragma once

#include "platform/process.h"

#include <filesystem>
#include <string>
#include <vector>

namespace balcora::test {

// The program built beside the test executable (tests/test_x -> app/balcora),
// unless BALCORA_APP names one.
std::string balcora_program();

// Runs "balcora --root ROOT WORDS..." (as another system user when one is
// given; only root can) and waits for it.
platform::ProcessResult balcora_cli(const std::filesystem::path& root,
                                    const std::vector<std::string>& words,
                                    const std::string& as_user = {});

}  // namespace balcora::test
