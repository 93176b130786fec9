#pragma once

#include "ecf/driver_abi.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace balcora::ecf {

// One driver library opened with dlopen, closed when the owner goes.
class DriverLibrary {
  public:
    // Null, with the reason in *error (the operator's text), when the file is
    // missing, cannot be loaded or exports no COMUNICA.
    static std::unique_ptr<DriverLibrary> open(const std::filesystem::path& file,
                                               std::string* error);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    balcora_comunica_fn entry() const { return entry_; }
    const std::filesystem::path& file() const { return file_; }
    void* symbol(const char* name) const;

  private:
    DriverLibrary(void* handle, balcora_comunica_fn entry, std::filesystem::path file)
        : handle_(handle), entry_(entry), file_(std::move(file)) {}

    void* handle_;
    balcora_comunica_fn entry_;
    std::filesystem::path file_;
};

// The virtual printer installed beside the program: found from the folder of
// libbalcora itself, else the path the build compiled in.
std::filesystem::path default_driver_path();

// The driver the installation chose: balcora.ini [PDV] "Driver ECF" (an
// absolute path, a Windows path under the data root, or a name relative to the
// program folder), else the default.
std::filesystem::path configured_driver_path();

// One call of the driver's entry, serialised with every other call of the
// process. The configured library is loaded on first use; when it cannot be
// loaded the operator is told why and the call fails (the next one tries
// again, so a driver installed meanwhile is picked up). A call made from
// inside a driver call on the same thread (a timer firing while the driver
// shows a message) fails without reaching the driver, which is busy. An
// exception thrown by a driver is caught here and counts as a failure.
bool call_driver(std::int32_t command, const std::array<const char*, 7>& params);

// Loads a given library as the driver of the process (replacing the one in
// use); false after the failure was shown.
bool load_driver(const std::filesystem::path& file);

// A further symbol of the loaded driver library (null when no library is
// loaded, a test function stands in, or the library lacks it). Used for the
// virtual printer's extras, never for commands.
void* driver_symbol(const char* name);

// Tests put a function of their own behind the boundary; null goes back to
// loading the configured library.
void set_driver_for_tests(balcora_comunica_fn entry);

// Forgets the loaded library (end of program, tests).
void unload_driver();

}  // namespace balcora::ecf
