#include "sale/payment_arithmetic.h"
#include "sale/coupon_closing.h"
#include "sale/payment_forms.h"
#include "sale/payment_screen.h"
#include "support/amounts.h"
#include "util/fixed_point_text.h"

#include <gtest/gtest.h>

namespace balcora::test {

using sale::Terms;
using util::Money;

namespace {

Money m(const char* text) {
    return *util::parse_fixed<2>(text);
}

std::vector<std::string> texts(const std::vector<Money>& v) {
    std::vector<std::string> out;
    for (Money x : v) out.push_back(util::to_plain(x));
    return out;
}

}  // namespace

TEST(PaymentArithmetic, PercentagesCutTheCentsAndShowTheirShare) {
    EXPECT_EQ(sale::percent_of(m("10.33"), m("5")), m("0.51"));  // 51,65 cents
    EXPECT_EQ(sale::percent_of(m("30.00"), m("10")), m("3.00"));
    EXPECT_EQ(sale::percent_of(m("0.99"), m("0.5")), m("0.00"));
    EXPECT_EQ(sale::percent_of(m("99999999.99"), m("100")), m("99999999.99"));
    EXPECT_EQ(sale::percent_shown(m("3.00"), m("30.00")), m("10.00"));
    EXPECT_EQ(sale::percent_shown(m("1.00"), m("3.00")), m("33.33"));
    EXPECT_EQ(sale::percent_shown(m("1.00"), Money{}), Money{});
}

TEST(PaymentArithmetic, StoreCreditSplitsInWholeReaisTheLastTakingTheRest) {
    using V = std::vector<std::string>;
    EXPECT_EQ(texts(sale::split_instalments(m("100.00"), 3)), (V{"33.00", "34.00", "33.00"}));
    EXPECT_EQ(texts(sale::split_instalments(m("100.00"), 1)), (V{"100.00"}));
    EXPECT_EQ(texts(sale::split_instalments(m("45.90"), 2)), (V{"23.00", "22.90"}));
    EXPECT_EQ(texts(sale::split_instalments(m("1000.01"), 6)),
              (V{"167.00", "167.00", "167.00", "166.00", "167.00", "166.01"}));
    // Under one real per instalment the cents are split: no instalment of zero.
    EXPECT_EQ(texts(sale::split_instalments(m("1.00"), 3)), (V{"0.33", "0.34", "0.33"}));
    EXPECT_EQ(texts(sale::split_instalments(m("0.50"), 2)), (V{"0.25", "0.25"}));
    for (int n = 1; n <= 6; ++n)
        for (const char* a : {"0.06", "7.77", "100.00", "12345.67"}) {
            Money sum;
            for (Money part : sale::split_instalments(m(a), n)) {
                EXPECT_GT(part.units(), 0) << a << " in " << n;
                sum += part;
            }
            EXPECT_EQ(sum, m(a)) << a << " in " << n;
        }
}

TEST(PaymentArithmetic, TermsCountInOrderAndNameTheFieldThatBreaksIt) {
    auto count = [](Terms t) { return sale::count_instalments(t); };
    EXPECT_EQ(count({30, 60, 90, 0, 0, 0}).days, (std::vector<int>{30, 60, 90}));
    EXPECT_EQ(count({0, 0, 0, 0, 0, 0}).days, (std::vector<int>{0}));
    // A blank field in between is skipped; the instalments keep their own terms.
    EXPECT_EQ(count({30, 0, 60, 0, 0, 0}).days, (std::vector<int>{30, 60}));
    EXPECT_EQ(count({30, 0, 60, 0, 0, 0}).bad_term, 0);
    EXPECT_EQ(count({30, 30, 0, 0, 0, 0}).bad_term, 2);
    EXPECT_EQ(count({60, 30, 0, 0, 0, 0}).bad_term, 2);
    EXPECT_EQ(count({30, 0, 20, 0, 0, 0}).bad_term, 3);
    EXPECT_EQ(count({10, 20, 30, 40, 50, 45}).bad_term, 6);
}

TEST(PaymentArithmetic, TextsOfTheCreditPaymentAndTheCheque) {
    const util::DayNumber day = util::day_number(2026, 12, 7);
    EXPECT_EQ(sale::credit_description({30, 60, 90}, day), " PRAZO: 30/60/90 DIAS");
    EXPECT_EQ(sale::credit_description({30}, day), " VENCIMENTO: 06/01/27");
    EXPECT_EQ(sale::short_date(0), "        ");
}

TEST(PaymentArithmetic, ClosingMessageAndFinalNotice) {
    const std::string fed_mun = sale::closing_message(m("1.23"), m("2.00"), m("0.45"), "A1B2C3");
    ASSERT_EQ(fed_mun.size(), 96u);
    EXPECT_EQ(fed_mun.substr(0, 48), "Trib aprox R$: 1,23 Federal e 0,45 Municipal    ");
    EXPECT_EQ(fed_mun.substr(48), "Fonte: IBPT    A1B2C3" + std::string(27, ' '));
    EXPECT_EQ(sale::closing_message({}, {}, m("0.45"), "X"),
              "OBRIGADO PELA PREFERENCIA! VOLTE SEMPRE!!!");
    EXPECT_EQ(sale::closing_message(m("1234.50"), m("987.65"), {}, "").substr(0, 48),
              "Trib aprox R$: 1.234,50 Federal e 987,65 Estadua");
    EXPECT_EQ(sale::sale_finished_text(m("7.70")), "Venda Finalizada! Troco R$         7,70.");
    EXPECT_EQ(sale::sale_finished_text({}), "Venda Finalizada! Obrigado.");
}

TEST(PaymentArithmetic, TypedAmountsRefuseMoreThanTwoPlacesAndNegatives) {
    EXPECT_EQ(sale::typed_money("50,00"), m("50.00"));
    EXPECT_EQ(sale::typed_money("1.234,5"), m("1234.50"));
    EXPECT_EQ(sale::typed_money(""), Money{});
    EXPECT_FALSE(sale::typed_money("1,234"));
    EXPECT_FALSE(sale::typed_money("-5"));
    EXPECT_FALSE(sale::typed_money("abc"));
}

TEST(PaymentForms, ListPrinterNamesAndWhatTheOperatorTypes) {
    EXPECT_EQ(sale::payment_form_list_text(false),
              "Dinheiro|#DI|Cheque|#CH|Cartão|#CA|Vale|#VA|Convênio|#CO|Consulta Cheque|#CC|"
              "Crediário|#CR|PIX|#PI");
    EXPECT_EQ(sale::payment_form_list(true)[2].label, "Cartão TEF");
    EXPECT_EQ(sale::printer_form_key("CC").key, "CHEQUE");
    EXPECT_EQ(sale::printer_form_key("XX").key, "OUTROS");
    EXPECT_TRUE(sale::amount_is_typed("DI", false));
    EXPECT_FALSE(sale::amount_is_typed("CA", false));
    EXPECT_TRUE(sale::amount_is_typed("CA", true));
    EXPECT_FALSE(sale::amount_is_typed("CR", true));
    EXPECT_FALSE(sale::amount_is_typed("CC", true));
    EXPECT_TRUE(sale::goes_to_card_manager("cc", true));
    EXPECT_FALSE(sale::goes_to_card_manager("CA", false));
}

}  // namespace balcora::test
