#include "shell/startup.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "shell/button_texts.h"
#include "shell/recording_runner.h"
#include "support/test_checkout.h"
#include "support/test_database.h"

#include <chrono>
#include <fstream>

namespace balcora::test {

namespace fs = std::filesystem;

class Startup : public DbTest, protected TestCheckout {
  protected:
    void add_company(int id, const std::string& name, int active, int head_office = 0) {
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.empresa (id_empresa, nome, ativa, id_matriz) "
                           "VALUES (" +
                           std::to_string(id) + ",'" + name + "'," + std::to_string(active) + "," +
                           std::to_string(head_office) + ");"),
                  "1");
    }
    void write_aux_file(const std::string& serial) {
        glo::numfab = serial;
        glo::md5exe = "0123456789abcdef0123456789abcdef";
        ASSERT_TRUE(ecf::install_aux_file());
        glo::numfab.clear();
        glo::md5exe.clear();
    }
    void add_printer(int id, const std::string& serial) {
        ASSERT_EQ(
            QUERYSQL("INSERT INTO balcora.maqecf (id_maqecf, id_empresa, num_serie) VALUES (" +
                     std::to_string(id) + ",1,'" + serial + "');"),
            "1");
    }
    // A shop as the start-up expects it: one active company, the
    // auxiliary file, its printer, and no back-office program to start.
    void ordinary_shop() {
        add_company(1, "MERCADO CENTRAL   ", 1);
        write_aux_file("BV1");
        add_printer(7, "BV1");
        GRAVAREGISTRO("balcora", "PAF-ECF", "IniAutRetaguarda", "0");
    }
    fs::path backup_dir() const { return root_.path() / "sistemas/balcora/backup"; }
    void write_backup(const std::string& name, std::size_t size, int days_ago = 0) {
        fs::path file = backup_dir() / name;
        std::ofstream(file) << std::string(size, 'x');
        fs::last_write_time(file,
                            fs::file_time_type::clock::now() - std::chrono::hours(24 * days_ago));
    }
    void add_reduction(const std::string& emitted) {
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.reg60m (id_maqecf, data, dt_emissao) VALUES (7, '" +
                           emitted + "', '" + emitted + "');"),
                  "1");
    }
    std::string today_iso() const {
        std::time_t t = std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        char buf[16];
        std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
        return buf;
    }

    // The start-up steps of other subsystems, recording their runs.
    struct RecordingSteps : shell::StartupSteps {
        std::vector<std::string> order;
        bool printer_goes_on = true;
        void write_developer_key_file() override { order.push_back("key:" + glo::numfab); }
        bool check_printer_configuration() override {
            order.push_back((printer_goes_on ? "printer:" : "refused:") + glo::numfab);
            return printer_goes_on;
        }
        void recover_card_payment_files() override { order.push_back("card:" + glo::numfab); }
        void send_pending_blocox_files(int printer_id) override {
            order.push_back("send:" + std::to_string(printer_id));
        }
        void mail_blocox_pendencies(int printer_id) override {
            order.push_back("mail:" + std::to_string(printer_id));
        }
    };

    RecordingRunner runner_;
};

TEST_F(Startup, BackupFolderIsCreatedOrItsFailureStopsTheProgram) {
    fs::remove_all(backup_dir());
    EXPECT_TRUE(shell::ensure_backup_folder());
    EXPECT_TRUE(fs::is_directory(backup_dir()));

    fs::remove_all(backup_dir());
    std::ofstream(backup_dir()) << "a file where the folder should be";
    EXPECT_FALSE(shell::ensure_backup_folder());
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text, "Erro ao criar pasta \"" + backup_dir().string() + "\".");
}

TEST_F(Startup, StandardButtonTextsComeFromTheList) {
    shell::set_standard_button_texts("&Aceitar,,&Nao");
    EXPECT_EQ(shell::standard_button_texts().ok, "&Aceitar");
    EXPECT_EQ(shell::standard_button_texts().yes, "&Sim");  // left empty: kept
    EXPECT_EQ(shell::standard_button_texts().no, "&Nao");
    EXPECT_EQ(shell::standard_button_texts().help, "&Ajuda");
    shell::set_standard_button_texts(shell::kStandardButtonTexts);
    EXPECT_EQ(shell::standard_button_texts().no, "&Não");
    EXPECT_EQ(shell::standard_button_texts().cancel, "&Cancelar");
}

