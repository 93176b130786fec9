// Cancelling coupons through the procedures the sale screens call, on the
// virtual printer: the database moves only when the printer cancelled.
#include "sale/coupon_cancellation.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "ecf/printer.h"
#include "ecf/printer_layouts.h"
#include "sale/coupon_procedures.h"
#include "sale/payment_screen.h"
#include "sale/quick_sale_screen.h"
#include "sale/sale_screen_fixture.h"
#include "util/fixed_point_text.h"

namespace balcora::test {

class CouponCancellation : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        add_product(9101, "9101", barcode("300000000011"), "10.00");
        add_product(9102, "9102", barcode("300000000012"), "20.00");
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Docto Venda Prazo", "1"));
        screens_.provide("FINALIZACUPOM", [this](const ui::ScreenPort::Arguments& args) {
            sale::PaymentScreen s{checkout_, args.at(0)};
            if (!s.open()) return 0;
            if (step_) std::exchange(step_, {})(s);
            return s.result();
        });
        ASSERT_TRUE(screen_.open());
    }

    void sell(const char* twelve) {
        screen_.code_field = barcode(twelve);
        ASSERT_EQ(screen_.enter(), sale::QuickSaleScreen::EnterResult::kRegistered);
    }
    // One item paid in cash; its coupon id.
    std::int64_t cash_sale(const char* twelve, const char* amount) {
        sell(twelve);
        step_ = [amount](sale::PaymentScreen& s) {
            s.set_amount_text(amount);
            s.confirm_payment();
        };
        EXPECT_TRUE(screen_.key("Alt+1"));
        EXPECT_FALSE(screen_.coupon_open());
        return screen_.session().coupon_id();
    }
    std::string state(std::int64_t id) {
        return value("SELECT situacao FROM balcora.cfiscal WHERE id_cfiscal=" + std::to_string(id));
    }
    bool sealed(const char* table) {
        for (auto [row, ok] : db::verify_hashes(table))
            if (!ok) return false;
        return count(std::string("balcora.") + table + " WHERE hash IS NULL") == 0;
    }
    // The paper tape (read past the spy, which hides the printer's extras).
    std::string printed() {
        ecf::set_driver_for_tests(nullptr);
        return paper();
    }
    int cancel(const char* procedure, ui::ScreenPort::Arguments args, bool yes = true) {
        prompt_.clear();
        prompt_.answer(yes);
        const auto id = [&](std::size_t at) {
            return args.size() > at ? util::read_integer(args[at]).value : 0;
        };
        sale::CouponProcedures procedures;
        if (std::string_view(procedure) == "CANCELACUPOMSELECIONADO")
            return procedures.cancel_selected_coupon(checkout_, id(0));
        return procedures.cancel_coupon(checkout_, args.at(0) == "1", id(1));
    }

    std::function<void(sale::PaymentScreen&)> step_;
    sale::QuickSaleScreen screen_{checkout_};
};

TEST_F(CouponCancellation, OnlyTheLastCouponGoesAndARefusalLeavesItAsItWas) {
    const auto first = cash_sale("300000000011", "10,00");
    const auto last = cash_sale("300000000012", "20,00");
    QUERYSQL("UPDATE balcora.cfiscal SET id_pedido=77 WHERE id_cfiscal=" + std::to_string(last));

    EXPECT_EQ(cancel("CANCELACUPOMSELECIONADO", {"0"}), 0);
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Primeiro selecione o cupom fiscal que deseja cancelar!"});
    EXPECT_EQ(cancel("CANCELACUPOMSELECIONADO", {std::to_string(first)}), 0);
    EXPECT_EQ(messages(),
              std::vector<std::string>{
                  "Somente é permitido cancelar o último cupom fiscal emitido pelo ECF!"});

    // The printer refuses: the question was asked, nothing moved.
    refuse_next_command(ecf::CMD_CANCEL_COUPON);
    EXPECT_EQ(cancel("CANCELACUPOMSELECIONADO", {std::to_string(last)}), 0);
    EXPECT_EQ(prompt_.count_containing("Confirma cancelar cupom fiscal número 000002?"), 1);
    EXPECT_EQ(state(last), "E");
    EXPECT_EQ(count("balcora.registro WHERE chave LIKE 'ERRO_CF_CANC%'"), 0);

    // Cancelled from the browse: the order's pending mark, then the notice.
    EXPECT_EQ(cancel("CANCELACUPOMSELECIONADO", {std::to_string(last)}), 1);
    EXPECT_EQ(state(last), "C");
    EXPECT_EQ(state(first), "E");
    EXPECT_TRUE(sealed("cfiscal") && sealed("cfiscald"));
    const std::string id8 =
        std::string(8 - std::to_string(last).size(), '0') + std::to_string(last);
    EXPECT_EQ(value("SELECT nome||' '||valor FROM balcora.registro WHERE chave='ERRO_CF_CANC" +
                    id8 + "'"),
              "ID_" + id8 + " " + id8);
    EXPECT_EQ(messages().back(), "Cupom fiscal cancelado com sucesso!");
    EXPECT_NE(printed().find("CANCELAMENTO DE CUPOM FISCAL"), std::string::npos);

    EXPECT_EQ(cancel("CANCELACUPOMSELECIONADO", {std::to_string(last)}), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"Cupom fiscal emitido já foi cancelado!"});
    // Declining the question changes nothing either.
    EXPECT_EQ(cancel("CANCELACUPOM", {"0", std::to_string(first)}, false), 0);
    EXPECT_EQ(state(first), "E");
}

