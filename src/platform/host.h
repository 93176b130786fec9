#pragma once

#include <string>

namespace balcora::platform {

// The computer's name, as the operation log and the printer registration record it.
std::string computer_name();

}  // namespace balcora::platform
