// The manager's functions outside the sale (FUNCAOTEF) and the start-up
// undo of a pending transaction, against the card-payment manager program
// and the virtual printer: what the manager's journal, the printer's tape and
// the database say afterwards.
#include "tef/funcao_tef.h"

#include "db/record_hash.h"
#include "db/settings.h"
#include "sale/called_procedures.h"
#include "sale/coupon_browse.h"
#include "sale/coupon_cancellation.h"
#include "sale/payment_screen.h"
#include "sale/quick_sale_screen.h"
#include "sale/sale_screen_fixture.h"
#include "tef/card_manager.h"
#include "tef/card_manager_process.h"
#include "tef/tef_exchange.h"
#include "tef/tef_message_window.h"

#include <fstream>

namespace balcora::test {

namespace {

// Pauses of none; the manager's answers are awaited as the program awaits them.
tef::Limits quick() {
    tef::Limits l;
    l.pause_before_confirm = l.pause_after_response = l.pause_after_undo = 0;
    return l;
}

int occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

class CardFunctions : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        tef::set_function_exchange(&timer_, quick());
        tef::provide_card_functions(screens_);
        tef::provide_card_manager(service_port_);
        screens_.provide("BRWCFISCAL", [this](const ui::ScreenPort::Arguments&) {
            sale::CouponBrowse browse{checkout_};
            if (browse.open()) browse.first_display();
            ++browsed_;
            return 0;
        });
        screens_.provide("FINALIZACUPOM", [this](const ui::ScreenPort::Arguments& args) {
            sale::PaymentScreen s{checkout_, args.at(0)};
            if (!s.open()) return 0;
            tef::CardManager card{{nullptr, quick()}};
            s.set_card_functions(&card);
            if (s.set_form("CA")) s.confirm_payment();
            return s.result();
        });
        add_product(9101, "9101", barcode("300000000011"), "10.00");
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "S"));
        ASSERT_TRUE(manager_.start());
    }
    void TearDown() override {
        manager_.stop();
        tef::set_function_exchange(nullptr);
        SaleScreenFixture::TearDown();
    }

    // The paper tape, read past the spy (which hides the printer's extras).
    std::string printed() {
        ecf::set_driver_for_tests(nullptr);
        return paper();
    }
    std::string adm_setting() { return util::trim(LEREGISTRO("balcora", "FuncaoTEF", "ADM", "N")); }

    // A transaction the manager approved and whose answer this side copied,
    // as a run cut before its confirmation leaves it.
    tef::Response approved_but_never_confirmed(tef::RequestKind kind, const std::string& request,
                                               const std::string& id) {
        tef::Exchange exchange(timer_, {}, quick());
        EXPECT_TRUE(exchange.send(kind, request));
        auto r = exchange.wait_response(id);
        EXPECT_TRUE(r && r->approved());
        return r ? *r : tef::Response{};
    }

    // How many journal lines carry every fragment.
    int journal_count(std::initializer_list<std::string> fragments) const {
        std::istringstream in(manager_.journal());
        int n = 0;
        for (std::string line; std::getline(in, line);) {
            bool all = true;
            for (const auto& f : fragments) all = all && line.find(f) != std::string::npos;
            n += all;
        }
        return n;
    }

    tef::SystemTimer timer_;
    CardManagerProcess manager_{root_.path()};
    int browsed_ = 0;
};

