#include "forms/maqecf_form.h"
#include "db/pg_handles.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "ecf/maqecf_record.h"
#include "ecf/recording_driver.h"
#include "globals/globals.h"
#include "support/test_database.h"
#include "util/day_number.h"

namespace balcora::test {

using forms::FormMode;
using forms::MaqecfField;
using forms::MaqecfForm;

namespace {

const char* kSuccess =
    "Configurações da IF executadas com sucesso!|Favor reiniciar o aplicativo antes de operar "
    "com a IF!";

}  // namespace

class PrinterForm : public DbTest {
  protected:
    void SetUp() override {
        DEFINEHASH();
        glo::id_empresa = 1;
        MaqecfForm::forget_last_saved();
        QUERYSQL(
            "INSERT INTO balcora.modecf (cod_marca, cod_modelo, cod_versao, marca, modelo, "
            "versao, homologada, mfd, cv0909) VALUES (99, 1, 1, 'BALCORA', 'ECF VIRTUAL', "
            "'01.00.00', 1, 1, 1), (5, 2, 1, 'EPSON', 'TM-T81', '01', 1, 1, 0);");
    }

    // A new printer as the operator fills it in.
    void fill_new(MaqecfForm& form, const std::string& serial) {
        ASSERT_TRUE(form.open_insert());
        form.choose_model(0);
        form.record().num_serie = serial;
        form.record().dt1 = util::day_number(2026, 1, 5);
        form.record().porta_com = 99;
        form.record().num_cred_ecf = 123456789012345;
    }

    void add_stored(int id, int numero, const std::string& serial) {
        QUERYSQL(
            "INSERT INTO balcora.maqecf (id_maqecf, id_empresa, numero, marca, modelo, "
            "porta_com, num_serie, situacao, dt1, cod_marca, cod_modelo, cod_versao) VALUES (" +
            std::to_string(id) + ", 1, " + std::to_string(numero) + ", 'EPSON', 'TM-T81', 1, '" +
            serial + "', 'F', '2026-01-05', 5, 2, 1);");
    }

    std::string stored(const std::string& columns, const std::string& where = "true") {
        return QUERYSQL("SELECT " + columns + " FROM balcora.maqecf WHERE " + where +
                        " ORDER BY id_maqecf;");
    }
    long long count(const std::string& table) {
        return text_to_integer(QUERYSQL("SELECT count(*) FROM balcora." + table + ";"));
    }
    std::string configured() { return read_ini("PDV", "Configuração OK", "", "balcora.ini"); }

