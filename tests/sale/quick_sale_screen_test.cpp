#include "sale/quick_sale_screen.h"
#include "db/literals.h"
#include "globals/checkout_state.h"
#include "platform/serial_port.h"
#include "sale/coupon_procedures.h"
#include "sale/options_menu.h"
#include "sale/sale_gates.h"
#include "sale/sale_screen_fixture.h"
#include "support/pty_pair.h"
#include "util/fixed_point_text.h"

#include <filesystem>
#include <fstream>

namespace balcora::test {

using Screen = sale::QuickSaleScreen;
using Enter = Screen::EnterResult;

namespace {

const std::string kCoffee = barcode("789100031550");  // 18,90
const std::string kRice = barcode("789600044700");    // 27,49

}  // namespace

class QuickSaleScreenTest : public SaleScreenFixture {
  protected:
    // Opens the screen, expecting it to open.
    void open() {
        ASSERT_TRUE(screen_.open());
        prompt_.clear();
        sent().clear();
    }
    void sell(const std::string& code, const std::string& quantity = {}) {
        screen_.code_field = code;
        screen_.quantity_field = quantity;
        ASSERT_EQ(screen_.enter(), Enter::kRegistered) << testing::PrintToString(messages());
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (const auto& s : prompt_.shown())
            if (s.kind != "beep") out.push_back(s.title);
        return out;
    }
    int confirms() const {
        int n = 0;
        for (const auto& s : prompt_.shown()) n += s.kind == "confirm";
        return n;
    }

