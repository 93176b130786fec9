#include "util/fixed_point.h"

#include "support/amounts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace balcora::test {
namespace {

using util::Exact;
using util::Fixed;
using util::Money;
using util::Quantity;

TEST(FixedItemTotal, IsTruncatedToCentsNeverRounded) {
    EXPECT_EQ(util::item_total(Quantity::from_whole(3), thousandths(3333)), cents(999));
    EXPECT_EQ(util::item_total(thousandths(333), cents(299)), cents(99));  // 0.99567
    EXPECT_EQ(util::item_total(thousandths(1500), cents(1000)), cents(1500));
    EXPECT_EQ(util::item_total(thousandths(0), cents(1000)), cents(0));
    EXPECT_EQ(util::item_total(thousandths(-1500), thousandths(3333)), cents(-499));  // toward zero
}

TEST(FixedPercent, TruncatedAndRoundedVariants) {
    // 5 % of 10.33 is 0.5165.
    const Exact surcharge = util::percent_of(cents(1033), Money::from_whole(5));
    EXPECT_EQ(util::truncate_to<2>(surcharge), cents(51));
    EXPECT_EQ(util::round_half_up_to<2>(surcharge), cents(52));
    // 17 % of 9.99 is 1.6983.
    const Exact tax = util::percent_of(cents(999), Money::from_whole(17));
    EXPECT_EQ(util::truncate_to<2>(tax), cents(169));
    EXPECT_EQ(util::round_half_up_to<2>(tax), cents(170));
    // 12.5 % of 0.04 is exactly half a cent.
    EXPECT_EQ(util::round_half_up_to<2>(util::percent_of(cents(4), thousandths(12500))), cents(1));
    EXPECT_EQ(util::truncate_to<2>(util::percent_of(cents(4), thousandths(12500))), cents(0));
}

TEST(FixedCut, HalvesGoAwayFromZeroAndTruncationTowardZero) {
    EXPECT_EQ(util::round_half_up_to<2>(thousandths(5)), cents(1));
    EXPECT_EQ(util::round_half_up_to<2>(thousandths(4)), cents(0));
    EXPECT_EQ(util::round_half_up_to<2>(thousandths(-1235)), cents(-124));
    EXPECT_EQ(util::round_half_up_to<2>(thousandths(-1234)), cents(-123));
    EXPECT_EQ(util::truncate_to<2>(thousandths(1239)), cents(123));
    EXPECT_EQ(util::truncate_to<2>(thousandths(-1239)), cents(-123));
    EXPECT_EQ((util::truncate_to<0>(cents(-99))), Fixed<0>::from_units(0));
    // The extremes narrow without overflow.
    EXPECT_EQ(util::round_half_up_to<2>(thousandths(kMax)), cents(kMax / 10 + 1));
    EXPECT_EQ(util::round_half_up_to<2>(thousandths(kMin)), cents(kMin / 10 - 1));
}

TEST(FixedQuotient, SharesAndInstalments) {
    // 67 left over two instalments, in whole units: ROUND(33.5) = 34.
    EXPECT_EQ(util::round_half_up_to<0>(
                  util::exact_quotient(Money::from_whole(67), Fixed<0>::from_whole(2))),
              Fixed<0>::from_whole(34));
    // A 1.00 adjustment spread over a 3.00 subtotal for an item of 1.00.
    const Exact share = util::exact_quotient(Money::from_whole(1), Money::from_whole(3)) *
                        Exact(Money::from_whole(1));
    EXPECT_EQ(util::round_half_up_to<2>(share), cents(33));
    EXPECT_EQ(util::round_half_up_to<2>(util::exact_quotient(cents(200), cents(-300))), cents(-67));
    // Price label: quantity = price / unit price truncated to 3 places.
    EXPECT_EQ(util::truncate_to<3>(util::exact_quotient(cents(1000), cents(2999))),
              thousandths(333));
}

TEST(FixedQuotient, DivisionByZeroIsNoValue) {
    EXPECT_FALSE(util::exact_quotient(cents(100), cents(0)).valid());
    EXPECT_EQ(util::truncate_to<2>(util::exact_quotient(cents(100), cents(0))), std::nullopt);
    EXPECT_EQ(util::round_half_up_to<2>(util::exact_quotient(cents(0), cents(0))), std::nullopt);
}

TEST(FixedOverflow, IsReportedNotWrapped) {
    EXPECT_EQ(util::checked_add(cents(kMax), cents(1)), std::nullopt);
    EXPECT_EQ(util::checked_sub(cents(kMin), cents(1)), std::nullopt);
    EXPECT_EQ(util::checked_add(cents(kMax - 1), cents(1)), cents(kMax));
    EXPECT_EQ(util::checked_times(cents(kMax / 2 + 1), 2), std::nullopt);
    EXPECT_EQ(util::checked_times(cents(150), 3), cents(450));
    EXPECT_EQ(util::checked_from_whole<2>(kMax / 100 + 1), std::nullopt);
    EXPECT_EQ(util::checked_from_whole<2>(kMax / 100), cents(kMax / 100 * 100));
    // The intermediate product exceeds 64 bits but the total still fits.
    EXPECT_EQ(util::item_total(Quantity::from_whole(1), cents(kMax)), cents(kMax));
    // A total beyond 64 bits is no value.
    EXPECT_EQ(util::item_total(Quantity::from_whole(1000000), cents(kMax / 1000)), std::nullopt);
    EXPECT_EQ(util::item_total(thousandths(kMax), thousandths(kMax)), std::nullopt);
}

TEST(FixedOverflow, LongChainsOfExactValuesStayExactOrBecomeInvalid) {
    Exact e = Exact(cents(kMax));
    for (int i = 0; i < 5; ++i) e = e * Exact(cents(kMax));
    EXPECT_FALSE(e.valid());
    EXPECT_EQ(util::truncate_to<2>(e), std::nullopt);
    // Common factors cancel, so x * y / y gives x back however large they are.
    const Exact back = Exact(cents(kMax)) * Exact(cents(kMax - 1)) / Exact(cents(kMax - 1));
    EXPECT_EQ(util::truncate_to<2>(back), cents(kMax));
}

TEST(FixedRescale, WidensExactlyAndRefusesToLoseDigits) {
    EXPECT_EQ(util::rescale<3>(cents(1234)), thousandths(12340));
    EXPECT_EQ(util::rescale<2>(thousandths(12340)), cents(1234));
    EXPECT_EQ(util::rescale<2>(thousandths(12345)), std::nullopt);
    EXPECT_EQ(util::rescale<3>(cents(kMax)), std::nullopt);
    EXPECT_EQ(util::rescale<2>(cents(-5)), cents(-5));
}

}  // namespace
}  // namespace balcora::test
