// The program's side of the boundary against the real virtual printer,
// loaded at run time through the loader as the program loads it.
#include "db/query_sql.h"
#include "db/settings.h"
#include "demo/demo_data.h"
#include "ecf/maqecf_record.h"
#include "ecf/printer.h"
#include "ecf/printer_configuration_check.h"
#include "ecf/printer_driver.h"
#include "ecf/printer_layouts.h"
#include "ecf/tape_file.h"
#include "forms/maqecf_form.h"
#include "globals/globals.h"
#include "support/amounts.h"
#include "support/test_database.h"
#include "util/day_number.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace balcora::test {

namespace fs = std::filesystem;
using namespace ecf;

class VirtualPrinter : public DbTest {
  protected:
    void SetUp() override {
        if (!fs::exists(default_driver_path())) GTEST_SKIP() << "virtual printer not built";
        ASSERT_TRUE(load_demo_data());
        glo::numfab = demo::kPrinterSerial;
        glo::id_empresa = demo::kCompanyId;
        ASSERT_TRUE(load_driver(default_driver_path()));
        prompt_.clear();
    }
    void TearDown() override { unload_driver(); }

    std::string tape() {
        std::ifstream in(tape_file(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string column(const std::string& sql) { return QUERYSQL(sql); }
    // Every command must pass; a refusal names itself in the failure.
    void expect_sent(Command command, std::initializer_list<Param> params = {}) {
        const std::size_t before = prompt_.shown().size();
        EXPECT_TRUE(send(command, params))
            << "command " << command << ": "
            << (prompt_.shown().size() > before ? prompt_.shown().back().text
                                                : std::string("(no message)"));
    }
};

TEST_F(VirtualPrinter, StartUpConfiguresTheDemoPrinter) {
    const PrinterCheck check = check_printer_configuration();
    EXPECT_EQ(check.outcome, PrinterCheck::Outcome::kConfigured);
    EXPECT_EQ(glo::mfd, 1);
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(VirtualPrinter, TheTapeIsWhereTheWindowLooks) {
    expect_sent(CMD_X_READING);
    ASSERT_FALSE(tape_file().empty());
    EXPECT_EQ(tape_file(),
              root_.path() / "sistemas" / "balcora" / "ecf" / demo::kPrinterSerial / "bobina.txt");
    EXPECT_FALSE(tape().empty());
}

TEST_F(VirtualPrinter, ASaleWindowOpensAndAManagementReportIsRegistered) {
    expect_sent(CMD_OPEN_DAY, {*opening_supply(cents(10'000))});
    EXPECT_EQ(column("SELECT situacao||'|'||data_sit FROM balcora.maqecf;"), "A|2026-12-07");

    expect_sent(CMD_OPEN_PORT);
    expect_sent(CMD_CHECK_SALE_STATE);
    expect_sent(CMD_READ_COUNTERS);
    EXPECT_GT(n_coo, 0);

    expect_sent(CMD_OPEN_REPORT, {"RG"});
    expect_sent(CMD_REPORT_LINE, {document_line("CONFERÊNCIA DE CAIXA")});
    expect_sent(CMD_REPORT_LINE, {document_line("Operador: ANA")});
    expect_sent(CMD_CLOSE_REPORT);
    expect_sent(CMD_READ_DATETIME);
    expect_sent(CMD_REGISTER_DOCUMENT, {"RG", document_amount(cents(0))});
    expect_sent(CMD_READ_COUNTERS);

    EXPECT_EQ(column("SELECT count(*) FROM balcora.docecf;"), "1");
    EXPECT_EQ(column("SELECT tipo||'|'||num_coo||'|'||data||'|'||valor FROM balcora.docecf;"),
              "RG|" + std::to_string(n_coo) + "|2026-12-07|0.00");
    EXPECT_NE(tape().find("CONFERÊNCIA DE CAIXA"), std::string::npos);
    expect_sent(CMD_CLOSE_PORT);
}

TEST_F(VirtualPrinter, AWholeDayRunsThroughTheLayouts) {
    expect_sent(CMD_PROGRAM_TAX_RATES);
    expect_sent(CMD_PROGRAM_PAYMENT_METHODS);
    expect_sent(CMD_OPEN_DAY, {*opening_supply(cents(5'000))});
    expect_sent(CMD_CASH_MOVEMENT, {*cash_movement(CashMovement::kSupply, cents(2'000))});

    // One coupon with a customer, an item and a cash payment.
    expect_sent(CMD_CHECK_SALE_STATE);
    expect_sent(CMD_CHECK_PRINTER);
    expect_sent(CMD_READ_COUNTERS);
    const int coo_before = n_coo;
    expect_sent(CMD_OPEN_COUPON, {consumer_document("123.456.789-09")});
    ItemRecordFields rice;
    rice.code = "2";
    rice.ncm = 10063021;
    rice.description = "ARROZ TIPO 1 5KG";
    rice.unit_price = util::Fixed<3>::from_units(27'490);
    rice.quantity = thousandths(2'000);
    rice.total = cents(5'498);
    rice.tax_code = "02";
    rice.unit = "UN";
    rice.tax_rate = cents(700);
    auto record = item_record(rice);
    ASSERT_TRUE(record);
    expect_sent(CMD_SELL_ITEM, {*record, "0", "T", item_code("2")});
    expect_sent(CMD_READ_DATETIME);
    expect_sent(CMD_START_CLOSING, {*start_closing(Adjustment::kNone, {})});
    expect_sent(CMD_PAYMENT, {*payment("DINHEIRO", cents(6'000), "")});
    expect_sent(
        CMD_IDENTIFY_CONSUMER,
        {consumer_identification("JOÃO DA SILVA", "RUA DAS FLORES, 120", "123.456.789-09")});
    expect_sent(CMD_CLOSE_COUPON,
                {coupon_footer("Obrigado pela preferência!"), *coupon_invoice_number(0)});
    expect_sent(CMD_OPEN_DRAWER);
    expect_sent(CMD_READ_COUNTERS);
    EXPECT_GT(n_coo, coo_before);

    expect_sent(CMD_X_READING);
    const util::DayNumber today = util::day_number(2026, 12, 7);
    expect_sent(CMD_Z_REDUCTION);
    expect_sent(CMD_RECORD_REG60M);
    EXPECT_EQ(column("SELECT situacao FROM balcora.maqecf;"), "F");
    EXPECT_EQ(column("SELECT count(*) FROM balcora.reg60m WHERE data='2026-12-07';"), "1");

    // Readings and files of the fiscal menu.
    const fs::path folder = root_.path() / "sistemas" / "balcora" / "pafecf";
    fs::create_directories(folder);
    expect_sent(CMD_LMF_PRINT_BY_DATE, {*reading_by_date(today, today, Reading::kSimplified)});
    expect_sent(CMD_LMF_PRINT_BY_CRZ, {*reading_by_crz(1, 1, Reading::kComplete)});
    const struct {
        Command command;
        std::optional<std::string> p1;
        const char* file;
    } files[] = {
        {CMD_DOWNLOAD_MF, path_field(folder / "mf.bin"), "mf.bin"},
        {CMD_LMF_FILE_BY_DATE,
         reading_file_by_date(folder / "lmfd.txt", today, today, Reading::kComplete), "lmfd.txt"},
        {CMD_LMF_FILE_BY_CRZ, reading_file_by_crz(folder / "lmfc.txt", 1, 1, Reading::kSimplified),
         "lmfc.txt"},
        {CMD_MFD_MIRROR_BY_DATE, file_by_date(folder / "espelho.txt", today, today), "espelho.txt"},
        {CMD_MFD_MIRROR_BY_COO, mirror_file_by_coo(folder / "espelho2.txt", 1, n_coo),
         "espelho2.txt"},
        {CMD_DOWNLOAD_MFD, whole_tape_download(folder / "mfd.bin"), "mfd.bin"},
    };
    for (const auto& f : files) {
        ASSERT_TRUE(f.p1) << f.file;
        expect_sent(f.command, {*f.p1});
        EXPECT_TRUE(fs::exists(folder / f.file)) << f.file;
    }
    expect_sent(CMD_COTEPE_FILE_BY_DATE, {*file_by_date(folder / "cotepe.txt", today, today), "2"});
    EXPECT_TRUE(fs::exists(folder / "cotepe.txt"));
    expect_sent(CMD_RECOVER_REG60M, {*date_range(today, today)});
    EXPECT_EQ(column("SELECT count(*) FROM balcora.reg60m WHERE data='2026-12-07';"), "1");
}

TEST_F(VirtualPrinter, TheRegistrationFormSavesOnlyWhileThePrinterIsOn) {
    using PowerFn = int (*)(std::int32_t);
    auto power = reinterpret_cast<PowerFn>(driver_symbol("balcora_vecf_set_power"));
    ASSERT_NE(power, nullptr);
    forms::MaqecfForm::forget_last_saved();
    forms::MaqecfForm form;
    ASSERT_TRUE(form.open(forms::FormMode::kChange, demo::kPrinterId));
    form.record().porta_com = 99;

    ASSERT_NE(power(0), 0);
    EXPECT_FALSE(form.save());
    EXPECT_EQ(prompt_.shown().back().text, "Erro ao comunicar com IF!");
    EXPECT_EQ(column("SELECT porta_com FROM balcora.maqecf;"), "1");
    EXPECT_EQ(read_ini("PDV", "Configuração OK", "", "balcora.ini"), "");

    ASSERT_NE(power(1), 0);
    EXPECT_TRUE(form.save());
    EXPECT_EQ(column("SELECT porta_com FROM balcora.maqecf;"), "99");
    EXPECT_EQ(read_ini("PDV", "Configuração OK", "", "balcora.ini"), "1");
}

}  // namespace balcora::test
