#pragma once

#include <filesystem>

namespace balcora::sale {

// The device behind COM port `n` (1-based): the setting "Porta COM<n>" of
// section [PDV] in balcora.ini when present (a USB adapter, a
// pseudo-terminal), else /dev/ttyS<n-1>. Empty for a port below 1.
std::filesystem::path serial_device_for_com(int n);

}  // namespace balcora::sale