TEST_F(Startup, TheActiveCompanyWithTheLowestIdWinsAndItsHeadOfficeIsKept) {
    add_company(5, "FILIAL NORTE", 1, 2);
    add_company(3, "INATIVA", 0);
    add_company(9, "FILIAL SUL", 1);
    auto company = shell::find_active_company();
    ASSERT_TRUE(company);
    EXPECT_EQ(company->id, 5);
    EXPECT_EQ(company->name, "FILIAL NORTE");
    EXPECT_EQ(company->head_office, 2);

    QUERYSQL("UPDATE balcora.empresa SET ativa=0 WHERE id_empresa=5;");
    company = shell::find_active_company();
    ASSERT_TRUE(company);
    EXPECT_EQ(company->id, 9);
    EXPECT_EQ(company->head_office, 9);  // none given: the company itself
}

TEST_F(Startup, WithoutAnActiveCompanyTheProgramClosesAfterTheWarningAndDoesNothingElse) {
    add_company(1, "INATIVA", 0);
    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_TRUE(result.close);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    EXPECT_EQ(prompt_.shown()[0].text, "Não há empresa ativa!");
    EXPECT_EQ(LEREGISTRO("balcora", "Desenvolvedor PAF-ECF", "md5exe", "nunca"), "nunca");
    EXPECT_TRUE(runner_.started.empty());
}

TEST_F(Startup, MisplacedPrinterLibrariesAreListedInTheirOrderAndTheProgramGoesOn) {
    ordinary_shop();
    const fs::path dir = root_.path() / "sistemas/balcora/pgms";
    std::ofstream(dir / "sign_bema.dll") << "x";
    std::ofstream(dir / "BemaMFD2.dll") << "x";
    std::ofstream(dir / "bemafi32.dll") << "x";  // another spelling is another file here

    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_FALSE(result.close);
    ASSERT_GE(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Atenção");
    EXPECT_EQ(prompt_.shown()[0].text,
              "Atenção as dll(s) listadas a baixo estão instalada(s) no local errado, favor "
              "instalar na system32!|" +
                  (dir / "BemaMFD2.dll").string() + "|" + (dir / "sign_bema.dll").string());
}

TEST_F(Startup, ProgramNameGoesToTheTitleAndToTheServerIntact) {
    ordinary_shop();
    GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "nomesoft", "PDV d'Oeste");
    GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "versaosoft", "2.5");
    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_EQ(glo::build, 13);
    EXPECT_EQ(result.title, "PDV d'Oeste 2.5.13 - [MERCADO CENTRAL]");
    EXPECT_EQ(QUERYSQL("SELECT current_setting('application_name');"), "PDV d'Oeste 2.5.13");
    EXPECT_TRUE(prompt_.shown().empty()) << prompt_.shown()[0].text;
}

TEST_F(Startup, ProgramNameReadsTheVersionAsANumberAndKeeps49Characters) {
    glo::build = 13;
    GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "nomesoft", "Balcora PDV");
    GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "versaosoft", "versão um");
    EXPECT_EQ(shell::program_name(), "Balcora PDV 0.13");
    GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "versaosoft", " 1.0 ");
    EXPECT_EQ(shell::program_name(), "Balcora PDV 1.0.13");
    GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "nomesoft", std::string(45, 'A') + "ÇÃO");
    EXPECT_EQ(shell::program_name(), std::string(45, 'A') + "ÇÃO ");
}

