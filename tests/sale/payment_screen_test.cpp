#include "sale/payment_screen.h"

#include "db/record_hash.h"
#include "db/settings.h"
#include "ecf/printer.h"
#include "sale/sale_fixture.h"
#include "sale/sale_session.h"
#include "support/amounts.h"
#include "util/ean.h"

namespace balcora::test {

using sale::PaymentField;
using sale::PaymentScreen;

namespace {

std::string with_dv(const std::string& digits) {
    return digits + std::to_string(CALC_DV(digits));
}

const std::string kTen1 = with_dv("200000000011");
const std::string kTen2 = with_dv("200000000012");
const std::string kTen3 = with_dv("200000000013");
const std::string kOdd = with_dv("200000000014");  // 10,33

}  // namespace

class Payment : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        add_product(9001, "9001", kTen1, "10.00");
        add_product(9002, "9002", kTen2, "10.00");
        add_product(9003, "9003", kTen3, "10.00");
        add_product(9004, "9004", kOdd, "10.33");
        ASSERT_TRUE(session_.load_point_of_sale());
    }

    void sell(const std::string& code) {
        ASSERT_EQ(session_.enter_code(code), sale::Registration::kRegistered)
            << testing::PrintToString(messages());
    }
    void sell_thirty() {
        sell(kTen1);
        sell(kTen2);
        sell(kTen3);
    }
    // A payment screen that opened, with its final notice recorded.
    std::unique_ptr<PaymentScreen> screen(const std::string& mode = {}) {
        auto s = std::make_unique<PaymentScreen>(checkout_, mode);
        s->set_finished_notice([this](const std::string& t) { finished_.push_back(t); });
        EXPECT_TRUE(s->open()) << testing::PrintToString(messages());
        prompt_.clear();
        return s;
    }
    std::string coupon(const std::string& columns) {
        return value("SELECT " + columns + " FROM balcora.cfiscal WHERE id_cfiscal=" +
                     std::to_string(session_.coupon_id()));
    }
    std::string items(const std::string& column) {
        return value("SELECT string_agg(" + column +
                     "::text, ' ' ORDER BY num_item) FROM balcora.cfiscald WHERE id_cfiscal=" +
                     std::to_string(session_.coupon_id()));
    }
    std::string payments(const std::string& columns) {
        return value("SELECT string_agg(" + columns +
                     ", ' ' ORDER BY ordem) FROM balcora.cfiscalfp WHERE id_cfiscal=" +
                     std::to_string(session_.coupon_id()));
    }
    void expect_hashes_intact() {
        for (const char* table : {"cfiscal", "cfiscald", "cfiscalfp"})
            for (auto [id, ok] : db::verify_hashes(table)) EXPECT_TRUE(ok) << table << " " << id;
    }

    sale::SaleSession session_{checkout_, sale::SaleScreen::kQuickSale};
    std::vector<std::string> finished_;
};

TEST_F(Payment, WithoutAnOpenCouponTheScreenDoesNotOpen) {
    PaymentScreen s{checkout_};
    EXPECT_FALSE(s.open());
    EXPECT_EQ(messages(), std::vector<std::string>{"Cupom fiscal não está aberto!"});
}

TEST_F(Payment, CashWithChangeClosesTheCouponAfterAZeroSurchargeSubtotal) {
    sell_thirty();
    auto s = screen();
    EXPECT_EQ(s->state().subtotal, cents(3000));
    EXPECT_EQ(s->first_focus(), PaymentField::kForm);
    ASSERT_TRUE(s->set_form("DI"));
    EXPECT_EQ(s->state().amount, cents(3000));  // the exact amount is offered
    ASSERT_TRUE(s->set_amount_text("50,00"));
    EXPECT_EQ(s->state().change_label(), "TROCO:");
    EXPECT_EQ(s->state().change_shown(), cents(2000));

    const auto o = s->confirm_payment();
    EXPECT_TRUE(o.close);
    EXPECT_TRUE(s->completed());
    EXPECT_EQ(s->result(), 1);
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(checkout_.trocotela, cents(2000));
    EXPECT_EQ(finished_, std::vector<std::string>{"Venda Finalizada! Troco R$        20,00."});
    EXPECT_EQ(payments("tipo||' '||valor||' '||vl_troco||' '||num_coo||' '||data"),
              "DI 50.00 20.00 " + coupon("numero") + " 2026-12-07");
    EXPECT_EQ(coupon("total||' '||vl_recebido||' '||vl_desconto||' '||vl_acrescimo"),
              "30.00 50.00 0.00 0.00");
    EXPECT_EQ(coupon("dt_emissao_final"), "2026-12-07");
    expect_hashes_intact();
    // No adjustment: the tax bases stay those of the items.
    EXPECT_EQ(items("vl_base"), "10.00 10.00 10.00");
    const std::string paper = this->paper();
    EXPECT_NE(paper.find("SUBTOTAL R$"), std::string::npos);
    EXPECT_EQ(paper.find("DESCONTO R$"), std::string::npos);
    EXPECT_NE(paper.find("TROCO R$"), std::string::npos);
    EXPECT_NE(paper.find("Trib aprox R$: 4,02 Federal e 5,40 Estadual"), std::string::npos);
}