TEST_F(CardFunctions, TheManagersMenuPrintsItsVoucherOrSaysWhyNotAndUnknownNamesAreRefused) {
    ASSERT_EQ(FUNCAOTEF("ADM"), 1) << testing::PrintToString(messages());
    // Two copies on a management report, then the confirmation.
    EXPECT_EQ(occurrences(printed(), "RELATORIO ADMINISTRATIVO"), 2);
    EXPECT_EQ(journal_count({"CONFIRMADA", "TIPO=ADM"}), 1);
    EXPECT_FALSE(tef::pending_transaction_files_exist());
    EXPECT_EQ(adm_setting(), "N");

    // The operator left the manager's menu: its message, nothing pending.
    manager_.rules("adm_opcao=cancelada\n");
    prompt_.clear();
    EXPECT_EQ(FUNCAOTEF("ADM"), 0);
    EXPECT_EQ(prompt_.count_containing("OPERACAO CANCELADA PELO OPERADOR"), 1);
    EXPECT_FALSE(tef::pending_transaction_files_exist());

    // Neither voucher nor message: the answer stays for the next start-up.
    manager_.rules("adm_opcao=vazia\n");
    EXPECT_EQ(FUNCAOTEF("ADM"), 0);
    EXPECT_TRUE(tef::pending_transaction_files_exist());
    EXPECT_EQ(adm_setting(), "S");
    EXPECT_EQ(journal_count({"CONFIRMADA"}), 1);

    prompt_.clear();
    EXPECT_EQ(FUNCAOTEF("RELATORIO"), 0);
    EXPECT_EQ(messages(), std::vector<std::string>{"FUNCAO DESCONHECIDA: RELATORIO"});
}

// The manager gone while a transaction waits to be undone: the start-up asks
// again and again, until the operator closes the program from the message
// window; the transaction stays for the next start.
TEST_F(CardFunctions, TheOperatorMayCloseTheProgramWhileTheManagerDoesNotAnswer) {
    manager_.stop();
    auto limits = quick();
    limits.status_wait = 20;
    tef::set_function_exchange(&timer_, limits);
    const auto copy = tef::exchange_files().copy;
    std::filesystem::create_directories(copy.parent_path());
    std::ofstream(copy) << "000-000 = ADM\r\n001-000 = 91234567\r\n028-000 = 1\r\n";
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FuncaoTEF", "ADM", "S"));
    int polls = 0, ended = 0;
    class QuitAfterAWhile final : public tef::MessageView {
      public:
        QuitAfterAWhile(tef::MessageWindow& w, int& polls, int& ended) : w_(w), polls_(polls) {
            w.set_quit_handler([&ended] { ++ended; });
        }
        void show_text(const std::string&, bool) override {}
        void process_events() override {
            if (++polls_ == 100) w_.request_quit();
        }
        void wait_for_close() override {}
        void offer_quit(bool) override {}
        void hide() override {}

      private:
        tef::MessageWindow& w_;
        int& polls_;
    };
    screens_.provide_view<tef::MessageWindow>([&](tef::MessageWindow& w) {
        w.attach(std::make_unique<QuitAfterAWhile>(w, polls, ended));
    });
    prompt_.answer(true);
    tef::recover_card_payment_files();
    EXPECT_EQ(ended, 1);
    EXPECT_GT(prompt_.count_containing("Gerenciador Padrão não está ativo!"), 1);
    EXPECT_TRUE(tef::pending_transaction_files_exist());
    EXPECT_EQ(adm_setting(), "S");
}