TEST_F(Startup, AuxiliaryFileFillsTheGlobalsAndTheMd5SettingAndFindsThePrinter) {
    ordinary_shop();
    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_EQ(glo::numfab, "BV1");
    EXPECT_EQ(LEREGISTRO("balcora", "Desenvolvedor PAF-ECF", "md5exe"),
              "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(result.printer_id, 7);
    EXPECT_EQ(glo::id_empresa, 1);
    EXPECT_EQ(glo::id_empmatriz, 1);
}

TEST_F(Startup, TheStepsOfOtherSubsystemsRunInTheirPlaceAndAPrinterRefusalCloses) {
    ordinary_shop();
    RecordingSteps steps;
    service_port_.provide<shell::StartupSteps>(&steps);
    std::vector<std::string>& order = steps.order;
    EXPECT_FALSE(shell::run_frame_startup(checkout_, runner_).close);
    // The key file comes before the auxiliary file is read; the printer
    // check after it.
    EXPECT_EQ(order,
              (std::vector<std::string>{"key:", "printer:BV1", "card:BV1", "send:7", "mail:7"}));

    order.clear();
    glo::numfab.clear();
    GRAVAREGISTRO("balcora", "PAF-ECF", "IniAutRetaguarda", "1");
    steps.printer_goes_on = false;
    EXPECT_TRUE(shell::run_frame_startup(checkout_, runner_).close);
    EXPECT_EQ(order, (std::vector<std::string>{"key:", "refused:BV1"}));
    EXPECT_TRUE(runner_.started.empty());
}

TEST_F(Startup, BackOfficeProgramStartsWithItsConfiguredCommandAndAMissingOneIsOnlyReported) {
    ordinary_shop();
    GRAVAREGISTRO("balcora", "PAF-ECF", "IniAutRetaguarda", "1");
    write_ini("Programas", "Retaguarda", "/opt/retaguarda/comret --minimizado", "balcora.ini");
    runner_.missing.insert("/opt/retaguarda/comret --minimizado");

    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_FALSE(result.close);
    EXPECT_EQ(runner_.started, std::vector<std::string>{"/opt/retaguarda/comret --minimizado"});
    EXPECT_EQ(read_ini("PDV", "minimeza_retaguarda", "", "balcora.ini"), "1");
    ASSERT_EQ(prompt_.count_containing("programa de comunicação com a retaguarda"), 1);
    EXPECT_EQ(prompt_.count_containing("/opt/retaguarda/comret --minimizado"), 1);

    // Without the setting nothing starts; the default command is the Linux one.
    runner_.started.clear();
    GRAVAREGISTRO("balcora", "PAF-ECF", "IniAutRetaguarda", "0");
    shell::run_frame_startup(checkout_, runner_);
    EXPECT_TRUE(runner_.started.empty());
    write_ini("Programas", "Retaguarda", "", "balcora.ini");
    GRAVAREGISTRO("balcora", "PAF-ECF", "IniAutRetaguarda", "1");
    shell::run_frame_startup(checkout_, runner_);
    EXPECT_EQ(runner_.started, std::vector<std::string>{"comret"});
}

TEST_F(Startup, BackupIsGoodFromSeventyPercentOfTheLastSizeOnward) {
    add_reduction(today_iso());
    GRAVAREGISTRO("balcora", "Backup", "Tamanho", "1000");
    write_backup("balcora_backup_Seg.pgsql", 699);
    shell::check_backup_state();
    EXPECT_EQ(LEREGISTRO("balcora", "Backup", "Situacao"), "0");
    write_backup("balcora_backup_Seg.pgsql", 700);
    shell::check_backup_state();
    EXPECT_EQ(LEREGISTRO("balcora", "Backup", "Situacao"), "1");
}

TEST_F(Startup, BackupIsBadWhenTheNewestFileIsNoBackupIsOlderThanTheReductionOrEmpty) {
    add_reduction(today_iso());
    write_backup("balcora_backup_Ter.pgsql", 500, 2);
    shell::check_backup_state();
    EXPECT_EQ(LEREGISTRO("balcora", "Backup", "Situacao"), "0");  // before the reduction

    write_backup("balcora_backup_Ter.pgsql", 500);
    write_backup("balcora_backup_Ter.pgsql.bak", 500);
    fs::last_write_time(backup_dir() / "balcora_backup_Ter.pgsql.bak",
                        fs::file_time_type::clock::now() + std::chrono::minutes(1));
    shell::check_backup_state();
    EXPECT_EQ(LEREGISTRO("balcora", "Backup", "Situacao"), "0");  // newest is not a backup

    fs::remove(backup_dir() / "balcora_backup_Ter.pgsql.bak");
    write_backup("balcora_backup_Qua.pgsql", 0);
    shell::check_backup_state();
    EXPECT_EQ(LEREGISTRO("balcora", "Backup", "Situacao"), "0");  // empty

    write_backup("balcora_backup_Qua.pgsql", 10);
    shell::check_backup_state();
    EXPECT_EQ(LEREGISTRO("balcora", "Backup", "Situacao"), "1");
}

TEST_F(Startup, WithoutAnyReductionTheBackupStateIsLeftAlone) {
    GRAVAREGISTRO("balcora", "Backup", "Situacao", "0");
    write_backup("balcora_backup_Dom.pgsql", 100);
    shell::check_backup_state();
    EXPECT_EQ(LEREGISTRO("balcora", "Backup", "Situacao"), "0");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(Startup, ABadBackupAsksAndNoClosesTheProgram) {
    ordinary_shop();
    GRAVAREGISTRO("balcora", "Backup", "Situacao", "0");
    prompt_.answer(false);
    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_TRUE(result.close);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].kind, "confirm");
    EXPECT_EQ(prompt_.shown()[0].title, "Confirme!");
    EXPECT_EQ(prompt_.shown()[0].text,
              "Atenção!, Erro no Backup do Sistema, Deseja fazê-lo agora!|Em caso de ocorrência "
              "do mesmo favor entrar em contato com \"SUPORTE TÉCNICO\".");
}

