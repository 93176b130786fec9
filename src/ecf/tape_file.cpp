#include "ecf/tape_file.h"

#include "ecf/printer_driver.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace balcora::ecf {

namespace {

// int32_t balcora_vecf_tape_path(char* buffer, int32_t size): the length the
// path needs, 0 when the driver has no printer.
using TapePathFn = std::int32_t (*)(char*, std::int32_t);

std::filesystem::path path_from_driver() {
    auto fn = reinterpret_cast<TapePathFn>(driver_symbol("balcora_vecf_tape_path"));
    if (!fn) return {};
    std::vector<char> buffer(512);
    std::int32_t needed = fn(buffer.data(), static_cast<std::int32_t>(buffer.size()));
    if (needed >= static_cast<std::int32_t>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(needed) + 1);
        needed = fn(buffer.data(), static_cast<std::int32_t>(buffer.size()));
    }
    if (needed <= 0 || needed >= static_cast<std::int32_t>(buffer.size())) return {};
    buffer.back() = '\0';
    return std::filesystem::path(std::string(buffer.data()));
}

}  // namespace

std::filesystem::path tape_file() {
    const std::string serial = util::trim(glo::numfab);
    if (serial.empty()) return {};
    std::filesystem::path from_driver = path_from_driver();
    if (!from_driver.empty()) return from_driver;
    return data_root().map("c:\\sistemas\\balcora\\ecf\\" + serial) / "bobina.txt";
}

}  // namespace balcora::ecf
