#include "sale/com_port.h"

#include "platform/ini_file.h"
#include "ui/environment.h"
#include "util/text.h"

#include <string>

namespace balcora::sale {

std::filesystem::path serial_device_for_com(int n) {
    if (n < 1) return {};
    const std::string number = std::to_string(n);
    std::string mapped = util::trim(
        platform::ini_read(data_root().ini_file("balcora.ini"), "PDV", "Porta COM" + number));
    if (!mapped.empty()) return mapped;
    return "/dev/ttyS" + std::to_string(n - 1);
}

}  // namespace balcora::sale