TEST_F(CouponCancellation, AStoreCreditSaleIsCancelledAfterItsVoucherIsReversed) {
    sell("300000000011");
    step_ = [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_client_code("1", {}));
        ASSERT_TRUE(s.set_form("CR"));
        ASSERT_TRUE(s.set_term_text(1, "30"));
        s.confirm_payment();
    };
    ASSERT_TRUE(screen_.key("F10"));
    ASSERT_FALSE(screen_.coupon_open());
    const auto id = screen_.session().coupon_id();
    ASSERT_EQ(count("balcora.docecf WHERE tipo='CC'"), 1);
    // A client without a document is reversed as the anonymous consumer.
    QUERYSQL("UPDATE balcora.cliente SET cgcpf='' WHERE id_cliente=1");

    // Quick Sale "CC" with no coupon open: the coupon it showed last.
    EXPECT_EQ(cancel("CANCELACUPOM", {"0", std::to_string(id)}), 1);
    EXPECT_EQ(prompt_.count_containing("Cupom fiscal número 000001 está vinculado a uma venda no "
                                       "Crediário!|Confirma o cancelamento do Crediário e do "
                                       "Cupom Fiscal?"),
              1);
    EXPECT_EQ(state(id), "C");
    EXPECT_TRUE(sealed("cfiscal") && sealed("cfiscald"));
    const std::string paper = printed();
    EXPECT_NE(paper.find("ESTORNO DE COMPROVANTE CRÉDITO OU DÉBITO"), std::string::npos);
    EXPECT_NE(paper.find("CONSUMIDOR: 000.000.000-00"), std::string::npos);
    EXPECT_LT(paper.find("ESTORNO DE COMPROVANTE"), paper.find("CANCELAMENTO DE CUPOM FISCAL"));
}

TEST_F(CouponCancellation, TheOpenCouponIsCancelledWithItsTotalRestated) {
    sell("300000000011");
    sell("300000000012");
    const auto id = screen_.session().coupon_id();
    QUERYSQL("UPDATE balcora.cfiscal SET total=999 WHERE id_cfiscal=" + std::to_string(id));

    refuse_next_command(ecf::CMD_CANCEL_COUPON);
    EXPECT_EQ(cancel("CANCELACUPOM", {"1", std::to_string(id)}), 0);
    EXPECT_EQ(state(id), "E");
    EXPECT_EQ(glo::cf_aberto, 1);
    // Another coupon's row is not the one the printer holds open.
    const auto other = id + 100;
    QUERYSQL(
        "INSERT INTO balcora.cfiscal (id_cfiscal, numero, num_ccf, data, situacao, total) "
        "VALUES (" +
        std::to_string(other) + ", 7, 7, '2026-12-07', 'E', 5)");
    EXPECT_EQ(cancel("CANCELACUPOM", {"1", std::to_string(other)}), 0);
    EXPECT_EQ(state(other), "E");
    QUERYSQL("DELETE FROM balcora.cfiscal WHERE id_cfiscal=" + std::to_string(other));

    EXPECT_EQ(cancel("CANCELACUPOM", {"1", std::to_string(id)}), 1);
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(value("SELECT situacao||' '||total||' '||op_cadastro FROM balcora.cfiscal WHERE "
                    "id_cfiscal=" +
                    std::to_string(id)),
              "C 30.00 SISTEMA BALC");
    EXPECT_TRUE(sealed("cfiscal") && sealed("cfiscald"));
    EXPECT_NE(printed().find("*** CUPOM FISCAL CANCELADO ***"), std::string::npos);
    // The next code starts a new coupon.
    sell("300000000011");
    EXPECT_NE(screen_.session().coupon_id(), id);
}

// A cancellation noted and cut before COMMIT is settled at the next opening
// only when the printer's tape holds it: a receipt taken meanwhile moves the
// COO just as the cancellation would, and closes the coupon's window too.
TEST_F(CouponCancellation, APendingCancellationIsSettledOnlyByThePrintersOwnCancellation) {
    auto note_pending = [&](std::int64_t id) {
        ASSERT_TRUE(ecf::send(ecf::CMD_READ_COUNTERS));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", sale::kPendingCancellation,
                                  std::to_string(id) + ";" + std::to_string(::n_coo)));
    };
    auto reopen = [&] {
        prompt_.clear();
        return sale::CouponProcedures().recover_open_coupon(checkout_, false);
    };
    const auto kept = cash_sale("300000000011", "10,00");
    note_pending(kept);  // the cut came before the printer was asked
    ASSERT_TRUE(
        ecf::send(ecf::CMD_CASH_MOVEMENT,
                  {*ecf::cash_movement(ecf::CashMovement::kSupply, util::Money::from_whole(5))}));
    EXPECT_EQ(reopen(), 1);
    EXPECT_EQ(state(kept), "E");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", sale::kPendingCancellation, ""), "");

    // Cancelled on the printer, then an X reading before any sale screen.
    const auto gone = cash_sale("300000000012", "20,00");
    note_pending(gone);
    ASSERT_TRUE(ecf::send(ecf::CMD_CANCEL_COUPON));
    ASSERT_TRUE(ecf::send(ecf::CMD_X_READING));
    EXPECT_EQ(reopen(), 1);
    EXPECT_EQ(state(gone), "C");
    EXPECT_EQ(state(kept), "E");
    EXPECT_TRUE(sealed("cfiscal") && sealed("cfiscald"));
    EXPECT_EQ(prompt_.count_containing("foi concluído na impressora"), 1);
}

}  // namespace balcora::test
