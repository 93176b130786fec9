#include "sale/coupon_tape.h"
#include "support/amounts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace balcora::test {

namespace {

sale::CouponItem coffee() {
    sale::CouponItem it;
    it.num_item = 1;
    it.code = "7891000315507";
    it.descricao = "CAFE TORRADO E MOIDO 500G";
    it.preco = thousandths(18900);
    it.qtdade = thousandths(3000);
    it.total = cents(5670);
    return it;
}

std::string spaces(int n) {
    return std::string(n, ' ');
}

}  // namespace

TEST(CouponTape, ItemEntryLaysOutNumberCodeDescriptionAndAmounts) {
    const sale::TapeEntry e = sale::item_entry(coffee());
    EXPECT_EQ(e.line1, "0001   7891000315507   CAFE TORRADO E MOIDO 500G" + spaces(13));
    EXPECT_EQ(e.line2, spaces(8) + "       3,000" + " x " + "      18,90" + spaces(14) +
                           "       56,70" + " ");
    EXPECT_EQ(e.line1.size(), sale::kTapeWidth);
    EXPECT_EQ(e.line2.size(), sale::kTapeWidth);
}

TEST(CouponTape, ShortCodesAreZeroFilledAndLongDescriptionsCutAtTheTapesEdge) {
    sale::CouponItem it = coffee();
    it.num_item = 12;
    it.code = "12345670";  // an EAN-8
    it.descricao = "AÇÚCAR CRISTAL ESPECIAL PACOTE COM CINCO QUILOS E MEIO";
    it.qtdade = thousandths(1234567);
    it.preco = thousandths(1235);  // shown with two places
    it.total = cents(152468);
    const sale::TapeEntry e = sale::item_entry(it);
    EXPECT_EQ(e.line1, "0012   0000012345670   AÇÚCAR CRISTAL ESPECIAL PACOTE COM CIN");
    EXPECT_EQ(e.line2, spaces(8) + "   1.234,567" + " x " + "       1,24" + spaces(14) +
                           "    1.524,68" + " ");
}

TEST(CouponTape, CancellationAdjustmentTotalPaymentsAndChange) {
    EXPECT_EQ(sale::item_cancelled_entry(3, cents(5670)),
              (sale::TapeEntry{"****   ITEM Nº 0003 CANCELADO" + spaces(32),
                               spaces(48) + "       -56,70"}));

    const auto discount = sale::adjustment_entry(cents(9000), cents(1000), {});
    EXPECT_EQ(discount.line1, "       Sub-total" + spaces(32) + "       100,00");
    EXPECT_EQ(discount.line2, "       Desconto" + spaces(33) + "       -10,00");
    const auto surcharge = sale::adjustment_entry(cents(10500), {}, cents(500));
    EXPECT_EQ(surcharge.line1, "       Sub-total" + spaces(32) + "       100,00");
    EXPECT_EQ(surcharge.line2, "       Acréscimo" + spaces(32) + "         5,00");

    EXPECT_EQ(sale::total_entry(cents(123456)).line1,
              "       Total" + spaces(36) + "     1.234,56");
    EXPECT_EQ(sale::payment_entry("CA", cents(5000)).line1,
              "       Cartão TEF" + spaces(6) + spaces(25) + "        50,00");
    EXPECT_EQ(sale::payment_entry("di", cents(5000)).line1.substr(0, 15), "       Dinheiro");
    EXPECT_EQ(sale::change_entry(cents(330)).line1, "       Troco" + spaces(36) + "         3,30");
    EXPECT_EQ(sale::coupon_cancelled_entry().line1, "****   CUPOM FISCAL CANCELADO" + spaces(32));
    EXPECT_EQ(sale::payment_method_name("CR"), "Crediário");
    EXPECT_EQ(sale::payment_method_name("CO"), "Convênio");
}

TEST(CouponTape, BuiltFromTheCouponInOrder) {
    sale::TapeSource s;
    s.items.push_back(coffee());
    sale::CouponItem second = coffee();
    second.num_item = 2;
    second.cancelled = true;
    s.items.push_back(second);
    sale::CouponItem third = coffee();
    third.num_item = 3;
    s.items.push_back(third);

    auto tape = sale::CouponTape::build(s);
    ASSERT_EQ(tape.entries().size(), 4u);
    EXPECT_EQ(tape.entries()[1].line1.substr(0, 7), "0002   ");
    EXPECT_EQ(tape.entries()[2], sale::item_cancelled_entry(2, cents(5670)));
    EXPECT_EQ(tape.entries()[3].line1.substr(0, 4), "0003");

    s.total = cents(10340);
    s.vl_desconto = cents(1000);
    s.payment_started = true;
    s.payments = {{"DI", cents(5000)}, {"CA", cents(5340)}};
    tape = sale::CouponTape::build(s);
    ASSERT_EQ(tape.entries().size(), 8u);
    EXPECT_EQ(tape.entries()[4], sale::adjustment_entry(cents(10340), cents(1000), {}));
    EXPECT_EQ(tape.entries()[5], sale::total_entry(cents(10340)));
    EXPECT_EQ(tape.entries()[7], sale::payment_entry("CA", cents(5340)));
    const std::string text = tape.text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 16);
}

}  // namespace balcora::test
