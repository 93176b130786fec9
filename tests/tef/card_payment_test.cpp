#include "db/record_hash.h"
#include "db/settings.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer.h"
#include "fiscal/paf_registers.h"
#include "sale/payment_screen.h"
#include "sale/sale_screen_fixture.h"
#include "sale/sale_session.h"
#include "support/amounts.h"
#include "tef/card_manager.h"
#include "tef/card_manager_process.h"
#include "tef/tef_exchange.h"
#include "tef/tef_message_window.h"
#include "util/day_number.h"

#include <fstream>
#include <iterator>

namespace balcora::test {

namespace {

namespace fs = std::filesystem;
using sale::PaymentScreen;

const std::string k4230 = barcode("200000000021");
const std::string k1013 = barcode("200000000022");  // cents the manager declines

// Records what the message window showed; "[X] " marks a text that waited
// for the operator.
class RecordingView final : public tef::MessageView {
  public:
    explicit RecordingView(std::vector<std::string>& texts) : texts_(texts) {}
    void show_text(const std::string& text, bool closable) override {
        texts_.push_back((closable ? "[X] " : "") + text);
    }
    void process_events() override {}
    void wait_for_close() override {}
    void offer_quit(bool) override {}
    void hide() override {}

  private:
    std::vector<std::string>& texts_;
};

// A manager played between the exchange's polls: it takes every request and
// approves a card sale for one cent more than asked.
class MisreadingManager final : public tef::MessageView {
  public:
    explicit MisreadingManager(std::vector<std::string>& kinds) : kinds(kinds) {}
    void show_text(const std::string&, bool) override {}
    void wait_for_close() override {}
    void offer_quit(bool) override {}
    void hide() override {}
    void process_events() override {
        const auto files = tef::exchange_files();
        if (!fs::exists(files.request)) return;
        std::ifstream in(files.request, std::ios::binary);
        const std::string request((std::istreambuf_iterator<char>(in)), {});
        fs::remove(files.request);
        fs::create_directories(files.status.parent_path());
        std::ofstream(files.status) << "";
        kinds.push_back(request.substr(10, 3));
        if (kinds.back() != "CRT") return;
        const std::string id = request.substr(request.find("001-000 = ") + 10, 8);
        std::ofstream(files.response, std::ios::binary)
            << "000-000 = CRT\r\n001-000 = " << id
            << "\r\n003-000 = 4231\r\n010-000 = REDE\r\n012-000 = 77\r\n028-000 = "
               "1\r\n029-001 = \"X\"\r\n999-999 = 0\r\n";
    }
    std::vector<std::string>& kinds;
};

// Time that moves only while the exchange waits.
class SteppedTimer final : public tef::Timer {
  public:
    std::int64_t now() override { return now_; }
    std::int64_t time_of_day() override { return 3600000 + now_; }
    void idle() override { now_ += 5; }
    std::int64_t now_ = 0;
};

}  // namespace

// A sale of the demo shop paid through the real card-payment manager, with
// the card-payment manager turned on and the fixed pauses taken out.
class CardSale : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        add_product(9101, "9101", k4230, "42.30");
        add_product(9102, "9102", k1013, "10.13");
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "S"));
        ASSERT_TRUE(session_.load_point_of_sale());
        screens_.provide_view<tef::MessageWindow>(
            [this](tef::MessageWindow& w) { w.attach(std::make_unique<RecordingView>(window_)); });
        setup_.limits.pause_after_response = 0;
        setup_.limits.pause_before_confirm = 0;
        setup_.limits.pause_after_undo = 0;
    }

    // A coupon of one item, its payment screen open on the form.
    std::unique_ptr<PaymentScreen> sale_of(const std::string& code, const std::string& form) {
        EXPECT_EQ(session_.enter_code(code), sale::Registration::kRegistered)
            << testing::PrintToString(messages());
        auto s = std::make_unique<PaymentScreen>(checkout_);
        EXPECT_TRUE(s->open()) << testing::PrintToString(messages());
        card_.set_setup(setup_);
        s->set_card_functions(&card_);
        EXPECT_TRUE(s->set_form(form));
        if (form == "CC") {
            EXPECT_TRUE(s->set_cheque_number_text("123"));
            EXPECT_TRUE(s->set_cheque_date(today()));
        }
        prompt_.clear();
        window_.clear();
        sent().clear();
        return s;
    }
    std::string payment(const std::string& columns) {
        return value("SELECT " + columns + " FROM balcora.cfiscalfp WHERE id_cfiscal=" +
                     std::to_string(session_.coupon_id()) + " ORDER BY ordem DESC LIMIT 1");
    }
    std::string coupon_state() {
        return value("SELECT situacao||' '||vl_recebido FROM balcora.cfiscal WHERE id_cfiscal=" +
                     std::to_string(session_.coupon_id()));
    }
    bool exists(const fs::path& p) { return fs::exists(p); }

    sale::SaleSession session_{checkout_, sale::SaleScreen::kQuickSale};
    CardManagerProcess manager_{root_.path()};
    tef::CardSetup setup_;
    tef::CardManager card_;
    tef::ExchangeFiles files_ = tef::exchange_files();
    std::vector<std::string> window_;
};