TEST_F(Payment, ADiscountIsSharedAmongTheItemsTheLastTakingTheRounding) {
    sell_thirty();
    auto s = screen();
    ASSERT_TRUE(s->set_discount_value_text("10,00"));
    EXPECT_EQ(s->state().total(), cents(2000));
    EXPECT_EQ(s->state().discount_percent, cents(3333));
    const auto o = s->confirm_adjustment();
    EXPECT_FALSE(o.close);
    EXPECT_EQ(o.focus, PaymentField::kForm);
    EXPECT_EQ(checkout_.fp_iniciada, 1);
    EXPECT_FALSE(s->state().adjustment_tab);

    EXPECT_EQ(items("vl_base"), "6.67 6.67 6.66");
    EXPECT_EQ(items("vl_imposto"), "1.20 1.20 1.19");  // 6,67 x 18 = 120,06 cents, cut
    EXPECT_EQ(items("vl_trib_fed"), "0.90 0.90 0.90");
    EXPECT_EQ(items("vl_pis"), "0.11 0.11 0.11");
    EXPECT_EQ(coupon("total||' '||vl_desconto||' '||vl_trib_fed||' '||vl_trib_est"),
              "20.00 10.00 2.70 3.60");
    expect_hashes_intact();
    EXPECT_NE(paper().find("DESCONTO R$"), std::string::npos);

    // Payment phase: no second adjustment.
    EXPECT_FALSE(s->set_surcharge_value_text("1,00"));
    ASSERT_TRUE(s->set_form("PI"));
    EXPECT_TRUE(s->confirm_payment().close);
    EXPECT_EQ(payments("tipo||' '||valor"), "PI 20.00");
    EXPECT_EQ(finished_, std::vector<std::string>{"Venda Finalizada! Obrigado."});
}

TEST_F(Payment, SurchargeByPercentageIsCutToTheCentAndClearsTheDiscount) {
    sell(kOdd);
    auto s = screen();
    ASSERT_TRUE(s->set_discount_value_text("1,00"));
    ASSERT_TRUE(s->set_surcharge_percent_text("5"));
    EXPECT_EQ(s->state().surcharge, cents(51));
    EXPECT_EQ(s->state().discount, util::Money{});
    EXPECT_EQ(s->state().total(), cents(1084));
    ASSERT_TRUE(s->set_form("VA"));
    EXPECT_TRUE(s->confirm_payment().close);  // the adjustment goes with the first payment
    EXPECT_EQ(coupon("total||' '||vl_acrescimo"), "10.84 0.51");
    EXPECT_EQ(items("vl_base"), "10.84");
    EXPECT_NE(paper().find("ACRÉSCIMO R$"), std::string::npos);
    expect_hashes_intact();
}

