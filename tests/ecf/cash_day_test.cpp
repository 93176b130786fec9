// The cash day against the virtual printer: opening, sale, withdrawal and
// closing, the closing-hour rules, the recovery of an unfinished closing and
// the printer's refusals.
#include "ecf/cash_day.h"
#include "ecf/cash_day_fixture.h"
#include "ecf/closing_hour.h"
#include "ecf/printer_layouts.h"
#include "ecf/printer_window_gates.h"
#include "fiscal/cash_day_services.h"
#include "fiscal/ead_signing.h"
#include "fiscal/monthly_cotepe_file.h"
#include "support/amounts.h"

namespace balcora::test {

using namespace ecf;
using Strings = std::vector<std::string>;

class CashDay : public CashDayFixture {
  protected:
    // A coupon of one item of 18,90 paid in cash, straight on the printer.
    void sell_coupon() {
        ItemRecordFields item;
        item.code = "7891000315507";
        item.description = "CAFE TORRADO";
        item.unit_price = util::Fixed<3>::from_units(18'900);
        item.quantity = thousandths(1'000);
        item.total = cents(1'890);
        item.tax_code = "01";
        item.unit = "UN";
        item.tax_rate = cents(1'800);
        ASSERT_TRUE(send(CMD_OPEN_COUPON, {consumer_document("")}));
        ASSERT_TRUE(send(CMD_SELL_ITEM, {*item_record(item), "0", "T", item_code(item.code)}));
        ASSERT_TRUE(send(CMD_START_CLOSING, {*start_closing(Adjustment::kNone, {})}));
        ASSERT_TRUE(send(CMD_PAYMENT, {*payment("Dinheiro", cents(2'000))}));
        ASSERT_TRUE(send(CMD_CLOSE_COUPON, {coupon_footer("")}));
    }
    std::string reg60m(const std::string& day, const std::string& columns) {
        return value("SELECT " + columns + " FROM balcora.reg60m WHERE data='" + day + "';");
    }
};

TEST_F(CashDay, AWholeDayFromTheOpeningSupplyToTheClosedRecords) {
    // The program's own registers file, as the day close calls it.
    std::vector<bool> files;
    services_.registers = [&files](util::DayNumber day) {
        files.push_back(fiscal::cash_day_services().registers(day));
        return bool(files.back());
    };
    at(7, 8, 0);
    amounts_ = {"0,00", "-5,00", "150,00"};
    prompt_.answer(true);
    EXPECT_EQ(run("AbreCaixa"), 1) << testing::PrintToString(messages());
    EXPECT_EQ(prompt_.count_containing("maior que zero"), 2);
    EXPECT_EQ(day_state(), "A 07/12");
    EXPECT_EQ(logged("abridia"), Strings{"05*01*85 Valor:    150,00"});
    EXPECT_EQ(reg60m("2026-12-07", "sit_blocox||' '||vl_venda_bruta||' '||num_cont_red_z"),
              "P 0.00 0");

    prompt_.clear();
    EXPECT_EQ(run("AbreCaixa"), 0);
    EXPECT_EQ(messages(), Strings{"Função de abertura do dia já foi executada!"});

    sell_coupon();
    movement_amount_ = "50,00";
    EXPECT_TRUE(TELA_SA_SU());
    EXPECT_EQ(logged("sup/sangria"), Strings{"Sangria 05*22*85 Valor:     50,00"});

    // A Monday closes from six in the evening on; the printer is not asked.
    at(7, 17, 59);
    prompt_.clear();
    EXPECT_EQ(run("FechaCaixa"), 0);
    EXPECT_EQ(messages(), Strings{"Fechamento só pode ser executado após as 18:00 horas!"});
    EXPECT_EQ(day_state(), "A 07/12");

    at(7, 18, 0);
    prompt_.clear();
    prompt_.answer(true);
    EXPECT_EQ(run("FechaCaixa"), 1) << testing::PrintToString(messages());
    EXPECT_EQ(day_state(), "F 07/12");
    EXPECT_EQ(reg60m("2026-12-07", "sit_blocox||' '||vl_venda_bruta||' '||num_cont_red_z"),
              "P 18.90 1");
    const Strings steps = logged("fechadia");
    ASSERT_GE(steps.size(), 8u);
    EXPECT_EQ(Strings(steps.begin(), steps.begin() + 3),
              (Strings{"Redução Z", "Reg60m", "Inicia Registro PAF"}));
    EXPECT_EQ(Strings(steps.end() - 5, steps.end()),
              (Strings{"Finaliza Registro PAF", "Gaveta", "Bloco X Redução Z", "Bloco X Estoque",
                       "Backup"}));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0]);
    // Named after the day closed.
    int named_after_day = 0;
    for (const auto& f : std::filesystem::directory_iterator(fiscal::pafecf_folder()))
        named_after_day += f.path().filename().string().ends_with("07122026.txt");
    EXPECT_EQ(named_after_day, 1);
    EXPECT_EQ(blocox_, (Strings{"EnviarReducaoZ", "EnviarEstoque"}));
    EXPECT_EQ(backups_, 1);
    EXPECT_FALSE(marker());
    EXPECT_EQ(messages().back(), "Redução Z e Processo do PAF-ECF execultado com Sucesso!");
    EXPECT_EQ(glo::rz_pendente, 0);

    prompt_.clear();
    EXPECT_EQ(run("AbreCaixa"), 0);
    EXPECT_EQ(messages(), Strings{"O caixa já foi aberto e fechado no dia 07/12/2026!"});
}

TEST(ClosingHour, ConfiguredTimesTheWeekdayDefaultsAndTheUnlock) {
    struct Case {
        const char* what;
        int day, hour, minute;  // of December 2026 (the 9th is a Wednesday)
        int open_day;
        const char* wednesday;  // "Qua" of HorarioFechamento
        bool unlocked;
        const char* refusal;  // nullptr: the day may close
    };
    const Case cases[] = {
        {"Wednesday 17:59", 9, 17, 59, 9, "", false, "18:00"},
        {"Wednesday 18:00", 9, 18, 0, 9, "", false, nullptr},
        {"Saturday 12:00", 12, 12, 0, 12, "", false, nullptr},
        {"Saturday 11:59", 12, 11, 59, 12, "", false, "12:00"},
        {"Sunday 11:30", 13, 11, 30, 13, "", false, "12:00"},
        {"the open day's weekday decides", 14, 13, 0, 12, "", false, nullptr},
        {"configured, a minute early", 9, 16, 29, 9, "16:30", false, "16:30"},
        {"configured, on time", 9, 16, 30, 9, "16:30:00", false, nullptr},
        {"configured later than the default", 9, 20, 0, 9, "22:00", false, "22:00"},
        {"an unreadable time falls back", 9, 17, 0, 9, "25:00", false, "18:00"},
        {"unlocked", 9, 8, 0, 9, "22:00", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClosingHours hours;
        hours.unlocked = c.unlocked;
        hours.by_weekday[3] = c.wednesday;
        const auto refusal = closing_hour_refusal({2026, 12, c.day, c.hour, c.minute, 0},
                                                  util::day_number(2026, 12, c.open_day), hours);
        if (!c.refusal) {
            EXPECT_FALSE(refusal) << *refusal;
            continue;
        }
        ASSERT_TRUE(refusal);
        EXPECT_EQ(*refusal,
                  "Fechamento só pode ser executado após as " + std::string(c.refusal) + " horas!");
    }
}

TEST_F(CashDay, AZPendingFromYesterdayClosesAtAnyHourWithoutTheQuestion) {
    at(5, 10, 0);
    open_day("80,00");
    at(7, 9, 0);
    prompt_.clear();
    EXPECT_EQ(run("FechaCaixa"), 1) << testing::PrintToString(messages());
    EXPECT_EQ(prompt_.count_containing("Confirma fechar o caixa"), 0);
    EXPECT_EQ(day_state(), "F 05/12");
    EXPECT_EQ(reg60m("2026-12-05", "num_cont_red_z"), "1");
    EXPECT_EQ(registers_.at(0), december(5));

    open_day("80,00");
    EXPECT_EQ(day_state(), "A 07/12");
}

TEST_F(CashDay, AClosingThatCouldNotRecordItsDayEndsTheProgramAndTheWindowRepeatsOnlyThat) {
    at(7, 8, 0);
    open_day("100,00");
    at(7, 19, 0);
    refuse(CMD_RECORD_REG60M);
    prompt_.clear();
    prompt_.answer(true);
    EXPECT_EQ(run("FechaCaixa"), 0);
    EXPECT_EQ(ended_, 1);
    EXPECT_TRUE(marker());
    EXPECT_EQ(interrupted_closing_day(), december(7));
    EXPECT_EQ(messages().back(),
              "Sistema será totalmente fechado, Você poderá reabri-lo em seguida!");
    EXPECT_EQ(prompt_.count_containing("com Sucesso"), 0);
    EXPECT_EQ(reg60m("2026-12-07", "num_cont_red_z"), "0");
    EXPECT_TRUE(registers_.empty()) << "no registers file from the day's placeholder";

    // The next opening of the window records the day again, then builds the
    // registers file, and the backup, which failed meanwhile, runs again too.
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Backup", "Situacao", "0"));
    screens_.provide_view<PrinterFunctionsScreen>([this](PrinterFunctionsScreen& s) {
        EXPECT_EQ(s.status_line(), "");
        EXPECT_EQ(checkout_.jan_ecf_aberta, 1);
    });
    prompt_.clear();
    run("");
    EXPECT_FALSE(marker()) << testing::PrintToString(messages());
    EXPECT_EQ(reg60m("2026-12-07", "num_cont_red_z||' '||sit_blocox"), "1 P");
    EXPECT_EQ(count("balcora.reg60m"), 1);
    const Strings steps = logged("fechadia");
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "Reg60m"), 1);
    ASSERT_EQ(registers_.size(), 1u);
    EXPECT_EQ(registers_[0], december(7));
    EXPECT_EQ(backups_, 2);
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

TEST_F(CashDay, ARecoveryLeavesADayAlreadySentToTheAuthorityAsItIs) {
    at(7, 8, 0);
    open_day("100,00");
    at(7, 19, 0);
    refuse(CMD_RECORD_REG60M);
    prompt_.answer(true);
    run("FechaCaixa");
    ASSERT_TRUE(marker());
    ASSERT_EQ(QUERYSQL("UPDATE balcora.reg60m SET sit_blocox='T' WHERE data='2026-12-07';"), "1");

    // Were the printer asked, it would refuse, and the marker would stay.
    refuse(CMD_RECORD_REG60M);
    screens_.provide_view<PrinterFunctionsScreen>([](PrinterFunctionsScreen&) {});
    run("");
    EXPECT_FALSE(marker()) << testing::PrintToString(messages());
    EXPECT_EQ(reg60m("2026-12-07", "num_cont_red_z||' '||sit_blocox"), "0 T");
}

TEST_F(CashDay, PrinterRefusalsStopTheStepAndLeaveOnlyTheirLogRows) {
    at(7, 8, 0);
    amounts_ = {"100,00"};
    refuse(CMD_READ_COUNTERS);
    prompt_.answer(true);
    EXPECT_EQ(run("AbreCaixa"), 0);
    refuse(CMD_OPEN_DAY);
    prompt_.answer(true);
    EXPECT_EQ(run("AbreCaixa"), 0);
    EXPECT_EQ(day_state(), "F 06/12");
    EXPECT_EQ(logged("abridia"), (Strings{" Valor:    100,00", "05 Valor:    100,00"}));
    EXPECT_EQ(count("balcora.reg60m"), 0);

    open_day("100,00");
    refuse(CMD_CASH_MOVEMENT);
    movement_amount_ = "30,00";
    EXPECT_FALSE(TELA_SA_SU());
    EXPECT_TRUE(left_open_);
    EXPECT_EQ(logged("sup/sangria"), Strings{"Sangria 05 Valor:     30,00"});

    at(7, 19, 0);
    refuse(CMD_Z_REDUCTION);
    prompt_.answer(true);
    EXPECT_EQ(run("FechaCaixa"), 0);
    EXPECT_EQ(day_state(), "A 07/12");
    EXPECT_FALSE(marker());
    EXPECT_TRUE(logged("fechadia").empty());
    EXPECT_EQ(ended_, 0);
}

TEST_F(CashDay, RefusedSideCommandsLeaveTheirStepOutAndTheDayGoesOn) {
    at(7, 8, 0);
    refuse(CMD_OPEN_DRAWER);
    open_day("40,00");
    EXPECT_EQ(day_state(), "A 07/12");
    EXPECT_EQ(logged("abridia"), Strings{"05*01 Valor:     40,00"});

    // Summer time is due after the reduction, but the printer refuses it, and
    // the drawer too: neither is logged, and the records are complete.
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET horario_verao=1;"), "1");
    refuse(CMD_TOGGLE_SUMMER_TIME);
    refuse(CMD_OPEN_DRAWER);
    at(7, 19, 0);
    prompt_.clear();
    prompt_.answer(true);
    EXPECT_EQ(run("FechaCaixa"), 1) << testing::PrintToString(messages());
    EXPECT_TRUE(logged("horaverao").empty());
    EXPECT_EQ(glo::hr_ativo, 0);
    const Strings steps = logged("fechadia");
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "Gaveta"), 0);
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "Reg60m"), 1);
    EXPECT_FALSE(marker());
}

TEST_F(CashDay, TheWindowChecksItsCallerAndItsControlsFollowTheDay) {
    EXPECT_EQ(run("Fecha"), 0);
    checkout_.jan_ecf_aberta = 1;
    EXPECT_EQ(run(""), 0);
    checkout_.jan_ecf_aberta = 0;
    ASSERT_TRUE(write_ini("PDV", "Configuração OK", "0", "balcora.ini"));
    EXPECT_EQ(run(""), 0);
    EXPECT_EQ(messages(), (Strings{"Parametro inválido: Fecha", kPrinterWindowOpen,
                                   "IF ainda não configurada!"}));
    ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));

    at(7, 8, 0);
    prompt_.clear();
    using C = PrinterFunctionsScreen::Control;
    screens_.provide_view<PrinterFunctionsScreen>([this](PrinterFunctionsScreen& s) {
        EXPECT_EQ(s.point_of_sale_text().rfind("Caixa: 0", 0), 0u) << s.point_of_sale_text();
        EXPECT_FALSE(s.visible(C::kCancelCurrentCoupon));
        s.act(C::kCancelCurrentCoupon);  // hidden: nothing happens
        s.reveal_hidden();
        EXPECT_TRUE(s.visible(C::kCancelCurrentCoupon));
        s.act(C::kCashMovement);
        EXPECT_TRUE(s.enabled(C::kProgramTaxRates));
        amounts_ = {"20,00"};
        prompt_.answer(true);
        s.act(C::kOpenDay);
        EXPECT_FALSE(s.enabled(C::kProgramTaxRates));
        s.act(C::kXReading);
        refuse(CMD_X_READING);
        s.act(C::kXReading);
        refuse(CMD_Z_REDUCTION);
        at(7, 19, 0);
        prompt_.answer(true);
        s.act(C::kCloseDay);
        EXPECT_EQ(s.status_line(), "ERRO!!!");
        s.act(C::kClose);
        EXPECT_FALSE(s.is_open());
    });
    run("");
    EXPECT_EQ(prompt_.count_containing("Caixa não está aberto!"), 1);
    EXPECT_EQ(day_state(), "A 07/12");
    EXPECT_EQ(logged("lx"), (Strings{"lx ok", "lx erro"}));
    EXPECT_TRUE(logged("canccf").empty());
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

TEST_F(CashDay, TheMonthlyFileMovesItsSendingDateOnlyWhenTheMailWent) {
    // A day in November, then one in December: November's file is due.
    clock_.set({2026, 11, 30, 8, 0, 0});
    open_day("10,00");
    clock_.set({2026, 11, 30, 19, 0, 0});
    prompt_.answer(true);
    ASSERT_EQ(run("FechaCaixa"), 1);
    at(7, 8, 0);
    open_day("10,00");
    at(7, 19, 0);
    prompt_.answer(true);
    ASSERT_EQ(run("FechaCaixa"), 1);
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "AtoCOTEPE", "S"));
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "EmailAtoCOTEPE", "contador@example.com"));
    MaqecfRecord printer;
    ASSERT_TRUE(read_day_state(printer));
    const auto period = fiscal::monthly_file_period(printer);
    ASSERT_TRUE(period);
    EXPECT_EQ(period->first, util::day_number(2026, 11, 1));
    EXPECT_EQ(period->second, util::day_number(2026, 11, 30));

    std::vector<fiscal::MonthlyFileMail> mails;
    bool delivered = false;
    const fiscal::MonthlyFileMailer mail = [&](const fiscal::MonthlyFileMail& m) {
        mails.push_back(m);
        return fiscal::MailOutcome{delivered, delivered ? "" : "relay fora do ar"};
    };
    EXPECT_FALSE(fiscal::send_monthly_cotepe_file(printer, mail))
        << testing::PrintToString(messages());
    EXPECT_EQ(LEREGISTRO("balcora", "envia_atocotepe", "dataenvia_atocotepe", ""), "");
    EXPECT_EQ(prompt_.count_containing("relay fora do ar"), 1);
    delivered = true;
    EXPECT_TRUE(fiscal::send_monthly_cotepe_file(printer, mail));
    EXPECT_EQ(LEREGISTRO("balcora", "envia_atocotepe", "dataenvia_atocotepe", ""), "07/12/2026");
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[1].recipient, "contador@example.com");
    EXPECT_EQ(mails[1].subject.rfind("Ato COTEPE 17/04 - (07/12/2026) - 0001 - ", 0), 0u);
    EXPECT_NE(mails[1].attachment.filename().string().find("AC1704_TDM_"), std::string::npos);
    EXPECT_FALSE(fiscal::monthly_file_period(printer));
}