TEST_F(CardSale, ApprovedCardAndChequeQueryAreRegisteredPrintedAndConfirmed) {
    ASSERT_TRUE(manager_.start());
    auto s = sale_of(k4230, "CA");
    // A discount: the manager is asked for what the customer pays.
    ASSERT_TRUE(s->set_discount_value_text("2,30"));
    ASSERT_TRUE(s->set_form("CA"));
    EXPECT_EQ(s->state().amount, cents(4000));
    const auto o = s->confirm_payment();
    EXPECT_TRUE(o.close) << testing::PrintToString(messages());
    EXPECT_TRUE(s->completed());
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(glo::modotef_ativo, 0);
    EXPECT_EQ(messages(), std::vector<std::string>{});
    EXPECT_EQ(window_, (std::vector<std::string>{"Iniciando transação TEF! Aguarde...",
                                                 "TEF: TRANSACAO APROVADA"}));
    EXPECT_EQ(payment("tipo||' '||valor||' '||nome_rede||' '||tipo_transacao||' '||cancelada||' '||"
                      "tp_parcelamento||' '||qtd_parcelas||' '||data_transacao||' '||"
                      "(hora_transacao IS NOT NULL)||' '||(numero>=100000)||' '||(num_gnf>0)"),
              "CA 40.00 REDE SIM 10 0 0 0 " + value("SELECT current_date") + " true true true");
    const std::string nsu = payment("nsu");
    EXPECT_EQ(coupon_state(), "E 40.00");
    for (auto [id, ok] : db::verify_hashes("cfiscalfp")) EXPECT_TRUE(ok) << id;
    EXPECT_EQ(value("SELECT count(*) FROM balcora.docecf WHERE tipo='CC' AND valor=40.00"), "1");
    EXPECT_EQ(times_sent(ecf::CMD_PAYMENT), 1);
    EXPECT_EQ(times_sent(ecf::CMD_CUT_PAPER), 1);
    const std::string paper = tape();
    const std::string line = "NSU: " + nsu;
    const auto first = paper.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(paper.find(line, first + 1), std::string::npos);  // the second copy
    EXPECT_EQ(paper.find('"', first), std::string::npos);       // quotes of 029 dropped
    // Confirmed at the manager, asked for 40,00, and nothing left pending.
    EXPECT_EQ(manager_.last_event(nsu), "CONFIRMADA");
    EXPECT_NE(manager_.journal().find("VALOR=4000"), std::string::npos);
    for (const auto& f : {files_.response, files_.copy, files_.request, files_.status})
        EXPECT_FALSE(exists(f)) << f;

    auto c = sale_of(k4230, "CC");
    EXPECT_TRUE(c->confirm_payment().close) << testing::PrintToString(messages());
    EXPECT_EQ(payment("tipo||' '||valor||' '||tipo_transacao||' '||(numero>=100000)||' '||data"),
              "CC 42.30 30 true 2026-12-07");
    EXPECT_NE(tape().find("CONSULTA DE CHEQUE"), std::string::npos);
    EXPECT_EQ(manager_.last_event(payment("nsu")), "CONFIRMADA");
}

