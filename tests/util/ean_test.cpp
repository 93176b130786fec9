#include "util/ean.h"

#include <gtest/gtest.h>

namespace balcora::test {
namespace {

TEST(CalcDv, RealCodes) {
    EXPECT_EQ(CALC_DV("789100031550"), 7);   // EAN-13 7891000315507
    EXPECT_EQ(CALC_DV("400638133393"), 1);   // EAN-13 4006381333931
    EXPECT_EQ(CALC_DV("9638507"), 4);        // EAN-8 96385074
    EXPECT_EQ(CALC_DV("03600029145"), 2);    // UPC-A 036000291452
    EXPECT_EQ(CALC_DV("1789100031550"), 4);  // GTIN-14 with packaging indicator 1
}

TEST(CalcDv, ScaleLabelProductPart) {
    // The product part of a label, zero-filled to twelve digits.
    EXPECT_EQ(CALC_DV("000000012345"), 7);
    EXPECT_EQ(CALC_DV("000000000000"), 0);
}

TEST(CalcDv, BadInputIsMinusOne) {
    EXPECT_EQ(CALC_DV(""), -1);
    EXPECT_EQ(CALC_DV("78910003155A"), -1);
    EXPECT_EQ(CALC_DV(" 789100031550"), -1);
    EXPECT_EQ(CALC_DV("123456789012345678"), -1);  // 18 digits: no GS1 key is that long
    EXPECT_NE(CALC_DV("12345678901234567"), -1);
}

TEST(GtinCheckDigit, WholeCodes) {
    EXPECT_TRUE(util::gtin_check_digit_ok("7891000315507"));
    EXPECT_TRUE(util::gtin_check_digit_ok("96385074"));
    EXPECT_TRUE(util::gtin_check_digit_ok("036000291452"));
    EXPECT_TRUE(util::gtin_check_digit_ok("17891000315504"));
    EXPECT_FALSE(util::gtin_check_digit_ok("7891000315508"));
    EXPECT_FALSE(util::gtin_check_digit_ok("7891000315570"));  // swapped digits
    EXPECT_FALSE(util::gtin_check_digit_ok("789100031550"));   // check digit missing
    EXPECT_FALSE(util::gtin_check_digit_ok("789100031550X"));
    EXPECT_FALSE(util::gtin_check_digit_ok("1234567"));
    EXPECT_FALSE(util::gtin_check_digit_ok(""));
}

}  // namespace
}  // namespace balcora::test
