#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace balcora::blocox {

// A number as the Bloco X files write it: no thousands separator, a decimal
// comma and exactly `decimals` places (0..6), rounded half up when the value
// has more; a minus sign when negative (12.5 with 2 gives "12,50"). Any other
// count shows "Decimais (n) inválido!" and gives the value as it is.
std::string format_number(std::int64_t units, int places, int decimals);

template <int P>
std::string format_number(util::Fixed<P> value, int decimals) {
    return format_number(value.units(), P, decimals);
}

// <pafecf>/reducaoz<ddmmyyyy>.xml of the movement day.
std::filesystem::path z_reduction_xml_path(util::DayNumber day);

struct ZReductionXml {
    bool ok = false;  // the file was written whole and closed
    std::filesystem::path path;
    // Products sold that day with no NCM code (or no product row): the file
    // is written, but it must not be transmitted while this is not empty.
    std::vector<std::int32_t> products_without_ncm;
};

// Writes the Bloco X file of one Z reduction (the reg60m row `id_reg60m`),
// with the serial, model and company of the printer that made it and the
// sales of that printer's coupons. Failures were shown; the path is set
// whenever the file name was known. A file that failed half-way is removed.
ZReductionXml generate_z_reduction_xml(std::int32_t id_reg60m);

}  // namespace balcora::blocox