TEST_F(CardSale, ADeclineLeavesTheBalanceAndRemovesTheAnswerOnlyWhenItWasShown) {
    manager_.rules("recusar_centavos=13\nmensagem_recusa=TRANSACAO NEGADA\n");
    ASSERT_TRUE(manager_.start());
    auto s = sale_of(k1013, "CA");
    auto o = s->confirm_payment();
    EXPECT_FALSE(o.close);
    EXPECT_FALSE(s->completed());
    EXPECT_EQ(s->state().balance, cents(1013));
    EXPECT_EQ(glo::cf_aberto, 1);
    EXPECT_EQ(window_.back(), "[X] TRANSACAO NEGADA");
    EXPECT_FALSE(exists(files_.response));
    EXPECT_FALSE(exists(files_.copy));
    EXPECT_EQ(count("balcora.cfiscalfp WHERE id_cfiscal=" + std::to_string(session_.coupon_id())),
              0);

    // Without a message nothing is shown and the answer stays for the
    // start-up to settle.
    manager_.rules("recusar_centavos=13\nmensagem_recusa=\n");
    window_.clear();
    o = s->confirm_payment();
    EXPECT_FALSE(o.close);
    EXPECT_EQ(window_, std::vector<std::string>{"Iniciando transação TEF! Aguarde..."});
    EXPECT_TRUE(exists(files_.response));
    EXPECT_TRUE(exists(files_.copy));
    EXPECT_EQ(messages(), std::vector<std::string>{});

    // Paid in cash after all.
    ASSERT_TRUE(s->set_form("DI"));
    EXPECT_TRUE(s->confirm_payment().close);
}

TEST_F(CardSale, AnAbsentSilentOrStrayManagerLeavesThePaymentUndone) {
    // Not running: seven seconds of the exchange's clock, none of the wall's.
    auto s = sale_of(k4230, "CA");
    SteppedTimer stepped;
    tef::CardSetup absent = setup_;
    absent.timer = &stepped;
    card_.set_setup(absent);
    EXPECT_FALSE(s->confirm_payment().close);
    EXPECT_EQ(prompt_.shown().back().title, "Aviso (ATV)");
    EXPECT_EQ(messages(), std::vector<std::string>{"Gerenciador Padrão não está ativo!"});
    EXPECT_GE(stepped.now_, 700);
    EXPECT_FALSE(exists(files_.request));

    // An answer of another transaction is thrown away; ours follows it.
    manager_.rules("atraso_resposta_ms=300\n");
    ASSERT_TRUE(manager_.start());
    fs::create_directories(files_.response.parent_path());
    std::ofstream(files_.response, std::ios::binary)
        << "000-000 = CRT\r\n001-000 = 91234567\r\n028-000 = 1\r\n029-001 = \"X\"\r\n999-999 = "
           "0\r\n";
    card_.set_setup(setup_);
    prompt_.clear();
    EXPECT_TRUE(s->confirm_payment().close) << testing::PrintToString(messages());
    EXPECT_EQ(messages(), std::vector<std::string>{"Identificação da transação inválida!"});

    // The manager takes the request and never answers.
    manager_.rules("somente_status=CRT\n");
    auto t = sale_of(k4230, "CA");
    setup_.limits.response_wait = 50;
    card_.set_setup(setup_);
    t->set_card_functions(&card_);
    EXPECT_FALSE(t->confirm_payment().close);
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Sem resposta do Gerenciador Padrão por mais de 30 minutos!"});
    EXPECT_EQ(glo::cf_aberto, 1);
}

