#pragma once

#include <string>

namespace balcora::fiscal {

// The binary downloads of the fiscal memory ("Arq. MF") and of the tape
// memory ("Arq. MFD"), each after its printer checks: the printer writes
// temp.mf / temp.mfd in the PAF-ECF folder, which is renamed to the
// regulation's stamped name and signed in a companion file. Every step that
// fails is shown and ends the download without the success message. The
// signed file's path, or "" when nothing was done.
std::string download_fiscal_memory();
std::string download_tape_memory();

}  // namespace balcora::fiscal
