// A whole sale at the Quick Sale: items, a discount, part in cash and the
// rest on store credit, down to the printer's day totals.
#include "db/record_hash.h"
#include "ecf/printer.h"
#include "sale/payment_screen.h"
#include "sale/quick_sale_screen.h"
#include "sale/sale_screen_fixture.h"
#include "support/amounts.h"

namespace balcora::test {

using Screen = sale::QuickSaleScreen;

class CompleteSale : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        add_product(9101, "9101", barcode("300000000011"), "10.00");
        add_product(9102, "9102", barcode("300000000012"), "20.00");
        add_product(9103, "9103", barcode("300000000013"), "15.50");
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Docto Venda Prazo", "1"));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Chave IBPT", "9F3A1B"));
        ASSERT_TRUE(screen_.open());
        prompt_.clear();
    }
    void sell(const std::string& twelve) {
        screen_.code_field = barcode(twelve.c_str());
        ASSERT_EQ(screen_.enter(), Screen::EnterResult::kRegistered)
            << testing::PrintToString(messages());
    }
    std::string of_coupon(const std::string& select) {
        return value(select + " WHERE id_cfiscal=" + std::to_string(id_));
    }

    // What the operator does in the payment window, one call after another.
    std::vector<std::function<void(sale::PaymentScreen&)>> steps_;
    std::vector<std::string> finished_;
    Screen screen_{checkout_};
    std::int64_t id_ = 0;
};

TEST_F(CompleteSale, ThreeItemsTenPercentOffCashAndStoreCreditToAClient) {
    std::size_t call = 0;
    screens_.provide("FINALIZACUPOM", [&](const ui::ScreenPort::Arguments& args) {
        sale::PaymentScreen s{checkout_, args.at(0)};
        s.set_finished_notice([&](const std::string& t) { finished_.push_back(t); });
        if (!s.open()) return 0;
        if (call < steps_.size()) steps_[call++](s);
        return s.result();
    });

    sell("300000000011");
    sell("300000000012");
    sell("300000000013");
    id_ = screen_.session().coupon_id();
    EXPECT_EQ(screen_.coupon_total(), cents(4550));

    // Alt+7: 10 % off; the screen closes once the discount is on the printer.
    steps_.push_back([](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_discount_percent_text("10"));
        EXPECT_TRUE(s.confirm_adjustment().close);
    });
    ASSERT_TRUE(screen_.key("Alt+7"));
    EXPECT_EQ(screen_.coupon_total(), cents(4095));
    // Alt+1: 20,00 in cash, leaving a balance.
    steps_.push_back([](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_amount_text("20,00"));
        EXPECT_TRUE(s.confirm_payment().close);
    });
    ASSERT_TRUE(screen_.key("Alt+1"));
    EXPECT_NE(screen_.tape().text().find("Dinheiro"), std::string::npos);
    EXPECT_TRUE(screen_.coupon_open());
    // F10: the rest on store credit, in two instalments, to the company client.
    steps_.push_back([](sale::PaymentScreen& s) {
        EXPECT_EQ(s.state().balance, cents(2095));
        ASSERT_TRUE(s.set_client_code("1", {}));
        ASSERT_TRUE(s.set_form("CR"));
        ASSERT_TRUE(s.set_term_text(1, "30"));
        ASSERT_TRUE(s.set_term_text(2, "60"));
        EXPECT_TRUE(s.confirm_payment().close);
        EXPECT_TRUE(s.completed());
    });
    ASSERT_TRUE(screen_.key("F10"));
    EXPECT_FALSE(screen_.coupon_open());
    EXPECT_EQ(finished_, std::vector<std::string>{"Venda Finalizada! Obrigado."});
    EXPECT_EQ(screen_.message_line(), "CUPOM FINALIZADO - OBRIGADO PELA PREFERÊNCIA");

    // The coupon, its items and payments, every hash intact.
    EXPECT_EQ(of_coupon("SELECT total||' '||vl_desconto||' '||vl_acrescimo||' '||vl_recebido||' "
                        "'||id_cliente||' '||situacao FROM balcora.cfiscal"),
              "40.95 4.55 0.00 40.95 1 E");
    // 4,55 off 45,50: 1,00 and 2,00 by proportion, the last item the rest.
    EXPECT_EQ(of_coupon("SELECT string_agg(vl_base::text, ' ' ORDER BY num_item) FROM "
                        "balcora.cfiscald"),
              "9.00 18.00 13.95");
    EXPECT_EQ(of_coupon("SELECT string_agg(tipo||' '||valor||' '||data, ', ' ORDER BY ordem) "
                        "FROM balcora.cfiscalfp"),
              "DI 20.00 2026-12-07, CR 10.00 2027-01-06, CR 10.95 2027-02-05");
    for (const char* table : {"cfiscal", "cfiscald", "cfiscalfp"}) {
        const auto hashes = db::verify_hashes(table);
        EXPECT_FALSE(hashes.empty()) << table;
        for (auto [row, ok] : hashes) EXPECT_TRUE(ok) << table << " " << row;
    }

    // The printer's tape: the coupon with its discount, the payments, the
    // client, the taxes, then the promissory note linked to it.
    ecf::set_driver_for_tests(nullptr);
    const std::string paper = this->paper();
    for (const char* line :
         {"DESCONTO R$", "CREDIARIO", "PRAZO: 30/60 DIAS", "CNPJ: ", "Fonte: IBPT    9F3A1B",
          "N O T A   P R O M I S S O R I A", "PARC   VENCIMENTO        VALOR"})
        EXPECT_NE(paper.find(line), std::string::npos) << line;
    // The document register holds the linked voucher of the promissory note.
    EXPECT_EQ(value("SELECT tipo||' '||valor FROM balcora.docecf WHERE tipo='CC'"), "CC 20.95");

    // The printer's day: the reduction's totals agree with the coupon.
    ASSERT_TRUE(ecf::send(ecf::CMD_Z_REDUCTION));
    ASSERT_TRUE(ecf::send(ecf::CMD_RECORD_REG60M));
    EXPECT_EQ(value("SELECT vl_venda_bruta FROM balcora.reg60m WHERE data='2026-12-07'"), "45.50");
    EXPECT_EQ(value("SELECT vl_acumulado FROM balcora.reg60a WHERE st_aliq='DESC'"), "4.55");
    EXPECT_EQ(value("SELECT sum(vl_acumulado) FROM balcora.reg60a WHERE totalizador LIKE "
                    "'01T%'"),
              of_coupon("SELECT sum(vl_base)::text FROM balcora.cfiscald"));
}

}  // namespace balcora::test