TEST_F(CardSale, APrinterRefusalIsRetriedReprintedAsAReportOrUndone) {
    ASSERT_TRUE(manager_.start());
    // The payment refused once, then taken; the voucher refused, then
    // printed again as a management report.
    auto s = sale_of(k4230, "CA");
    refuse_next_command(ecf::CMD_PAYMENT);
    refuse_next_command(ecf::CMD_VOUCHER_LINE);
    prompt_.answer(true);
    prompt_.answer(true);
    EXPECT_TRUE(s->confirm_payment().close) << testing::PrintToString(messages());
    EXPECT_EQ(prompt_.count_containing("A impressora não responde!"), 2);
    EXPECT_EQ(times_sent(ecf::CMD_PAYMENT), 2);
    EXPECT_EQ(value("SELECT count(*) FROM balcora.docecf WHERE tipo='RG' AND valor=42.30"), "1");
    EXPECT_EQ(payment("cancelada||' '||num_gnf"), "0 0");
    EXPECT_EQ(manager_.last_event(payment("nsu")), "CONFIRMADA");

    // No to the payment: undone at the manager, nothing registered, and the
    // coupon still open for another form.
    auto t = sale_of(k4230, "CA");
    refuse_next_command(ecf::CMD_PAYMENT);
    prompt_.answer(false);
    EXPECT_FALSE(t->confirm_payment().close);
    EXPECT_EQ(prompt_.shown().back().title, "T E F");
    EXPECT_NE(prompt_.shown().back().text.find("|Valor: R$ 42,30"), std::string::npos);
    EXPECT_EQ(count("balcora.cfiscalfp WHERE id_cfiscal=" + std::to_string(session_.coupon_id())),
              0);
    EXPECT_NE(manager_.journal().find("DESFEITA"), std::string::npos);
    EXPECT_EQ(glo::cf_aberto, 1);
    EXPECT_FALSE(exists(files_.copy));

    // No to the voucher after the coupon closed: undone, the row marked and
    // the coupon the customer no longer pays cancelled.
    ASSERT_TRUE(t->set_form("CA"));
    refuse_next_command(ecf::CMD_OPEN_CREDIT_VOUCHER);
    prompt_.clear();
    prompt_.answer(false);
    EXPECT_TRUE(t->confirm_payment().close);
    EXPECT_EQ(payment("cancelada"), "1");
    EXPECT_EQ(coupon_state(), "C 0.00");
    EXPECT_EQ(prompt_.count_containing("Cancelada a Transação"), 1);
    EXPECT_EQ(
        prompt_.shown().back().text,
        "O pagamento com cartão foi desfeito: nada foi cobrado do cliente.|O cupom fiscal # " +
            value("SELECT lpad(numero::text, 6, '0') FROM balcora.cfiscal WHERE id_cfiscal=" +
                  std::to_string(session_.coupon_id())) +
            " foi cancelado.");
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(manager_.last_event(payment("nsu")), "DESFEITA");
}