TEST_F(Payment, BadInputMovesTheFocusAndWritesNothing) {
    sell_thirty();
    auto s = screen();
    EXPECT_EQ(s->confirm_payment().focus, PaymentField::kForm);
    ASSERT_TRUE(s->set_form("DI"));
    ASSERT_TRUE(s->set_amount_text("0"));
    EXPECT_EQ(s->confirm_payment().focus, PaymentField::kAmount);
    EXPECT_FALSE(s->set_amount_text("1,234"));
    EXPECT_FALSE(s->set_amount_text("-5"));
    EXPECT_EQ(s->state().amount, util::Money{});

    ASSERT_TRUE(s->set_form("CH"));
    EXPECT_EQ(s->confirm_payment().focus, PaymentField::kChequeNumber);
    ASSERT_TRUE(s->set_cheque_number_text("123"));
    ASSERT_TRUE(s->set_cheque_date(util::day_number(2026, 12, 6)));
    EXPECT_EQ(s->confirm_payment().focus, PaymentField::kChequeDate);

    // A discount above the subtotal goes back to the adjustment tab.
    ASSERT_TRUE(s->set_discount_value_text("30,01"));
    EXPECT_EQ(s->confirm_adjustment().focus, PaymentField::kSubtotal);
    // The whole subtotal off would leave a coupon that can never close: it
    // is refused with its reason before the printer is asked.
    ASSERT_TRUE(s->set_discount_percent_text("100"));
    EXPECT_EQ(s->confirm_adjustment().focus, PaymentField::kSubtotal);
    EXPECT_EQ(prompt_.count_containing("um cupom fiscal não pode ter valor zero"), 1);
    ASSERT_TRUE(s->set_discount_value_text("0"));

    ASSERT_TRUE(s->set_form("CR"));
    EXPECT_EQ(s->confirm_payment().focus, PaymentField::kClient);
    EXPECT_EQ(messages().back(), "Obrigatório informar cliente para venda a crédito!");
    ASSERT_TRUE(s->set_client_code("2", {}));
    ASSERT_TRUE(s->set_term_text(1, "30"));
    ASSERT_TRUE(s->set_term_text(2, "30"));
    const auto o = s->confirm_payment();
    EXPECT_EQ(o.focus, PaymentField::kTerm);
    EXPECT_EQ(o.term, 2);

    EXPECT_EQ(checkout_.fp_iniciada, 0);
    EXPECT_EQ(count("balcora.cfiscalfp"), 0);
    EXPECT_EQ(coupon("vl_desconto||' '||total"), "0.00 30.00");
    EXPECT_EQ(paper().find("SUBTOTAL R$"), std::string::npos);
}

TEST_F(Payment, AnUnknownClientCodeAsksTheChooserAndGivingUpKeepsTheField) {
    sell_thirty();
    auto s = screen();
    std::string asked;
    EXPECT_FALSE(s->set_client_code("77777", [&](std::string_view typed) {
        asked = typed;
        return std::nullopt;
    }));
    EXPECT_EQ(asked, "77777");
    EXPECT_EQ(s->state().client_id, 0);
    ASSERT_TRUE(s->set_client_code("77777", [](std::string_view) { return 1; }));
    EXPECT_EQ(s->state().client_id, 1);
    EXPECT_FALSE(s->state().client.empty());
    EXPECT_EQ(coupon("id_cliente"), "1");
    expect_hashes_intact();
}

TEST_F(Payment, RefusalsOfThePrinterLeaveTheDatabaseAsThePrinterIs) {
    sell_thirty();
    auto s = screen();
    ASSERT_TRUE(s->set_discount_value_text("3,00"));
    ASSERT_TRUE(s->set_form("DI"));
    ASSERT_TRUE(s->set_amount_text("10,00"));

    refuse_next(ecf::CMD_READ_DATETIME);
    EXPECT_FALSE(s->confirm_payment().close);
    refuse_next(ecf::CMD_START_CLOSING);
    EXPECT_FALSE(s->confirm_payment().close);
    EXPECT_EQ(checkout_.fp_iniciada, 0);
    EXPECT_EQ(items("vl_base"), "10.00 10.00 10.00");
    EXPECT_EQ(coupon("vl_desconto||' '||total"), "0.00 30.00");

    refuse_next(ecf::CMD_PAYMENT);
    EXPECT_FALSE(s->confirm_payment().close);
    EXPECT_EQ(checkout_.fp_iniciada, 1);  // the subtotal went through, the payment did not
    EXPECT_EQ(count("balcora.cfiscalfp"), 0);
    EXPECT_EQ(coupon("vl_recebido||' '||total"), "0.00 27.00");
    EXPECT_EQ(s->result(), 0);

    ASSERT_TRUE(s->set_form("DI"));
    ASSERT_TRUE(s->set_amount_text("10,00"));
    EXPECT_FALSE(s->confirm_payment().close);
    EXPECT_EQ(s->state().balance, cents(1700));
    EXPECT_EQ(s->state().change_label(), "SALDO:");

    ASSERT_TRUE(s->set_form("CA"));  // the card manager is off: the balance, fixed
    EXPECT_FALSE(s->state().amount_editable);
    EXPECT_EQ(s->state().amount, cents(1700));
    refuse_next(ecf::CMD_CLOSE_COUPON);
    EXPECT_FALSE(s->confirm_payment().close);
    EXPECT_EQ(glo::cf_aberto, 1);
    EXPECT_EQ(payments("tipo||valor"), "DI10.00 CA17.00");
    // Confirming again only closes.
    EXPECT_TRUE(s->confirm_payment().close);
    EXPECT_EQ(payments("tipo||valor"), "DI10.00 CA17.00");
    EXPECT_EQ(coupon("vl_recebido"), "27.00");
    expect_hashes_intact();
}