    std::optional<int> item_to_cancel_;
    int item_windows_ = 0;
    int queries_ = 0;
    Screen screen_{checkout_,
                   {.item_number =
                        [this] {
                            ++item_windows_;
                            return item_to_cancel_;
                        },
                    .product_query = [this]() -> std::optional<forms::ProductChoice> {
                        ++queries_;
                        forms::ProductChoice c;
                        c.id_produto = 2;
                        c.codigo = "000002";
                        c.codigo_barras = kRice;
                        return c;
                    }}};
};

// ---- opening ------------------------------------------------------------------

TEST_F(QuickSaleScreenTest, AnotherPrinterWindowOpenRefusesBeforeAnythingElse) {
    checkout_.jan_ecf_aberta = 1;
    EXPECT_FALSE(screen_.open());
    EXPECT_EQ(messages(), std::vector<std::string>{sale::kPrinterWindowOpen});
    EXPECT_EQ(titles(), std::vector<std::string>{"Aviso"});
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(checkout_.jan_ecf_aberta, 1);
}

TEST_F(QuickSaleScreenTest, WithoutTheAccessRightNothingOpensAndThePrinterIsNotTouched) {
    add_operator("caixa", 0);
    sign_in("caixa");
    EXPECT_FALSE(screen_.open());
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_NE(messages()[0].find("Acesso negado!"), std::string::npos);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

TEST_F(QuickSaleScreenTest, APendingBlocoXFlagBlocksWhateverTheStartDate) {
    glo::dtenvredz = today() + 30;
    ASSERT_TRUE(GRAVAREGISTRO("balcora", std::string("PAF-ECF.") + demo::kPrinterSerial,
                              "ECF Bloqueado.BlocoX.Estoque", "1"));
    EXPECT_FALSE(screen_.open());
    EXPECT_EQ(messages(), std::vector<std::string>{sale::kBlocoXBlocked});
    EXPECT_TRUE(sent().empty());
}

TEST_F(QuickSaleScreenTest, AnUnconfiguredPrinterClosesAfterTheRowChecks) {
    ASSERT_TRUE(write_ini("PDV", "Configuração OK", "0", "balcora.ini"));
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET data_sit='2026-12-06';"), "1");
    EXPECT_FALSE(screen_.open());
    EXPECT_EQ(messages(), (std::vector<std::string>{"Data situação (06/12/2026) do caixa inválida!",
                                                    "IF ainda não configurada!"}));
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

TEST_F(QuickSaleScreenTest, AnUnknownSerialWarnsAndStaysOpenWithoutThePrinter) {
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET num_serie='OUTRA';"), "1");
    ASSERT_TRUE(screen_.open());
    EXPECT_EQ(messages(), std::vector<std::string>{std::string("ECF não configurada para número "
                                                               "de série: ") +
                                                   demo::kPrinterSerial + "!"});
    // Only the recovery's question to the printer; no port was opened.
    EXPECT_EQ(times_sent(ecf::CMD_OPEN_PORT), 0);
    EXPECT_EQ(screen_.status_text(), "FECHADO");
    EXPECT_EQ(screen_.message_line(), "ECF NÃO CONFIGURADA");
    prompt_.answer(true);
    EXPECT_TRUE(screen_.request_close());
    EXPECT_EQ(times_sent(ecf::CMD_CLOSE_PORT), 0);
}

TEST_F(QuickSaleScreenTest, OpeningTalksToThePrinterInOrderAndClosingGivesThePortBack) {
    ASSERT_TRUE(screen_.open());
    EXPECT_TRUE(messages().empty()) << testing::PrintToString(messages());
    // Nothing is left open: the printer is asked, and nothing closed.
    ASSERT_GE(sent().size(), 4u);
    EXPECT_EQ(std::vector<std::int32_t>(sent().begin(), sent().begin() + 4),
              (std::vector<std::int32_t>{ecf::CMD_OPEN_PORT, ecf::CMD_READ_COUPON_STATE,
                                         ecf::CMD_CHECK_SALE_STATE, ecf::CMD_READ_COUNTERS}));
    EXPECT_EQ(checkout_.jan_ecf_aberta, 1);
    EXPECT_EQ(checkout_.flag_desligar, 0);
    EXPECT_EQ(screen_.port_text(), "Com1: BALCORA");
    EXPECT_EQ(screen_.status_text(), "ABERTO");
    EXPECT_EQ(screen_.message_line(), "CAIXA LIVRE");
    EXPECT_EQ(screen_.date_text(), "07/12/2026");
    EXPECT_EQ(screen_.time_text(), "10:00:00");
    EXPECT_TRUE(screen_.supervisor());

    // No: the screen stays; Yes: it closes and gives the port back.
    sent().clear();
    EXPECT_FALSE(screen_.request_close());
    EXPECT_TRUE(screen_.is_open());
    prompt_.answer(true);
    EXPECT_TRUE(screen_.request_close());
    EXPECT_EQ(prompt_.count_containing("Confirma fechar Quick Sale?"), 2);
    EXPECT_EQ(sent(), std::vector<std::int32_t>{ecf::CMD_CLOSE_PORT});
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

TEST_F(QuickSaleScreenTest, APrinterThatIsNotReadyClosesThePortAgain) {
    refuse_next_command(ecf::CMD_CHECK_SALE_STATE);
    EXPECT_FALSE(screen_.open());
    EXPECT_EQ(sent(), (std::vector<std::int32_t>{ecf::CMD_OPEN_PORT, ecf::CMD_READ_COUPON_STATE,
                                                 ecf::CMD_CHECK_SALE_STATE, ecf::CMD_CLOSE_PORT}));
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

TEST_F(QuickSaleScreenTest, ALogoInTheProgramFolderIsShown) {
    const auto logo = data_root().program_dir() / "logo.jpg";
    std::filesystem::create_directories(logo.parent_path());
    std::ofstream(logo) << "jpg";
    open();
    EXPECT_EQ(screen_.logo(), logo);
}

// ---- selling ------------------------------------------------------------------

TEST_F(QuickSaleScreenTest, ACodeAndEnterRegistersTheItemOnTapeTotalAndPrinter) {
    open();
    sell(kCoffee, "2");
    EXPECT_TRUE(screen_.code_field.empty());
    EXPECT_TRUE(screen_.quantity_field.empty());
    ASSERT_EQ(screen_.tape().entries().size(), 1u);
    EXPECT_NE(screen_.tape().entries()[0].line1.find("CAFE TORRADO E MOIDO 500G"),
              std::string::npos);
    EXPECT_NE(screen_.tape().entries()[0].line2.find("37,80"), std::string::npos);
    EXPECT_EQ(util::to_br(screen_.coupon_total()), "37,80");
    EXPECT_EQ(util::to_br(screen_.shown().total), "37,80");
    EXPECT_GT(screen_.coupon_number(), 0);
    EXPECT_EQ(screen_.message_line(), "CUPOM ABERTO");
    EXPECT_EQ(times_sent(ecf::CMD_OPEN_COUPON), 1);
    EXPECT_EQ(times_sent(ecf::CMD_SELL_ITEM), 1);

    // A refused negative quantity leaves the product panel as it was.
    screen_.code_field = "-5*" + kRice;
    EXPECT_EQ(screen_.enter(), Enter::kRefused);
    EXPECT_EQ(messages().back(), "Quantidade inválida!");
    EXPECT_EQ(util::to_br(screen_.shown().total), "37,80");
    EXPECT_EQ(screen_.shown().quantity, util::Quantity::from_whole(2));

    sell(kRice);
    EXPECT_EQ(screen_.tape().entries().size(), 2u);
    EXPECT_EQ(util::to_br(screen_.coupon_total()), "65,29");
}

TEST_F(QuickSaleScreenTest, EmptyCodesMoveOnAndZeroOpensTheProductQuery) {
    open();
    screen_.code_field = "  ";
    EXPECT_EQ(screen_.enter(), Enter::kMovedOn);
    screen_.code_field = "0";
    EXPECT_EQ(screen_.enter(), Enter::kChosen);
    EXPECT_EQ(queries_, 1);
    EXPECT_EQ(screen_.code_field, kRice);
    EXPECT_EQ(screen_.enter(), Enter::kRegistered);

    // F2 consults without touching the product shown.
    const std::string shown = screen_.shown().product.descricao;
    EXPECT_TRUE(screen_.key("F2"));
    EXPECT_EQ(queries_, 2);
    EXPECT_EQ(screen_.shown().product.descricao, shown);
}

TEST_F(QuickSaleScreenTest, RefusedEntriesTellTheViewWhatToClear) {
    open();
    screen_.code_field = "999999";
    screen_.quantity_field = "2";
    EXPECT_EQ(screen_.enter(), Enter::kRefused);
    EXPECT_EQ(screen_.code_field, "999999");
    EXPECT_TRUE(screen_.quantity_field.empty());

    screen_.code_field = kCoffee;
    screen_.quantity_field = "2,5,1";
    EXPECT_EQ(screen_.enter(), Enter::kRefused);
    EXPECT_EQ(messages().back(), "Quantidade inválida!");
    EXPECT_EQ(times_sent(ecf::CMD_OPEN_COUPON), 0);

    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F';"), "1");
    screen_.quantity_field.clear();
    EXPECT_EQ(screen_.enter(), Enter::kRefused);
    EXPECT_TRUE(screen_.code_field.empty());
    EXPECT_EQ(messages().back(), "Caixa não esta aberto!");
}

TEST_F(QuickSaleScreenTest, ACloseRequestWithACouponOpenIsIgnoredSilently) {
    open();
    sell(kCoffee);
    prompt_.clear();
    EXPECT_TRUE(screen_.key("Esc"));
    EXPECT_FALSE(screen_.request_close());
    EXPECT_TRUE(screen_.is_open());
    EXPECT_TRUE(prompt_.shown().empty());
    EXPECT_EQ(times_sent(ecf::CMD_CLOSE_PORT), 0);
}

TEST_F(QuickSaleScreenTest, ADocumentLeftOpenIsClosedOrCancelledWhenTheNextScreenOpens) {
    // Only the document the printer has open is closed: closing one of
    // another kind would put the printer's refusal in front of the cashier.
    ASSERT_TRUE(ecf::printer().open_management_report());
    {
        Screen first{checkout_};
        ASSERT_TRUE(first.open());
        first.code_field = kCoffee;
        ASSERT_EQ(first.enter(), Enter::kRegistered);
    }  // the window went away with its coupon open on the printer
    ASSERT_TRUE(screen_.open());
    EXPECT_EQ(prompt_.count_containing("fora de sequência"), 0);
    EXPECT_EQ(times_sent(ecf::CMD_CLOSE_REPORT), 1);
    EXPECT_EQ(times_sent(ecf::CMD_CLOSE_VOUCHER), 0);
    EXPECT_EQ(prompt_.count_containing("Falta de energia detectada!"), 1);
    EXPECT_EQ(prompt_.count_containing("Cupom fiscal cancelado com sucesso!"), 1);
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(value("SELECT situacao||' '||total FROM balcora.cfiscal"), "C 18.90");
    EXPECT_TRUE(screen_.tape().entries().empty());
    sell(kRice);
    EXPECT_EQ(util::to_br(screen_.coupon_total()), "27,49");
    EXPECT_EQ(count("balcora.cfiscal"), 2);
}

// ---- keys ---------------------------------------------------------------------

TEST_F(QuickSaleScreenTest, LetterKeysActOnlyWhileTheCodeFieldIsEmpty) {
    open();
    screen_.code_field = "12";
    EXPECT_FALSE(screen_.key("R"));
    EXPECT_TRUE(sent().empty());
    screen_.code_field.clear();
    EXPECT_TRUE(screen_.key("R"));
    EXPECT_TRUE(screen_.key("F7"));
    EXPECT_EQ(times_sent(ecf::CMD_OPEN_DRAWER), 2);
    EXPECT_FALSE(screen_.key("Q"));
    EXPECT_FALSE(screen_.key("F12"));

    EXPECT_TRUE(screen_.key("Ctrl+5"));
    EXPECT_TRUE(screen_.key("H"));
    EXPECT_EQ(prompt_.count_containing("Favor usar menu fiscal!"), 2);
}

TEST_F(QuickSaleScreenTest, TheOptionsMenuAnswersWithACodeThatRunsItsAction) {
    open();
    std::vector<std::string> choices = {"AG", "", "DA"};
    screens_.provide_view<sale::OptionsMenu>([&choices](sale::OptionsMenu& m) {
        const std::string code = choices.front();
        choices.erase(choices.begin());
        for (std::size_t i = 0; i < sale::OptionsMenu::options().size(); ++i)
            if (sale::OptionsMenu::options()[i].code == code) m.choose(i);
    });
    EXPECT_TRUE(screen_.key("F8"));  // AG
    EXPECT_TRUE(screen_.key("T"));   // nothing chosen
    EXPECT_EQ(sent(), std::vector<std::int32_t>{ecf::CMD_OPEN_DRAWER});
    screen_.option("XY");
    EXPECT_EQ(messages(), std::vector<std::string>{"Opção inválida: XY"});
    EXPECT_TRUE(screen_.key("F8"));  // DA
    EXPECT_EQ(sent().back(), ecf::CMD_CANCEL_OPEN_DOCUMENT);
    screens_.provide_view<sale::OptionsMenu>({});

    sale::OptionsMenu menu;
    EXPECT_FALSE(menu.press('0'));
    EXPECT_TRUE(menu.is_open());
    EXPECT_TRUE(menu.press('6'));
    EXPECT_EQ(menu.code(), "LX");
    EXPECT_FALSE(menu.is_open());
}

TEST_F(QuickSaleScreenTest, DayFunctionsGoToTheirModuleOrSayTheyAreNotAvailable) {
    open();
    EXPECT_TRUE(screen_.key("Ctrl+1"));
    EXPECT_TRUE(screen_.key("F"));
    EXPECT_EQ(messages(),
              (std::vector<std::string>{
                  "Abertura do caixa (FUNCOESMAQECF) ainda não disponível nesta versão.",
                  "Fechamento do caixa (FUNCOESMAQECF) ainda não disponível nesta versão."}));

    std::vector<std::string> called;
    screens_.provide("FUNCOESMAQECF", [&called](const ui::ScreenPort::Arguments& args) {
        called.push_back(args.at(0));
        EXPECT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F';"), "1");
        return 0;
    });
    screen_.option("FC");
    EXPECT_EQ(called, std::vector<std::string>{"FechaCaixa"});
    EXPECT_EQ(screen_.status_text(), "FECHADO");
}

TEST_F(QuickSaleScreenTest, XReadingOnlyWithoutACouponAndAfterTheQuestion) {
    open();
    EXPECT_TRUE(screen_.key("G"));  // No
    EXPECT_EQ(times_sent(ecf::CMD_X_READING), 0);
    prompt_.answer(true);
    EXPECT_TRUE(screen_.key("Ctrl+2"));
    EXPECT_EQ(times_sent(ecf::CMD_X_READING), 1);
    ASSERT_EQ(prompt_.shown().size(), 2u);
    EXPECT_EQ(prompt_.shown()[0].title, "Leitura X");
    EXPECT_EQ(prompt_.shown()[0].text, "Confirma emitir leitura \"X\"?");

    sell(kCoffee);
    prompt_.clear();
    screen_.option("LX");
    EXPECT_EQ(confirms(), 0);
    EXPECT_EQ(times_sent(ecf::CMD_X_READING), 1);
}

TEST_F(QuickSaleScreenTest, ShuttingDownNeedsNoCouponAndASupervisor) {
    open();
    sell(kCoffee);
    prompt_.clear();
    EXPECT_TRUE(screen_.key("Ctrl+F11"));
    EXPECT_EQ(messages(), std::vector<std::string>{"Cupom fiscal aberto!"});
    EXPECT_EQ(checkout_.flag_desligar, 0);
}

TEST_F(QuickSaleScreenTest, ShuttingDownChangesOperatorAndRefusesANonSupervisor) {
    add_operator("caixa", access::kRightAccess);
    open();
    int& windows = change_logins({"caixa", "demo"});
    EXPECT_TRUE(screen_.key("P"));
    EXPECT_EQ(windows, 1);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_NE(messages()[0].find("Acesso negado!"), std::string::npos);
    EXPECT_FALSE(screen_.supervisor());
    EXPECT_EQ(screen_.operator_name(), "caixa");
    EXPECT_TRUE(screen_.is_open());

    prompt_.clear();
    prompt_.answer(true);
    EXPECT_TRUE(screen_.key("P"));
    EXPECT_EQ(windows, 2);
    EXPECT_EQ(prompt_.count_containing("Confirma sair do sistema e desligar o computador?"), 1);
    EXPECT_EQ(checkout_.flag_desligar, 1);
    EXPECT_FALSE(screen_.is_open());
    EXPECT_EQ(sent().back(), ecf::CMD_CLOSE_PORT);
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

TEST_F(QuickSaleScreenTest, WithdrawalNeedsTheDayOpenNoCouponAndASupervisorForItsDuration) {
    add_operator("caixa", access::kRightAccess);
    sign_in("caixa");
    open();
    EXPECT_FALSE(screen_.supervisor());
    int movements = 0;
    screens_.provide("TELA_SA_SU",
                     [&movements](const ui::ScreenPort::Arguments&) { return ++movements; });

    // A supervisor signs in for it, and the cashier takes the checkout back.
    int& windows = change_logins({"demo", "caixa"});
    EXPECT_TRUE(screen_.key("O"));
    EXPECT_EQ(movements, 1);
    EXPECT_EQ(windows, 2);
    EXPECT_EQ(screen_.operator_name(), "caixa");

    // Nobody signs in: nothing happens.
    int& none = change_logins({});
    screen_.option("SS");
    EXPECT_EQ(movements, 1);
    EXPECT_EQ(none, 1);

    // With a coupon open, or the day closed, not even the operator is asked.
    sign_in("demo");
    sell(kCoffee);
    int& asked = change_logins({});
    EXPECT_TRUE(screen_.key("Ctrl+6"));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(movements, 1);
}

TEST_F(QuickSaleScreenTest, CancellingACouponAsksForASupervisorAndTheQuestion) {
    open();
    sell(kCoffee);
    prompt_.clear();
    struct Cancellations : sale::CouponProcedures {
        std::vector<bool> cancelled_open;
        bool cancel_coupon(CheckoutState&, bool coupon_open, std::int64_t) override {
            cancelled_open.push_back(coupon_open);
            return true;
        }
    } procedures;
    service_port_.provide<sale::CouponProcedures>(&procedures);
    const std::vector<bool>& cancelled_open = procedures.cancelled_open;
    change_logins({});
    EXPECT_TRUE(screen_.key("F4"));  // No
    EXPECT_TRUE(cancelled_open.empty());
    prompt_.answer(true);
    EXPECT_TRUE(screen_.key("Ctrl+3"));
    EXPECT_EQ(cancelled_open, std::vector<bool>{true});
    EXPECT_EQ(prompt_.shown()[0].title, "Cancelar?");
    EXPECT_EQ(prompt_.shown()[0].text, "Confirma cancelar cupom atual/anterior?");
    EXPECT_EQ(screen_.tape().entries().back(), sale::coupon_cancelled_entry());
    // A cancelled coupon leaves nothing to pay on the screen.
    EXPECT_EQ(util::to_br(screen_.coupon_total()), "0,00");
}

TEST_F(QuickSaleScreenTest, ItemCancellationOnlyWithItemsAndACouponOpen) {
    open();
    EXPECT_TRUE(screen_.key("F3"));
    EXPECT_EQ(item_windows_, 0);
    sell(kCoffee);
    sell(kRice);
    item_to_cancel_ = 1;
    prompt_.answer(true);
    EXPECT_TRUE(screen_.key("F3"));
    EXPECT_EQ(item_windows_, 1);
    EXPECT_EQ(times_sent(ecf::CMD_CANCEL_ITEM), 1);
    EXPECT_EQ(util::to_br(screen_.coupon_total()), "27,49");
    EXPECT_NE(screen_.tape().text().find("****   ITEM Nº 0001 CANCELADO"), std::string::npos);
    item_to_cancel_.reset();
    screen_.option("CI");
    EXPECT_EQ(item_windows_, 2);
    EXPECT_EQ(times_sent(ecf::CMD_CANCEL_ITEM), 1);
}

// ---- payment ------------------------------------------------------------------

class QuickSalePayment : public QuickSaleScreenTest {
  protected:
    // A payment module that registers `amount` in cash: the payment row, the
    // amount received and the change, as the payment screen leaves them.
    void pay_with(const std::string& amount, const std::string& change = "0") {
        screens_.provide(
            "FINALIZACUPOM", [this, amount, change](const ui::ScreenPort::Arguments& args) {
                const std::string mode = args.at(0);
                modes_.emplace_back(mode);
                const std::string id = std::to_string(screen_.session().coupon_id());
                checkout_.fp_iniciada = 1;
                checkout_.trocotela = util::Money::from_units(std::stoll(change) * 100);
                EXPECT_EQ(QUERYSQL("INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor) "
                                   "SELECT " +
                                   id + ", coalesce(max(ordem), 0) + 1, " +
                                   TXTSQL(mode.empty() ? "DI" : mode) + ", " + amount +
                                   " FROM balcora.cfiscalfp WHERE id_cfiscal=" + id + ";"),
                          "1");
                EXPECT_EQ(QUERYSQL("UPDATE balcora.cfiscal SET vl_recebido=coalesce(vl_recebido, "
                                   "0) + " +
                                   amount + " WHERE id_cfiscal=" + id + ";"),
                          "1");
                return 1;
            });
    }
    std::vector<std::string> modes_;
};

TEST_F(QuickSalePayment, APartPaymentShowsTotalAndPaymentAndKeepsTheCouponOpen) {
    open();
    sell(kCoffee);
    pay_with("10.00");
    EXPECT_TRUE(screen_.key("Alt+1"));
    EXPECT_EQ(modes_, std::vector<std::string>{"DI"});
    const std::string tape = screen_.tape().text();
    EXPECT_NE(tape.find("Total"), std::string::npos);
    EXPECT_NE(tape.find("Dinheiro"), std::string::npos);
    EXPECT_TRUE(screen_.coupon_open());
    EXPECT_EQ(screen_.message_line(), "CUPOM EM PAGAMENTO");
}

TEST_F(QuickSalePayment, PaymentReachingTheTotalCompletesTheCouponWithTheChange) {
    open();
    sell(kCoffee);
    pay_with("20.00", "1");
    EXPECT_TRUE(screen_.key("J"));
    EXPECT_EQ(modes_, std::vector<std::string>{"VA"});
    ASSERT_EQ(screen_.tape().entries().size(), 1u);
    EXPECT_EQ(screen_.tape().entries()[0], sale::change_entry(util::Money::from_whole(1)));
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_FALSE(screen_.coupon_open());
    EXPECT_EQ(screen_.message_line(), "CUPOM FINALIZADO - OBRIGADO PELA PREFERÊNCIA");
    // Nothing holds the screen any more.
    prompt_.answer(true);
    EXPECT_TRUE(screen_.request_close());
}

TEST_F(QuickSalePayment, NoPaymentWithoutACouponOrWithATotalOfZero) {
    open();
    pay_with("1.00");
    EXPECT_TRUE(screen_.key("A"));
    EXPECT_TRUE(screen_.key("F10"));
    sell(kCoffee);
    item_to_cancel_ = 1;
    prompt_.answer(true);
    screen_.option("CI");
    ASSERT_TRUE(screen_.coupon_total().is_zero());
    EXPECT_TRUE(screen_.key("Alt+6"));
    EXPECT_TRUE(modes_.empty());
    EXPECT_TRUE(screen_.key("F10"));  // F10 only needs the coupon open
    EXPECT_EQ(modes_, std::vector<std::string>{""});
    EXPECT_TRUE(screen_.coupon_open());
}

TEST_F(QuickSalePayment, OneAdjustmentPerCoupon) {
    open();
    sell(kCoffee);
    std::vector<std::string> modes;
    screens_.provide("FINALIZACUPOM", [&modes](const ui::ScreenPort::Arguments& args) {
        modes.push_back(args.at(0));
        return 0;
    });
    EXPECT_TRUE(screen_.key("Alt+7"));
    EXPECT_TRUE(screen_.key("M"));
    EXPECT_EQ(modes, (std::vector<std::string>{"Desc", "Acre"}));
    ASSERT_EQ(QUERYSQL("UPDATE balcora.cfiscal SET vl_desconto=1;"), "1");
    EXPECT_TRUE(screen_.key("D"));
    EXPECT_EQ(modes.size(), 2u);
    EXPECT_EQ(messages().back(), "Já existe acréscimo ou desconto lançado neste cupom!");
}

TEST_F(QuickSalePayment, WithoutThePaymentModuleTheOperatorIsTold) {
    open();
    sell(kCoffee);
    prompt_.clear();
    EXPECT_TRUE(screen_.key("F10"));
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Pagamento do cupom (FINALIZACUPOM) ainda não disponível nesta "
                              "versão."});
    EXPECT_TRUE(screen_.coupon_open());
}

// ---- timer --------------------------------------------------------------------

TEST_F(QuickSaleScreenTest, EveryEleventhTickMovesClockAndPicturesWrapping) {
    const auto folder = data_root().map("..\\figuras\\");
    std::filesystem::create_directories(folder);
    for (const char* name : {"b.png", "a.jpg", "notas.txt"}) std::ofstream(folder / name) << "x";
    open();
    EXPECT_EQ(screen_.picture(), folder / "a.jpg");
    clock_.set({2026, 12, 7, 10, 0, 42});
    std::vector<std::string> shown;
    for (int i = 1; i <= 33; ++i) {
        const auto r = screen_.tick();
        EXPECT_EQ(r.clock, i % 11 == 0) << i;
        if (r.picture) shown.push_back(screen_.picture().filename().string());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"b.png", "a.jpg", "b.png"}));
    EXPECT_EQ(screen_.time_text(), "10:00:42");
}

TEST_F(QuickSaleScreenTest, CodesFromTheScannerAreSoldOnTheTick) {
    PtyPair pty;
    ASSERT_TRUE(write_ini("PDV", "Porta COM2", pty.slave_path(), "balcora.ini"));
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET modelo_scanner=2, porta_com_scanner=2;"), "1");
    open();
    pty.send(kCoffee + "\r\n" + kRice + "\r\n");
    int codes = 0;
    for (int i = 0; i < 200 && codes < 2; ++i) codes += screen_.tick().codes;
    EXPECT_EQ(codes, 2);
    EXPECT_EQ(screen_.tape().entries().size(), 2u);
    EXPECT_EQ(util::to_br(screen_.coupon_total()), "46,39");
}

}  // namespace balcora::test