// A run cut between the manager's approval and the confirmation: the next
// start-up undoes the transaction, never confirms it, whether it was an
// administrative one (only the copy of its answer left) or a sale's.
TEST_F(CardFunctions, TheStartUpUndoesWhatARunCutBeforeItsConfirmation) {
    std::string id = tef::transaction_identifier(timer_.time_of_day());
    approved_but_never_confirmed(tef::RequestKind::kAdm, tef::adm_request(id), id);
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FuncaoTEF", "ADM", "S"));
    std::filesystem::remove(tef::exchange_files().response);
    tef::recover_card_payment_files();
    EXPECT_EQ(journal_count({"DESFEITA", "TIPO=ADM"}), 1) << manager_.journal();
    EXPECT_FALSE(tef::pending_transaction_files_exist());
    EXPECT_EQ(adm_setting(), "N");
    EXPECT_EQ(browsed_, 0);

    // A sale cut with its coupon open: the coupon is cancelled on the printer
    // and in the database, the card transaction undone.
    std::int64_t coupon = 0;
    {
        sale::QuickSaleScreen screen{checkout_};
        ASSERT_TRUE(screen.open());
        screen.code_field = barcode("300000000011");
        ASSERT_EQ(screen.enter(), sale::QuickSaleScreen::EnterResult::kRegistered);
        coupon = screen.session().coupon_id();
        id = tef::transaction_identifier(timer_.time_of_day() + 1);
        approved_but_never_confirmed(
            tef::RequestKind::kCrt,
            tef::crt_request(id, ::n_coo, util::Money::from_units(1000), {}, {}), id);
    }
    prompt_.clear();
    tef::recover_card_payment_files();
    EXPECT_EQ(browsed_, 1);
    EXPECT_EQ(journal_count({"DESFEITA", "TIPO=CRT", "ID=" + id}), 1) << manager_.journal();
    EXPECT_EQ(journal_count({"CONFIRMADA", "TIPO=CRT"}), 0);
    EXPECT_FALSE(tef::pending_transaction_files_exist());
    EXPECT_EQ(
        value("SELECT situacao FROM balcora.cfiscal WHERE id_cfiscal=" + std::to_string(coupon)),
        "C");
    EXPECT_NE(printed().find("CUPOM FISCAL CANCELADO"), std::string::npos);
    EXPECT_EQ(prompt_.count_containing("Cancelada a Transação"), 1)
        << testing::PrintToString(messages());
}

}  // namespace balcora::test

namespace balcora::test {

TEST_F(CardFunctions, ACardSaleCancelledIsCancelledAtTheManagerOnThePrinterAndInTheDatabase) {
    sale::QuickSaleScreen screen{checkout_};
    ASSERT_TRUE(screen.open());
    screen.code_field = barcode("300000000011");
    ASSERT_EQ(screen.enter(), sale::QuickSaleScreen::EnterResult::kRegistered);
    ASSERT_TRUE(screen.key("F10"));
    ASSERT_FALSE(screen.coupon_open()) << testing::PrintToString(messages());
    const std::string coupon = std::to_string(screen.session().coupon_id());
    const std::string nsu =
        value("SELECT trim(nsu) FROM balcora.cfiscalfp WHERE tipo='CA' AND id_cfiscal=" + coupon);
    ASSERT_EQ(manager_.last_event(nsu), "CONFIRMADA");

    prompt_.clear();
    prompt_.answer(true);
    ASSERT_TRUE(sale::run_cancel_coupon(checkout_, false, screen.session().coupon_id()))
        << testing::PrintToString(messages());
    EXPECT_EQ(prompt_.count_containing("está vinculado a uma transação TEF!"), 1);
    EXPECT_EQ(manager_.last_event(nsu), "CANCELADA");
    EXPECT_EQ(value("SELECT situacao FROM balcora.cfiscal WHERE id_cfiscal=" + coupon), "C");
    EXPECT_EQ(value("SELECT cancelada FROM balcora.cfiscalfp WHERE id_cfiscal=" + coupon), "1");
    for (const char* table : {"cfiscal", "cfiscalfp"})
        for (auto [row, ok] : db::verify_hashes(table)) EXPECT_TRUE(ok) << table << " " << row;
    // The card voucher reversed, the coupon cancelled, the manager's voucher
    // twice on a management report.
    const std::string tape = printed();
    EXPECT_NE(tape.find("ESTORNO DE COMPROVANTE"), std::string::npos);
    EXPECT_NE(tape.find("CANCELAMENTO DE CUPOM FISCAL"), std::string::npos);
    EXPECT_EQ(occurrences(tape, "COMPROVANTE DE CANCELAMENTO"), 2);
    EXPECT_FALSE(tef::pending_transaction_files_exist());
}

}  // namespace balcora::test
