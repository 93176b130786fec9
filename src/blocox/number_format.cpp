#include "blocox/z_reduction_xml.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"

#include <string>

namespace balcora::blocox {

std::string format_number(std::int64_t units, int places, int decimals) {
    if (decimals < 0 || decimals > 6) {
        prompt().message("Aviso", "Decimais (" + std::to_string(decimals) + ") inválido!",
                         ui::Icon::kWarning);
        return util::format_units(units, places, '.', 0);
    }
    if (decimals >= places) {
        std::int64_t scaled = units;
        for (int k = places; k < decimals; ++k) scaled *= 10;
        return util::format_units(scaled, decimals, ',', 0);
    }
    // Fewer places than the value has: halves go away from zero.
    std::int64_t div = 1;
    for (int k = decimals; k < places; ++k) div *= 10;
    std::int64_t whole = units / div, rest = units % div;
    if (rest < 0) rest = -rest;
    if (2 * rest >= div) whole += units < 0 ? -1 : 1;
    return util::format_units(whole, decimals, ',', 0);
}

}  // namespace balcora::blocox
