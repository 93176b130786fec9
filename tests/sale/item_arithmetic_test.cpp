#include "sale/coupon_items.h"
#include "sale/item_amounts.h"
#include "support/amounts.h"
#include "util/fixed_point_text.h"

#include <gtest/gtest.h>

namespace balcora::test {

using sale::UnitPrice;

namespace {

UnitPrice price(std::int64_t thousandths) {
    return UnitPrice::from_units(thousandths);
}

sale::Product taxed_product() {
    sale::Product p;
    p.ecf_aliquota = cents(1800);
    p.aliq_pis = cents(165);
    p.aliq_cofins = cents(760);
    p.aliq_federal = cents(1345);
    p.aliq_estadual = cents(1800);
    p.aliq_municipal = cents(0);
    return p;
}

}  // namespace

TEST(ItemAmounts, EveryAmountIsTruncatedToCentsNeverRounded) {
    // 0.333 x 2.99 = 0.99567: a rounding printer would say 1.00.
    auto a = sale::item_amounts(thousandths(333), price(2990), {}, taxed_product());
    ASSERT_TRUE(a);
    EXPECT_EQ(a->total, cents(99));
    EXPECT_EQ(a->vl_base, cents(99));
    EXPECT_EQ(a->vl_imposto, cents(17));  // 0.1782

    // 3 x 18.90 = 56.70, less a discount of 1.15: base 55.55.
    a = sale::item_amounts(thousandths(3000), price(18900), cents(115), taxed_product());
    ASSERT_TRUE(a);
    EXPECT_EQ(a->total, cents(5670));
    EXPECT_EQ(a->vl_desconto, cents(115));
    EXPECT_EQ(a->vl_base, cents(5555));
    EXPECT_EQ(a->vl_imposto, cents(999));   // 9.999
    EXPECT_EQ(a->vl_pis, cents(91));        // 0.916575
    EXPECT_EQ(a->vl_cofins, cents(422));    // 4.2218
    EXPECT_EQ(a->vl_trib_fed, cents(747));  // 7.471475
    EXPECT_EQ(a->vl_trib_est, cents(999));
    EXPECT_EQ(a->vl_trib_mun, cents(0));
}

TEST(ItemAmounts, ATotalBeyondThePrintersFieldIsRefused) {
    EXPECT_TRUE(sale::item_amounts(thousandths(9'999'999), price(99'999'999), {}, {}));
    EXPECT_FALSE(sale::item_amounts(thousandths(9'999'999), price(999'999'999), {}, {}));
}

TEST(TotaliserCode, TaxedAndServiceItemsCarryIndexAndRateOthersTheirLetter) {
    EXPECT_EQ(sale::totaliser_code("T", "01", cents(1700)), "01T1700");
    EXPECT_EQ(sale::totaliser_code("T", "1", cents(1700)), "01T1700");
    EXPECT_EQ(sale::totaliser_code("t", " 02 ", cents(700)), "02T0700");
    EXPECT_EQ(sale::totaliser_code("S", "05", cents(500)), "05S0500");
    EXPECT_EQ(sale::totaliser_code("F", "FF", {}), "F1");
    EXPECT_EQ(sale::totaliser_code("I", "II", {}), "I1");
    EXPECT_EQ(sale::totaliser_code("N", "NN", {}), "N1");

    EXPECT_FALSE(sale::totaliser_code("", "01", cents(1700)));
    EXPECT_FALSE(sale::totaliser_code("X", "01", cents(1700)));
    EXPECT_FALSE(sale::totaliser_code("T", "FF", cents(1800)));
    EXPECT_FALSE(sale::totaliser_code("T", "100", cents(1800)));
    EXPECT_FALSE(sale::totaliser_code("T", "01", {}));
    EXPECT_FALSE(sale::totaliser_code("T", "01", cents(10000)));
}

TEST(FormItemAmounts, APriceTypedBelowTheTableBecomesADiscountOnTheTablePrice) {
    auto a = sale::form_item_amounts({price(10000), thousandths(3000), price(9500), {}, {}});
    EXPECT_FALSE(a.discount_fields_enabled);
    EXPECT_EQ(a.sub_total, cents(3000));
    EXPECT_EQ(a.discount, cents(150));
    EXPECT_EQ(a.total, cents(2850));

    // Each side truncated on its own: 0.333 x 2.99 = 0.99 and 0.333 x 2.50 = 0.83.
    a = sale::form_item_amounts({price(2990), thousandths(333), price(2500), {}, {}});
    EXPECT_EQ(a.discount, cents(16));
    EXPECT_EQ(a.total, cents(83));
}

TEST(FormItemAmounts, DiscountByPercentageOrValueAtTheTablePrice) {
    // 9.99 at 7.5 %: 0.74925, truncated.
    auto a = sale::form_item_amounts(
        {price(3330), thousandths(3000), price(3330), cents(750), cents(500)});
    EXPECT_TRUE(a.discount_fields_enabled);
    EXPECT_TRUE(a.discount_value_locked);
    EXPECT_EQ(a.sub_total, cents(999));
    EXPECT_EQ(a.discount, cents(74));
    EXPECT_EQ(a.total, cents(925));

    a = sale::form_item_amounts(
        {price(10000), thousandths(2000), price(10000), cents(0), cents(550)});
    EXPECT_FALSE(a.discount_value_locked);
    EXPECT_EQ(a.discount, cents(550));
    EXPECT_EQ(a.total, cents(1450));
}

TEST(FormItemAmounts, ADiscountThatReachesTheSubTotalOrAnImpossiblePercentageIsInvalid) {
    for (auto value : {cents(2001), cents(2000), cents(-1)}) {
        auto a =
            sale::form_item_amounts({price(10000), thousandths(2000), price(10000), {}, value});
        EXPECT_TRUE(a.discount_invalid) << value;
        EXPECT_EQ(a.discount, cents(0));
        EXPECT_EQ(a.total, cents(2000));
    }
    for (auto pct : {cents(10000), cents(-100)}) {
        auto a = sale::form_item_amounts({price(10000), thousandths(2000), price(10000), pct, {}});
        EXPECT_TRUE(a.discount_invalid) << pct;
    }
    auto ok =
        sale::form_item_amounts({price(10000), thousandths(2000), price(10000), cents(9999), {}});
    EXPECT_FALSE(ok.discount_invalid);
    EXPECT_EQ(ok.discount, cents(1999));  // 19.998
}

TEST(FormItemAmounts, QuantityForATypedTotalIsTruncated) {
    EXPECT_EQ(sale::quantity_for_total(cents(1000), price(2990)), thousandths(3344));  // 3.34448
    EXPECT_FALSE(sale::quantity_for_total(cents(1000), price(0)));
}

TEST(PriceText, ShowsTheThirdPlaceOnlyWhenItCounts) {
    EXPECT_EQ(sale::price_text(price(18900)), "18,90");
    EXPECT_EQ(sale::price_text(price(1235)), "1,235");
    EXPECT_EQ(sale::price_text(price(1234500)), "1.234,50");
}

namespace {

sale::CouponItem item(std::int64_t net_cents, std::int64_t commission_cents,
                      bool cancelled = false) {
    sale::CouponItem it;
    it.total = cents(net_cents);
    it.comissao = cents(commission_cents);
    it.cancelled = cancelled;
    return it;
}

}  // namespace

TEST(CouponTotals, TotalOfLiveItemsAndCommissionWeightedByTheirNetRounded) {
    auto t = sale::coupon_totals({item(1000, 200), item(3000, 500), item(10000, 1000, true)});
    EXPECT_EQ(t.total, cents(4000));
    EXPECT_EQ(t.comissao, cents(425));  // (0.20 + 1.50) / 40.00

    // (0.01 + 0.04) / 3.00 = 1.666...%: rounded, not cut.
    t = sale::coupon_totals({item(100, 100), item(200, 200)});
    EXPECT_EQ(t.comissao, cents(167));

    // Surcharge and discount of an item count in its net.
    sale::CouponItem adjusted = item(1000, 300);
    adjusted.vl_acrescimo = cents(50);
    adjusted.vl_desconto = cents(250);
    t = sale::coupon_totals({adjusted});
    EXPECT_EQ(t.total, cents(800));
    EXPECT_EQ(t.comissao, cents(300));
}

TEST(CouponTotals, NoLiveItemsMeansZeroNotADivisionByZero) {
    EXPECT_EQ(sale::coupon_totals({}), sale::CouponTotals{});
    EXPECT_EQ(sale::coupon_totals({item(500, 200, true)}), sale::CouponTotals{});
}

}  // namespace balcora::test
