#include "util/ean.h"

namespace balcora {

int CALC_DV(std::string_view digits) {
    if (digits.empty() || digits.size() > 17) return -1;
    int sum = 0, weight = 3;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it < '0' || *it > '9') return -1;
        sum += (*it - '0') * weight;
        weight = 4 - weight;
    }
    return (10 - sum % 10) % 10;
}

}  // namespace balcora

namespace balcora::util {

bool gtin_check_digit_ok(std::string_view code) {
    const auto n = code.size();
    if (n != 8 && n != 12 && n != 13 && n != 14) return false;
    const char last = code.back();
    if (last < '0' || last > '9') return false;
    return CALC_DV(code.substr(0, n - 1)) == last - '0';
}

}  // namespace balcora::util
