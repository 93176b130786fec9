#include "ecf/printer_configuration_check.h"
#include "db/query_sql.h"
#include "ecf/maqecf_record.h"
#include "ecf/recording_driver.h"
#include "globals/globals.h"
#include "support/test_database.h"

namespace balcora::test {

using Outcome = ecf::PrinterCheck::Outcome;

class PrinterConfigurationCheck : public DbTest {
  protected:
    void SetUp() override {
        glo::numfab = "BV0001";
        rec::maqecf = {};
    }
    void add_model(int cod_modelo, const std::string& marca, int mfd, int cv0909) {
        QUERYSQL(
            "INSERT INTO balcora.modecf (cod_marca, cod_modelo, cod_versao, marca, modelo, "
            "versao, homologada, mfd, cv0909) VALUES (5, " +
            std::to_string(cod_modelo) + ", 1, '" + marca + "', 'MODELO " +
            std::to_string(cod_modelo) + "', '01', 1, " + std::to_string(mfd) + ", " +
            std::to_string(cv0909) + ");");
    }
    void add_printer(int cod_modelo, const std::string& dt1) {
        QUERYSQL(
            "INSERT INTO balcora.maqecf (id_maqecf, id_empresa, numero, marca, modelo, "
            "porta_com, num_serie, dt1, cod_marca, cod_modelo, cod_versao) VALUES (1, 1, 1, "
            "'EPSON', 'TM-T81', 3, 'BV0001', " +
            dt1 + ", 5, " + std::to_string(cod_modelo) + ", 1);");
    }
    ecf::PrinterCheck check() {
        driver_.clear();
        return ecf::check_printer_configuration();
    }

    RecordingDriver driver_;
};

TEST_F(PrinterConfigurationCheck, ADemoPrinterSkipsEveryCheck) {
    add_model(1, "DEMO", 0, 0);
    add_printer(1, "'2020-01-01'");
    auto result = check();
    EXPECT_EQ(result.outcome, Outcome::kDemo);
    EXPECT_TRUE(result.program_goes_on());
    EXPECT_TRUE(driver_.recorded().empty());
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(PrinterConfigurationCheck, NoPrinterForTheSerialWarnsAndGoesOn) {
    auto result = check();
    EXPECT_EQ(result.outcome, Outcome::kNotRegistered);
    EXPECT_TRUE(result.program_goes_on());
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    EXPECT_EQ(prompt_.shown()[0].text,
              "ECF não configurada para o número de fabricação (BV0001) informado no arquivo "
              "criptogravado!");
    EXPECT_TRUE(driver_.recorded().empty());
}

TEST_F(PrinterConfigurationCheck, APrinterWhoseModelIsMissingWarnsAndCloses) {
    add_printer(9, "'2014-01-01'");
    auto result = check();
    EXPECT_EQ(result.outcome, Outcome::kModelMissing);
    EXPECT_FALSE(result.program_goes_on());
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    EXPECT_EQ(prompt_.shown()[0].text,
              "EPSON TM-T81 não encontrado no cadastro de marca/modelo de ECF!");
    EXPECT_TRUE(driver_.recorded().empty());
}

TEST_F(PrinterConfigurationCheck, AConvenioModelIsConfiguredAndItsFlagsAreKept) {
    add_model(1, "EPSON", 1, 1);
    add_printer(1, "'2020-03-10'");
    auto result = check();
    EXPECT_EQ(result.outcome, Outcome::kConfigured);
    EXPECT_TRUE(result.program_goes_on());
    EXPECT_EQ(driver_.commands(), (std::vector<std::int32_t>{ecf::CMD_CONFIGURE_PRINTER}));
    EXPECT_TRUE(prompt_.shown().empty());
    EXPECT_EQ(glo::mfd, 1);
    EXPECT_EQ(glo::cv0909, 1);
    EXPECT_EQ(rec::maqecf.marca, "EPSON");
    EXPECT_EQ(rec::maqecf.modelo, "MODELO 1");
    EXPECT_EQ(rec::maqecf.porta_com, 3);
}

TEST_F(PrinterConfigurationCheck, APrinterThatRefusesTheConfigurationClosesTheProgramSilently) {
    add_model(1, "EPSON", 1, 1);
    add_printer(1, "'2020-03-10'");
    driver_.refuse(ecf::CMD_CONFIGURE_PRINTER);
    auto result = check();
    EXPECT_EQ(result.outcome, Outcome::kConfigurationFailed);
    EXPECT_FALSE(result.program_goes_on());
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(PrinterConfigurationCheck, TheFirstOfJuly2015IsTheLastDayWithoutConvenio) {
    add_model(1, "EPSON", 0, 0);
    add_printer(1, "'2015-06-30'");
    auto before = check();
    EXPECT_EQ(before.outcome, Outcome::kConfigured);
    EXPECT_EQ(glo::mfd, 0);
    EXPECT_EQ(glo::cv0909, 0);

    QUERYSQL("UPDATE balcora.maqecf SET dt1='2015-07-01';");
    auto after = check();
    EXPECT_EQ(after.outcome, Outcome::kNeedsConvenio0909);
    EXPECT_FALSE(after.program_goes_on());
    EXPECT_TRUE(driver_.recorded().empty());
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text,
              "ECF cadastrado com data de interveção Técnica maior ou igual há 01-07-2015 deve ser "
              "configurado para Convênio ICMS 09/09!");

    QUERYSQL("UPDATE balcora.maqecf SET dt1=NULL;");
    EXPECT_EQ(check().outcome, Outcome::kConfigured);
}

TEST_F(PrinterConfigurationCheck, ASerialWithAnApostropheIsLookedUpSafely) {
    glo::numfab = "BV'0001";
    auto result = check();
    EXPECT_EQ(result.outcome, Outcome::kNotRegistered);
    EXPECT_EQ(prompt_.count_containing("Comando SQL"), 0);
}

}  // namespace balcora::test