TEST_F(CashDay, ClosingsCutShortAreEachKeptAndCompletedWhereverADayFunctionStarts) {
    at(7, 8, 0);
    open_day("100,00");
    at(7, 19, 0);
    refuse(CMD_RECORD_REG60M);
    prompt_.answer(true);
    run("FechaCaixa");
    ASSERT_EQ(interrupted_closing_day(), december(7));

    // The next day opens and closes from the sale screens' parameters; the
    // printer refuses the recovery both times and the day-8 closing too.
    at(8, 8, 0);
    refuse(CMD_RECOVER_REG60M);
    open_day("100,00");
    EXPECT_EQ(prompt_.count_containing("Sistema não está conseguido atualizar pendência"), 1);
    at(8, 19, 0);
    refuse(CMD_RECOVER_REG60M);
    refuse(CMD_RECORD_REG60M);
    prompt_.answer(true);
    run("FechaCaixa");
    EXPECT_EQ(interrupted_closing_days(), (std::vector<util::DayNumber>{december(7), december(8)}));
    EXPECT_EQ(value("SELECT valor FROM balcora.registro WHERE chave='ERRO_REDUCAO' AND "
                    "nome='REDUCAO'"),
              "07/12/2026")
        << "the oldest day keeps the marker Bloco X reads";
    EXPECT_TRUE(registers_.empty());

    // Opening day 9 completes both, each file after its day's reduction.
    at(9, 8, 0);
    open_day("100,00");
    EXPECT_TRUE(interrupted_closing_days().empty()) << testing::PrintToString(messages());
    ASSERT_EQ(registers_.size(), 2u);
    EXPECT_EQ(registers_[0], december(7));
    EXPECT_EQ(registers_[1], december(8));
    EXPECT_EQ(value("SELECT string_agg(num_cont_red_z::text, ' ' ORDER BY data) FROM "
                    "balcora.reg60m WHERE data<'2026-12-09'"),
              "1 2");
    EXPECT_EQ(day_state(), "A 09/12");
}

}  // namespace balcora::test
