#pragma once

#include <filesystem>

namespace balcora::ecf {

// The paper tape the virtual printer prints for the authorised printer
// (glo::numfab): as the loaded driver names it, else
// <root>/sistemas/balcora/ecf/<serial>/bobina.txt. Empty without a serial.
std::filesystem::path tape_file();

}  // namespace balcora::ecf