TEST_F(Payment, LeavingKeepsThePaymentsAndTheNextCallResumesWithTheBalance) {
    sell_thirty();
    {
        auto s = screen("DI");
        EXPECT_EQ(s->first_focus(), PaymentField::kAmount);
        ASSERT_TRUE(s->set_amount_text("12,50"));
        const auto o = s->confirm_payment();
        EXPECT_TRUE(o.close);  // a mode closes after the first payment that leaves a balance
        EXPECT_EQ(s->result(), 1);
        EXPECT_FALSE(s->completed());
    }
    auto s = screen();
    EXPECT_EQ(s->state().received, cents(1250));
    EXPECT_EQ(s->state().balance, cents(1750));
    EXPECT_FALSE(s->state().adjustment_tab);
    ASSERT_TRUE(s->set_form("CO"));
    EXPECT_TRUE(s->confirm_payment().close);
    EXPECT_TRUE(s->completed());
    EXPECT_EQ(payments("tipo||valor"), "DI12.50 CO17.50");
}

TEST_F(Payment, TheDiscountModeClosesOnceTheAdjustmentIsApplied) {
    sell_thirty();
    auto s = screen("Desc");
    EXPECT_EQ(s->first_tab(), sale::PaymentTab::kAdjustment);
    EXPECT_FALSE(s->state().surcharge_fields);
    EXPECT_FALSE(s->set_surcharge_value_text("1,00"));
    ASSERT_TRUE(s->set_discount_percent_text("10"));
    const auto o = s->confirm_adjustment();
    EXPECT_TRUE(o.close);
    EXPECT_EQ(s->result(), 1);
    EXPECT_EQ(coupon("vl_desconto||' '||total"), "3.00 27.00");
}

TEST_F(Payment, StoreCreditInInstalmentsIdentifiesTheClientAndPrintsThePromissoryNote) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Docto Venda Prazo", "1"));
    sell(kTen1);
    auto s = screen();
    ASSERT_TRUE(s->set_client_code("1", {}));
    ASSERT_TRUE(s->set_form("CR"));
    EXPECT_FALSE(s->state().amount_editable);
    EXPECT_EQ(s->state().amount, cents(1000));
    ASSERT_TRUE(s->set_term_text(1, "30"));
    EXPECT_EQ(s->state().due_date, util::day_number(2027, 1, 6));
    ASSERT_TRUE(s->set_due_date(util::day_number(2026, 12, 1)));  // before the coupon: moved up
    EXPECT_EQ(s->state().terms[0], 0);
    ASSERT_TRUE(s->set_term_text(1, "30"));
    ASSERT_TRUE(s->set_term_text(2, "60"));
    EXPECT_TRUE(s->confirm_payment().close);
    EXPECT_EQ(payments("valor||'@'||data"), "5.00@2027-01-06 5.00@2027-02-05");
    EXPECT_EQ(coupon("vl_recebido"), "10.00");
    expect_hashes_intact();
    const std::string paper = this->paper();
    EXPECT_NE(paper.find("PRAZO: 30/60 DIAS"), std::string::npos);
    EXPECT_NE(paper.find("N O T A   P R O M I S S O R I A"), std::string::npos);
    EXPECT_EQ(value("SELECT count(*) FROM balcora.docecf WHERE tipo='CC'"), "1");
}

}  // namespace balcora::test
