#pragma once

#include <string_view>

namespace balcora {

// The GS1 check digit (0..9) of the digits of a code without it: 12 digits for
// an EAN-13, 7 for an EAN-8, 11 for a UPC-A, 13 for a GTIN-14; weights 3 and 1
// alternate from the rightmost digit. -1 when the text is empty, longer than
// 17 digits or holds anything but digits.
int CALC_DV(std::string_view digits);

}  // namespace balcora

namespace balcora::util {

// True when a full GTIN-8, -12, -13 or -14 ends in its right check digit.
bool gtin_check_digit_ok(std::string_view code);

}  // namespace balcora::util