    RecordingDriver driver_;
};

TEST_F(PrinterForm, SavingANewPrinterConfiguresItThenStoresAndMarksTheInstallation) {
    std::string serial_seen_by_driver;
    driver_.answer_with([&](const DriverCall& c) {
        if (c.command == ecf::CMD_CONFIGURE_PRINTER) {
            serial_seen_by_driver = rec::maqecf.num_serie;
            // Nothing is stored before the printer accepted the configuration.
            EXPECT_EQ(count("maqecf"), 0);
        }
        return true;
    });
    MaqecfForm form;
    fill_new(form, "BV202612000001");
    EXPECT_EQ(form.record().id_maqecf, 1);
    EXPECT_EQ(form.record().numero, 1);
    ASSERT_TRUE(form.save());

    EXPECT_EQ(serial_seen_by_driver, "BV202612000001");
    EXPECT_EQ(driver_.commands(),
              (std::vector<std::int32_t>{ecf::CMD_CONFIGURE_PRINTER, ecf::CMD_PROGRAM_LINK}));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    EXPECT_EQ(prompt_.shown()[0].text, kSuccess);
    EXPECT_EQ(configured(), "1");
    EXPECT_EQ(stored("id_maqecf||'|'||id_empresa||'|'||numero||'|'||marca||'|'||modelo||'|'||"
                     "porta_com||'|'||num_serie||'|'||situacao||'|'||dt1||'|'||cod_marca||'|'||"
                     "cod_modelo||'|'||cod_versao||'|'||num_cred_ecf"),
              "1|1|1|BALCORA|ECF VIRTUAL|99|BV202612000001|F|2026-01-05|99|1|1|123456789012345");
    DEFINEHASH();
    EXPECT_TRUE(db::verify_hash("maqecf", 1));
    EXPECT_EQ(QUERYSQL("SELECT operacao||'|'||tabela||'|'||id||'|'||descricao FROM balcora.log;"),
              "INC|maqecf|1|Nº Série: BV202612000001");
}

TEST_F(PrinterForm, APrinterThatDoesNotAnswerLeavesEverythingAsItWas) {
    driver_.refuse(ecf::CMD_CONFIGURE_PRINTER);
    MaqecfForm form;
    fill_new(form, "BV1");
    EXPECT_FALSE(form.save());
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    EXPECT_EQ(prompt_.shown()[0].text, "Erro ao comunicar com IF!");
    EXPECT_EQ(count("maqecf"), 0);
    EXPECT_EQ(count("log"), 0);
    EXPECT_EQ(configured(), "");
    EXPECT_EQ(driver_.commands(), (std::vector<std::int32_t>{ecf::CMD_CONFIGURE_PRINTER}));

    // Switched on again, the same form saves.
    driver_.answer_with(nullptr);
    EXPECT_TRUE(form.save());
    EXPECT_EQ(count("maqecf"), 1);
}

TEST_F(PrinterForm, DuplicateKeysAreNamedByTheirFieldBeforeThePrinterIsTouched) {
    add_stored(1, 1, "BV-A");
    MaqecfForm form;
    fill_new(form, "BV-A");
    form.record().id_maqecf = 1;
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), MaqecfField::kIdMaqecf);
    EXPECT_EQ(prompt_.shown().back().text,
              "Chave duplicada: Máquina ECF (PK)!|Já existe outra Máquina ECF com este valor.");

    form.record().id_maqecf = 2;
    form.record().numero = 1;  // same number and intervention date
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), MaqecfField::kNumero);
    EXPECT_EQ(prompt_.count_containing("Chave duplicada: Número!"), 1);

    form.record().numero = 2;
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), MaqecfField::kNumSerie);
    EXPECT_EQ(prompt_.count_containing("Chave duplicada: Nº de Série de Fabricação!"), 1);
    EXPECT_TRUE(driver_.recorded().empty());

    form.record().num_serie = "BV-B";
    EXPECT_TRUE(form.save());
    EXPECT_EQ(count("maqecf"), 2);
}

TEST_F(PrinterForm, AKeyTakenByAnotherStationMeanwhileIsStillReportedByField) {
    driver_.answer_with([&](const DriverCall& c) {
        if (c.command == ecf::CMD_CONFIGURE_PRINTER) add_stored(50, 50, "BV-RACE");
        return true;
    });
    MaqecfForm form;
    fill_new(form, "BV-RACE");
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), MaqecfField::kNumSerie);
    EXPECT_EQ(prompt_.shown().back().text,
              "Chave duplicada: Nº de Série de Fabricação!|Já existe outra Máquina ECF com este "
              "valor.");
    EXPECT_EQ(prompt_.count_containing(kSuccess), 0);
    EXPECT_EQ(configured(), "");
    EXPECT_EQ(count("maqecf"), 1);
}

TEST_F(PrinterForm, TheFormsOwnValidationComesFirst) {
    MaqecfForm form;
    fill_new(form, "   ");
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), MaqecfField::kNumSerie);
    EXPECT_EQ(prompt_.shown().back().text, "Informe o Nº de Série de Fabricação!");

    form.record().num_serie = "BV1";
    form.record().porta_com = 9;
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), MaqecfField::kPortaCom);

    form.record().porta_com = 3;
    form.record().modelo_scanner = 1;
    form.record().porta_com_scanner = 0;
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), MaqecfField::kPortaComScanner);

    form.record().porta_com_scanner = 99;
    form.record().num_cred_ecf = 1'000'000'000'000'000;
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus_field(), MaqecfField::kNumCredEcf);
    EXPECT_TRUE(driver_.recorded().empty());

    form.record().num_cred_ecf = 0;
    EXPECT_TRUE(form.save());
    EXPECT_EQ(stored("modelo_scanner||'|'||porta_com_scanner||'|'||num_serie"), "1|99|BV1");
}

