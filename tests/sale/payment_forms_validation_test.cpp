#include "sale/payment_forms_validation.h"

#include "db/settings.h"
#include "ecf/printer.h"
#include "ecf/recording_driver.h"
#include "sale/sale_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace balcora::test {

namespace {

constexpr const char* kFlag = "Forma Pagamento Esgotada";

std::vector<std::string> column(const sale::PaymentFormsValidation& s, bool printer) {
    std::vector<std::string> out;
    for (const auto& r : s.rows()) out.push_back(printer ? r.printer : r.system);
    return out;
}

}  // namespace

class PaymentFormsValidationTest : public ShopFixture {
  protected:
    std::string flag() { return LEREGISTRO("balcora", sale::printer_flags_section(), kFlag, "-"); }
};

TEST_F(PaymentFormsValidationTest, ListsTheEightFormsBesideTheirPrinterNames) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FormaPagto", "DINHEIRO", "Dinheiro"));
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FormaPagto", "CREDIARIO", " CREDIARIO LOJA "));
    // A key kept blank is configured as blank, not missing.
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FormaPagto", "PIX", ""));
    sale::PaymentFormsValidation screen;

    EXPECT_EQ(column(screen, false),
              (std::vector<std::string>{"DINHEIRO", "CHEQUE", "CARTAO", "VALE", "CONVENIO",
                                        "CREDIARIO", "OUTROS", "PIX"}));
    EXPECT_EQ(
        column(screen, true),
        (std::vector<std::string>{"Dinheiro", "NÃO CADASTRADO", "NÃO CADASTRADO", "NÃO CADASTRADO",
                                  "NÃO CADASTRADO", "CREDIARIO LOJA", "NÃO CADASTRADO", ""}));
    EXPECT_TRUE(screen.rows()[7].registered);
    EXPECT_FALSE(screen.rows()[1].registered);
}

TEST_F(PaymentFormsValidationTest, AnExhaustedTableIsFlaggedTwoWhileTheCommandRunsThenOneAgain) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", sale::printer_flags_section(), kFlag, "1"));
    RecordingDriver driver;
    std::vector<std::string> flag_during;
    driver.answer_with([&](const DriverCall&) {
        flag_during.push_back(flag());
        return true;
    });
    sale::PaymentFormsValidation screen;
    screen.validate();

    EXPECT_EQ(driver.commands(), std::vector<std::int32_t>{ecf::CMD_PROGRAM_PAYMENT_METHODS});
    EXPECT_EQ(flag_during, std::vector<std::string>{"2"});
    EXPECT_EQ(flag(), "1");
}

TEST_F(PaymentFormsValidationTest, OtherwiseTheCommandGoesOnceAndTheFlagIsLeftAlone) {
    RecordingDriver driver;
    driver.refuse(ecf::CMD_PROGRAM_PAYMENT_METHODS);  // the outcome changes nothing here
    sale::PaymentFormsValidation screen;
    screen.validate();
    EXPECT_EQ(driver.commands(), std::vector<std::int32_t>{ecf::CMD_PROGRAM_PAYMENT_METHODS});
    EXPECT_EQ(flag(), "-");

    ASSERT_TRUE(GRAVAREGISTRO("balcora", sale::printer_flags_section(), kFlag, "2"));
    driver.clear();
    screen.validate();
    EXPECT_EQ(driver.commands().size(), 1u);
    EXPECT_EQ(flag(), "2");
}

class PaymentFormsOnThePrinter : public SaleFixture {
  protected:
    // The payment methods the printer holds, from its working memory.
    std::vector<std::string> printer_methods() {
        std::ifstream in(data_root().map("c:\\sistemas\\balcora\\ecf") / glo::numfab /
                         "memoria.dat");
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("method\t", 0) == 0) out.push_back(line.substr(7));
        return out;
    }
};

TEST_F(PaymentFormsOnThePrinter, ValidatingProgramsTheConfiguredNamesAndShowsThemAgain) {
    sale::PaymentFormsValidation screen;
    EXPECT_EQ(screen.rows()[7].printer, "NÃO CADASTRADO");
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FormaPagto", "PIX", "PIX QR"));
    screen.validate();

    const auto methods = printer_methods();
    EXPECT_NE(std::find(methods.begin(), methods.end(), "PIX QR"), methods.end())
        << testing::PrintToString(methods);
    EXPECT_EQ(screen.rows()[7].printer, "PIX QR");
    EXPECT_TRUE(messages().empty()) << messages().front();
}

}  // namespace balcora::test