TEST_F(CardSale, AnUndonePaymentCancelsItsCouponAndCountsNowhere) {
    ASSERT_TRUE(manager_.start());
    // The closing refused: the coupon, still open on the printer, goes.
    auto s = sale_of(k4230, "CA");
    refuse_next_command(ecf::CMD_CLOSE_COUPON);
    EXPECT_TRUE(s->confirm_payment().close);
    EXPECT_FALSE(s->completed());
    EXPECT_EQ(coupon_state(), "C 0.00");
    EXPECT_EQ(payment("cancelada"), "1");
    EXPECT_EQ(manager_.last_event(payment("nsu")), "DESFEITA");
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(checkout_.fp_iniciada, 0);
    EXPECT_EQ(prompt_.count_containing("foi cancelado."), 1);
    EXPECT_FALSE(ecf::printer().read_coupon_state()->open);

    // The confirmation not taken after the voucher: the voucher is reversed
    // and the closed coupon cancelled.
    manager_.rules("nunca_responder=CNF\n");
    setup_.limits.status_wait = 50;
    auto t = sale_of(k4230, "CA");
    EXPECT_TRUE(t->confirm_payment().close);
    EXPECT_EQ(coupon_state(), "C 0.00");
    EXPECT_EQ(payment("cancelada"), "1");
    EXPECT_NE(tape().find("COO do comprovante estornado:"), std::string::npos);
    EXPECT_EQ(manager_.last_event(payment("nsu")), "DESFEITA");

    // The printer refusing the cancellation too: the operator is told, and
    // the payment counts nowhere, not even on the payment screen.
    manager_.rules("");
    auto u = sale_of(k4230, "CA");
    refuse_next_command(ecf::CMD_CLOSE_COUPON);
    refuse_next_command(ecf::CMD_CANCEL_COUPON);
    EXPECT_TRUE(u->confirm_payment().close);
    EXPECT_EQ(prompt_.count_containing("não pôde ser cancelado"), 1);
    EXPECT_EQ(coupon_state(), "E 0.00");
    EXPECT_EQ(glo::cf_aberto, 1);
    PaymentScreen again(checkout_);
    ASSERT_TRUE(again.open()) << testing::PrintToString(messages());
    EXPECT_EQ(again.state().received, cents(0));
    EXPECT_TRUE(again.state().payments.empty());

    // Nor in the registers file: every card payment of the day was undone.
    fiscal::RegistersRequest r;
    r.start = r.end = util::day_number(2026, 12, 7);
    const auto file = fiscal::generate_paf_registers(r);
    ASSERT_TRUE(file.ok) << testing::PrintToString(messages());
    std::ifstream in(file.file, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("A2", 0) == 0 || line.rfind("R07", 0) == 0)
            EXPECT_EQ(line.find("CARTAO"), std::string::npos) << line;
}

TEST_F(CardSale, AnApprovalOfAnotherAmountIsUndoneNotRegistered) {
    auto s = sale_of(k4230, "CA");
    std::vector<std::string> kinds;
    screens_.provide_view<tef::MessageWindow>(
        [&kinds](tef::MessageWindow& w) { w.attach(std::make_unique<MisreadingManager>(kinds)); });
    EXPECT_FALSE(s->confirm_payment().close);
    EXPECT_EQ(kinds, (std::vector<std::string>{"ATV", "CRT", "NCN"}));
    EXPECT_EQ(prompt_.count_containing("valor aprovado R$ 42,31"), 1);
    EXPECT_EQ(prompt_.shown().back().title, "T E F");
    EXPECT_EQ(times_sent(ecf::CMD_PAYMENT), 0);
    EXPECT_EQ(s->state().balance, cents(4230));
}

TEST_F(CardSale, ADatabaseRefusingThePaymentRowUndoesTheTransaction) {
    ASSERT_TRUE(manager_.start());
    auto s = sale_of(k4230, "CA");
    ASSERT_EQ(QUERYSQL("CREATE FUNCTION balcora.no_card() RETURNS trigger AS $$ BEGIN RAISE "
                       "EXCEPTION 'sem cartao'; END $$ LANGUAGE plpgsql; CREATE TRIGGER no_card "
                       "BEFORE INSERT ON balcora.cfiscalfp FOR EACH ROW WHEN (NEW.tipo='CA') "
                       "EXECUTE FUNCTION balcora.no_card();"),
              "1");
    EXPECT_FALSE(s->confirm_payment().close);
    EXPECT_EQ(prompt_.count_containing("/cfiscalfp"), 1);
    EXPECT_EQ(prompt_.shown().back().title, "T E F");
    EXPECT_EQ(times_sent(ecf::CMD_PAYMENT), 0);
    EXPECT_NE(manager_.journal().find("DESFEITA"), std::string::npos);
    EXPECT_EQ(manager_.journal().find("CONFIRMADA"), std::string::npos);
    EXPECT_EQ(s->state().balance, cents(4230));
}

}  // namespace balcora::test