TEST_F(PrinterForm, AChangeByAnotherStationIsOverwrittenOnlyWhenTheOperatorSaysSo) {
    add_stored(1, 1, "BV-A");
    MaqecfForm form;
    ASSERT_TRUE(form.open(FormMode::kChange, 1));
    form.record().porta_com = 4;
    QUERYSQL("UPDATE balcora.maqecf SET porta_com=7 WHERE id_maqecf=1;");

    prompt_.answer(false);
    EXPECT_FALSE(form.save());
    EXPECT_EQ(prompt_.shown().back().kind, "confirm");
    EXPECT_EQ(prompt_.shown().back().text,
              "Registro alterado por outra estação.|Deseja gravar as suas alterações mesmo assim?");
    EXPECT_EQ(form.record().porta_com, 7);  // what the other station stored is shown
    EXPECT_TRUE(driver_.recorded().empty());

    // Now the form holds the current row: saving needs no question.
    form.record().porta_com = 4;
    prompt_.clear();
    EXPECT_TRUE(form.save());
    EXPECT_EQ(prompt_.count_containing("outra estação"), 0);
    EXPECT_EQ(stored("porta_com"), "4");

    QUERYSQL("UPDATE balcora.maqecf SET porta_com=8 WHERE id_maqecf=1;");
    form.record().porta_com = 2;
    prompt_.answer(true);
    EXPECT_TRUE(form.save());
    EXPECT_EQ(stored("porta_com"), "2");
    EXPECT_EQ(QUERYSQL("SELECT string_agg(operacao, ',') FROM balcora.log;"), "ALT,ALT");
}

TEST_F(PrinterForm, ARowLockedByAnotherStationIsNotWaitedFor) {
    add_stored(1, 1, "BV-A");
    MaqecfForm form;
    ASSERT_TRUE(form.open(FormMode::kChange, 1));
    std::string error;
    auto other = db::PgConnection::open(db_.conninfo(), &error);
    ASSERT_TRUE(other) << error;
    other->exec("BEGIN;");
    ASSERT_TRUE(other->exec("SELECT 1 FROM balcora.maqecf WHERE id_maqecf=1 FOR UPDATE;").ok());

    EXPECT_FALSE(form.save());
    EXPECT_EQ(prompt_.shown().back().text,
              "Registro em uso por outra estação.|Aguarde um momento e tente novamente.");
    EXPECT_TRUE(driver_.recorded().empty());
    other->exec("ROLLBACK;");
    EXPECT_TRUE(form.save());
}

TEST_F(PrinterForm, WhatTheDriverCompletesInTheSharedRecordIsStored) {
    driver_.answer_with([](const DriverCall& c) {
        if (c.command == ecf::CMD_CONFIGURE_PRINTER) rec::maqecf.versao_sb = "01.02.03";
        return true;
    });
    MaqecfForm form;
    fill_new(form, "BV1");
    ASSERT_TRUE(form.save());
    EXPECT_EQ(stored("versao_sb"), "01.02.03");
}

TEST_F(PrinterForm, NewPrintersCopyFieldsFromTheLastSavedOnRequest) {
    MaqecfForm form;
    fill_new(form, "BV1");
    EXPECT_FALSE(form.duplicate_field(MaqecfField::kPortaCom));  // nothing saved yet
    form.record().porta_com = 5;
    ASSERT_TRUE(form.save());

    MaqecfForm next;
    ASSERT_TRUE(next.open_insert());
    EXPECT_EQ(next.record().id_maqecf, 2);
    EXPECT_EQ(next.record().numero, 2);
    EXPECT_EQ(next.record().porta_com, 1);  // not copied until asked
    EXPECT_TRUE(next.duplicate_field(MaqecfField::kPortaCom));
    EXPECT_TRUE(next.duplicate_field(MaqecfField::kMarca));
    EXPECT_TRUE(next.duplicate_field(MaqecfField::kModelo));
    EXPECT_EQ(next.record().porta_com, 5);
    EXPECT_EQ(next.record().marca, "BALCORA");
    EXPECT_EQ(next.chosen_model(), std::optional<std::size_t>(0));
    EXPECT_TRUE(next.record().num_serie.empty());

    MaqecfForm change;
    ASSERT_TRUE(change.open(FormMode::kChange, 1));
    EXPECT_FALSE(change.duplicate_field(MaqecfField::kPortaCom));
}

TEST_F(PrinterForm, AConsultationNeverSavesAndAMissingPrinterIsSaid) {
    add_stored(1, 1, "BV-A");
    MaqecfForm form;
    ASSERT_TRUE(form.open(FormMode::kView, 1));
    EXPECT_TRUE(form.read_only());
    EXPECT_EQ(form.record().num_serie, "BV-A");
    EXPECT_EQ(form.chosen_model(), std::optional<std::size_t>(1));
    EXPECT_FALSE(form.save());
    EXPECT_TRUE(driver_.recorded().empty());

    EXPECT_FALSE(form.open(FormMode::kChange, 42));
    EXPECT_EQ(prompt_.shown().back().text, "Máquina ECF não encontrada (código 42)!");
}

}  // namespace balcora::test
