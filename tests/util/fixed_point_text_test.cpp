#include "util/fixed_point_text.h"

#include "support/amounts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>

namespace balcora::test {
namespace {

using util::Fixed;
using util::Money;
using util::Quantity;

TEST(FixedParse, PointOrCommaAsDecimalSeparator) {
    EXPECT_EQ(util::parse_fixed<2>("1234.56"), cents(123456));
    EXPECT_EQ(util::parse_fixed<2>("1234,56"), cents(123456));
    EXPECT_EQ(util::parse_fixed<2>("1.234,56"), cents(123456));
    EXPECT_EQ(util::parse_fixed<2>("1,234.56"), cents(123456));
    EXPECT_EQ(util::parse_fixed<2>("1.234.567,8"), cents(123456780));
    EXPECT_EQ(util::parse_fixed<2>("1.234.567"), cents(123456700));  // repeated mark groups
    EXPECT_EQ(util::parse_fixed<3>("1.234"), thousandths(1234));     // a single mark is decimal
    EXPECT_EQ(util::parse_fixed<2>("  -12,5 "), cents(-1250));
    EXPECT_EQ(util::parse_fixed<2>("+7"), cents(700));
    EXPECT_EQ(util::parse_fixed<2>(",5"), cents(50));
    EXPECT_EQ(util::parse_fixed<2>("5."), cents(500));
    EXPECT_EQ(util::parse_fixed<2>("-0"), cents(0));
    EXPECT_EQ(util::parse_fixed<2>("000000000000000000000000012.50"), cents(1250));
    EXPECT_EQ(util::parse_fixed<0>("42"), Fixed<0>::from_units(42));
}

TEST(FixedParse, BadTextIsNoValue) {
    for (const char* t :
         {"",        "   ",        "-",       "+",         ".",       ",",        "abc",
          "12a",     "1e5",        "--1",     "1 234",     "1..2",    "1,,2",     "1.23.456",
          "1.2.3,4", "12,34.56,7", ",123.45", "1.234,5.6", "R$ 5,00", "1.234,56-"}) {
        EXPECT_EQ(util::parse_fixed<2>(t), std::nullopt) << '"' << t << '"';
    }
}

TEST(FixedParse, StrictRefusesLostDigitsTruncatingCutsThem) {
    EXPECT_EQ(util::parse_fixed<2>("1.235"), std::nullopt);
    EXPECT_EQ(util::parse_fixed<2>("1.230"), cents(123));  // only zeros follow: nothing lost
    EXPECT_EQ(util::parse_fixed_truncated<2>("1.239"), cents(123));
    EXPECT_EQ(util::parse_fixed_truncated<2>("-1,239"), cents(-123));
    EXPECT_EQ(util::parse_fixed_truncated<0>("9,99"), Fixed<0>::from_units(9));
    EXPECT_EQ(util::parse_units("2.345", 2, util::ExcessDecimals::kRoundHalfUp), 235);
    EXPECT_EQ(util::parse_units("-2.345", 2, util::ExcessDecimals::kRoundHalfUp), -235);
    EXPECT_EQ(util::parse_units("2.3449", 2, util::ExcessDecimals::kRoundHalfUp), 234);
}

TEST(FixedParse, ValuesBeyondSixtyFourBitsAreRefused) {
    EXPECT_EQ(util::parse_fixed<2>("92233720368547758.07"), cents(kMax));
    EXPECT_EQ(util::parse_fixed<2>("92233720368547758.08"), std::nullopt);
    EXPECT_EQ(util::parse_fixed<2>("-92233720368547758.08"), cents(kMin));
    EXPECT_EQ(util::parse_fixed<2>("-92233720368547758.09"), std::nullopt);
    EXPECT_EQ(util::parse_fixed<2>("99999999999999999999999999999999999999999"), std::nullopt);
    EXPECT_EQ(util::parse_units("92233720368547758.075", 2, util::ExcessDecimals::kRoundHalfUp),
              std::nullopt);
}

TEST(FixedFormat, PlainAndBrazilianForms) {
    EXPECT_EQ(util::to_plain(cents(123456)), "1234.56");
    EXPECT_EQ(util::to_plain(cents(-5)), "-0.05");
    EXPECT_EQ(util::to_plain(cents(0)), "0.00");
    EXPECT_EQ(util::to_plain(thousandths(1500)), "1.500");
    EXPECT_EQ(util::to_plain(Fixed<0>::from_units(-12)), "-12");
    EXPECT_EQ(util::to_plain(cents(123456), ','), "1234,56");
    EXPECT_EQ(util::to_br(cents(123456789)), "1.234.567,89");
    EXPECT_EQ(util::to_br(cents(-123456)), "-1.234,56");
    EXPECT_EQ(util::to_br(cents(99999)), "999,99");
    EXPECT_EQ(util::to_br(cents(100000)), "1.000,00");
    EXPECT_EQ(util::to_br(cents(0)), "0,00");
    EXPECT_EQ(util::to_br(cents(kMin)), "-92.233.720.368.547.758,08");
    std::ostringstream out;
    out << cents(1250);
    EXPECT_EQ(out.str(), "12.50");
}

TEST(FixedFormat, BothFormsReadBackToTheSameValue) {
    const std::int64_t kValues[] = {0, 1, -1, 99, 100, 123456, -99999999, 100000000000, kMax, kMin};
    for (std::int64_t u : kValues) {
        EXPECT_EQ(util::parse_fixed<2>(util::to_plain(cents(u))), cents(u)) << u;
        EXPECT_EQ(util::parse_fixed<2>(util::to_br(cents(u))), cents(u)) << u;
        EXPECT_EQ(util::parse_fixed<3>(util::to_br(thousandths(u))), thousandths(u)) << u;
    }
}

TEST(FixedPrinterDigits, ZeroFilledAndScaled) {
    EXPECT_EQ(util::printer_digits(cents(1250), 2, 14), "00000000001250");
    EXPECT_EQ(util::printer_digits(cents(1250), 3, 12), "000000012500");
    EXPECT_EQ(util::printer_digits(thousandths(1500), 3, 7), "0001500");
    EXPECT_EQ(util::printer_digits(thousandths(1230), 2, 4), "0123");
    EXPECT_EQ(util::printer_digits(cents(0), 2, 4), "0000");
    EXPECT_EQ(util::printer_digits(cents(999999), 2, 6), "999999");  // exactly the width
}

TEST(FixedPrinterDigits, RefusesWhatTheFieldCannotHold) {
    EXPECT_EQ(util::printer_digits(cents(-1), 2, 10), std::nullopt);
    EXPECT_EQ(util::printer_digits(cents(1000000), 2, 6), std::nullopt);
    EXPECT_EQ(util::printer_digits(thousandths(1234), 2, 10), std::nullopt);  // would drop a digit
    EXPECT_EQ(util::printer_digits(cents(kMax), 3, 30), std::nullopt);
    EXPECT_EQ(util::printer_digits(cents(5), 2, 0), std::nullopt);
}

TEST(NumberReading, IntegersFromDatabaseText) {
    auto r = util::read_integer(" 42 ");
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.value, 42);
    EXPECT_EQ(util::read_integer("-7").value, -7);
    EXPECT_EQ(util::read_integer("12.7").value, 12);
    EXPECT_EQ(util::read_integer("-12.7").value, -12);
    for (const char* t : {"", "  ", "abc", "12a", "1,5", ".5", "5.", "1.2.3", "- 5", "1e3",
                          "99999999999999999999"}) {
        auto bad = util::read_integer(t);
        EXPECT_FALSE(bad.valid) << '"' << t << '"';
        EXPECT_EQ(bad.value, 0) << '"' << t << '"';
    }
}

TEST(NumberReading, DecimalsRoundToTheType) {
    auto r = util::read_number<2>("12.345");
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.value, cents(1235));
    EXPECT_EQ(util::read_number<2>("12.344").value, cents(1234));
    EXPECT_EQ(util::read_number<2>("-0.005").value, cents(-1));
    EXPECT_EQ(util::read_number<3>("7").value, thousandths(7000));
    auto bad = util::read_number<2>("1.234,56");  // screen form, not database text
    EXPECT_FALSE(bad.valid);
    EXPECT_EQ(bad.value, cents(0));
}

}  // namespace
}  // namespace balcora::test