TEST_F(Startup, YesRunsTheBackupScreenOrSaysItIsNotAvailableAndGoesOn) {
    ordinary_shop();
    GRAVAREGISTRO("balcora", "Backup", "Situacao", "0");
    prompt_.answer(true);
    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_FALSE(result.close);
    EXPECT_EQ(prompt_.count_containing("cópia de segurança ainda não está disponível"), 1);

    int backups = 0;
    screens_.provide("COPIADESEGURANCA",
                     [&](const ui::ScreenPort::Arguments&) { return ++backups; });
    prompt_.clear();
    prompt_.answer(true);
    EXPECT_FALSE(shell::run_frame_startup(checkout_, runner_).close);
    EXPECT_EQ(backups, 1);
    EXPECT_EQ(prompt_.shown().size(), 1u);
}

TEST_F(Startup, QuickSaleAtStartOpensAndItsShutDownChoiceClosesTheFrame) {
    ordinary_shop();
    GRAVAREGISTRO("balcora", "Configuração", "Abrir Quick Sale ao iniciar Balcora", "1");
    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_FALSE(result.close);
    EXPECT_EQ(prompt_.count_containing("Venda Rápida ainda não está disponível"), 1);

    int opened = 0;
    screens_.provide("QUICKBALCORA", [&](const ui::ScreenPort::Arguments&) {
        checkout_.flag_desligar = 1;  // the operator closed the day choosing to switch off
        return ++opened;
    });
    result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(result.close);
    EXPECT_EQ(runner_.ran, std::vector<std::string>{"systemctl poweroff"});
}

TEST_F(Startup, MessagesOfOneStartComeInTheOrderOfItsSteps) {
    add_company(1, "MERCADO", 1);
    std::ofstream(root_.path() / "sistemas/balcora/pgms/DAO350.dll") << "x";
    runner_.missing.insert("comret");
    GRAVAREGISTRO("balcora", "Backup", "Situacao", "0");
    prompt_.answer(true);
    shell::run_frame_startup(checkout_, runner_);
    std::vector<std::string> firsts;
    for (const auto& s : prompt_.shown()) firsts.push_back(s.text.substr(0, s.text.find(' ')));
    EXPECT_EQ(firsts, (std::vector<std::string>{"Atenção", "Arquivo", "Não", "Atenção!,", "A"}));
}

TEST_F(Startup, ALostDatabaseGivesTheSqlErrorAndClosesWithoutACrash) {
    add_company(1, "MERCADO", 1);
    std::string pid = QUERYSQL("SELECT pg_backend_pid();");
    // A second connection ends ours and the database takes no new one: a
    // server that is gone, which no reconnection brings back.
    {
        std::string error;
        auto admin = db::PgConnection::open(db_.conninfo() + " dbname=postgres", &error);
        ASSERT_TRUE(admin) << error;
        admin->exec("ALTER DATABASE " + db_.name() + " ALLOW_CONNECTIONS false;");
        admin->exec("SELECT pg_terminate_backend(" + pid + ");");
    }
    auto result = shell::run_frame_startup(checkout_, runner_);
    EXPECT_TRUE(result.close);
    ASSERT_GE(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title.rfind("Erro SQL", 0), 0u) << prompt_.shown()[0].title;
    EXPECT_EQ(prompt_.count_containing("Não há empresa ativa!"), 0);
}

}  // namespace balcora::test
