#include "shell/settings_screen.h"
#include "blocox/ws_exchange.h"
#include "db/database.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "fiscal/mail_password.h"
#include "shell/certificate_list.h"
#include "support/test_database.h"

#include <fstream>

namespace balcora::test {

namespace fs = std::filesystem;

class SettingsScreen : public DbTest {
  protected:
    fs::path program_dir() const { return root_.path() / "sistemas/balcora/pgms"; }
    void write_certificate_list(const std::string& text) {
        std::ofstream(program_dir() / "listcert.cfg") << text;
    }
    std::string client(const std::string& key) {
        return read_ini("Config", key, "<ausente>", std::string(shell::kBlocoXClientIni));
    }
    std::string log_rows() {
        return QUERYSQL("SELECT count(*) FROM balcora.log WHERE tabela='configuracao';");
    }
    std::string registro_rows() { return QUERYSQL("SELECT count(*) FROM balcora.registro;"); }

    shell::SettingsScreen screen_;
};

TEST_F(SettingsScreen, OpensWithTheDefaultsOfEveryField) {
    ASSERT_TRUE(screen_.open());
    EXPECT_EQ(screen_.value("tamanho_codigo"),
              "6");  // the screen's proposal, not item registration's 0
    EXPECT_EQ(screen_.value("perc_desc"), "50");
    EXPECT_EQ(screen_.value("email"), shell::kDefaultSupportEmail);
    EXPECT_EQ(screen_.value("etiqueta_balanca"), "1");
    EXPECT_EQ(screen_.value("docto_venda_prazo"), "1");
    EXPECT_EQ(screen_.value("atualiza_estoque"), "1");
    EXPECT_EQ(screen_.value("segunda_via"), "0");
    EXPECT_EQ(screen_.value("tef_ativo"), "N");
    EXPECT_EQ(screen_.value("ato_cotepe"), "N");
    EXPECT_EQ(screen_.value("tipo_certificado"), "A1");
    EXPECT_EQ(screen_.value("ambiente"), "1");
    EXPECT_FALSE(screen_.checked("abrir_quick_sale"));
    for (const auto& f : shell::settings_fields()) {
        if (f.kind == shell::FieldKind::kCheck || f.kind == shell::FieldKind::kChoice) {
            EXPECT_FALSE(f.choices.empty()) << f.id;
        }
    }
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(SettingsScreen, AStoredValueOutsideTheChoicesShowsTheDefault) {
    GRAVAREGISTRO("balcora", "Configuração", "Etiqueta Balança", "7");
    GRAVAREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "S");
    ASSERT_TRUE(screen_.open());
    EXPECT_EQ(screen_.value("etiqueta_balanca"), "1");
    EXPECT_TRUE(screen_.checked("tef_ativo"));
}

TEST_F(SettingsScreen, SaveWritesEverySettingTheClientFileAndOneLogRow) {
    ASSERT_TRUE(screen_.open());
    screen_.set_checked("abrir_quick_sale", true);
    screen_.set_checked("tef_ativo", true);
    screen_.set_value("segunda_via", "2");
    screen_.set_value("perc_desc", " 15 ");
    screen_.set_value("email", "loja@exemplo.com.br");
    screen_.set_value("senha_certificado", "s3 nh@");
    screen_.set_value("ambiente", "2");
    ASSERT_TRUE(screen_.save());

    EXPECT_EQ(LEREGISTRO("balcora", "Configuração", "Abrir Quick Sale ao iniciar Balcora"), "1");
    EXPECT_EQ(LEREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado"), "S");
    EXPECT_EQ(LEREGISTRO("balcora", "Configuração", "2ª Via em Relatório Gerencial"), "2");
    EXPECT_EQ(LEREGISTRO("balcora", "Configuração", "Tamanho codigo prod pesado"), "6");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "PercDesc"), "15");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "Email"), "loja@exemplo.com.br");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "QuickSale"), "0");
    EXPECT_EQ(client("TipoCertificado"), "A1");
    EXPECT_EQ(client("Senha"), "s3 nh@");
    EXPECT_EQ(client("Ambiente"), "2");
    EXPECT_EQ(log_rows(), "1");
    EXPECT_EQ(QUERYSQL("SELECT operacao||'|'||descricao FROM balcora.log;"),
              "ALT|Tp Amb:Homologação 12/2026");
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    EXPECT_EQ(prompt_.shown()[0].text, "Configurações salvas com sucesso!");

    shell::SettingsScreen again;
    ASSERT_TRUE(again.open());
    EXPECT_EQ(again.value("perc_desc"), "15");
    EXPECT_EQ(again.value("ambiente"), "2");
}

// Secrets are the shop's account's alone after every write: the relay's
// password leaves the settings table (which every database user reads) for
// a private file, moved there from an older installation's table, and the
// client's file with the certificate's password is 0600 whether the screen
// or a Bloco X sending wrote it last, even where an older version made it 0644.
TEST_F(SettingsScreen, SecretsStayPrivateAfterEveryWrite) {
    const auto mode = [](const fs::path& p) {
        return fs::status(p).permissions() & fs::perms::mask;
    };
    const fs::perms owner = fs::perms::owner_read | fs::perms::owner_write;
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Email", "Senha", "antiga s3nha"));
    ASSERT_TRUE(screen_.open());
    EXPECT_EQ(screen_.value("email_senha"), "antiga s3nha");
    EXPECT_EQ(LEREGISTRO("balcora", "Email", "Senha", "<ausente>"), "");
    const fs::path password = fiscal::mail_password_file();
    EXPECT_EQ(password.parent_path(), root_.path() / "privado");
    EXPECT_EQ(mode(password.parent_path()), fs::perms::owner_all);
    EXPECT_EQ(mode(password), owner);

    const fs::path client_file = program_dir() / "xsginws.ini";
    fs::create_directories(program_dir());
    std::ofstream(client_file) << "[Config]\nSenha=velha\n";
    fs::permissions(client_file, owner | fs::perms::group_read | fs::perms::others_read);
    screen_.set_value("email_senha", "nova s3nha");
    screen_.set_value("senha_certificado", "s3 nh@");
    ASSERT_TRUE(screen_.save());
    EXPECT_EQ(mode(client_file), owner);
    EXPECT_EQ(mode(password), owner);
    EXPECT_EQ(fiscal::mail_password(), "nova s3nha");
    EXPECT_EQ(LEREGISTRO("balcora", "Email", "Senha", "<ausente>"), "");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.registro WHERE valor LIKE '%s3nha%';"), "0");

    ASSERT_TRUE(write_ini("Programas", "BlocoX", "true", "balcora.ini"));
    blocox::run_client({blocox::kClientSendReduction, program_dir() / "z.xml"}, {});
    EXPECT_EQ(mode(client_file), owner);
    EXPECT_EQ(client("Senha"), "s3 nh@");
}

TEST_F(SettingsScreen, AnInvalidFieldIsNamedAndNothingIsWritten) {
    const std::string before = registro_rows();
    struct Case {
        const char* id;
        const char* value;
        const char* message;
    } cases[] = {
        {"perc_desc", "101", "Percentual de Desconto inválido!"},
        {"perc_desc", "dez", "Percentual de Desconto inválido!"},
        {"perc_desc", "", "Percentual de Desconto inválido!"},
        {"email", "", "Email aviso de falha no Bloco X inválido!"},
        {"email", "loja@semponto", "Email aviso de falha no Bloco X inválido!"},
        {"email_ato_cotepe", "a b@c.com", "Email AtoCotepe inválido!"},
        {"certificado", "/nao/existe/cert.pfx", "Arquivo do certificado não encontrado!"},
        {"etiqueta_balanca", "3", "Valor inválido em \"Etiqueta Balança\"!"},
        {"senha_certificado", " abc", "Senha do Certificado não pode começar nem terminar"},
        // The client refuses anything but HTTPS; better said here than at the first send.
        {"endereco_fisco", "http://127.0.0.1:47443/blocox",
         "Endereço do WebService do Fisco inválido!"},
        {"certificado_fisco", "/nao/existe/fisco.pem",
         "Arquivo do certificado do Fisco não encontrado!"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(screen_.open());
        screen_.set_value(c.id, c.value);
        prompt_.clear();
        std::string focus;
        EXPECT_FALSE(screen_.save(&focus)) << c.id << "=" << c.value;
        EXPECT_EQ(focus, c.id);
        ASSERT_EQ(prompt_.shown().size(), 1u);
        EXPECT_EQ(prompt_.shown()[0].text.rfind(c.message, 0), 0u) << prompt_.shown()[0].text;
    }
    EXPECT_EQ(registro_rows(), before);
    EXPECT_EQ(log_rows(), "0");
    EXPECT_EQ(client("TipoCertificado"), "<ausente>");
}

TEST_F(SettingsScreen, AnA3CertificateMustBeInTheClientsList) {
    write_certificate_list(
        "[Geral]\nQuantidade=2\n"
        "[Certificado1]\nNumSerie=5A3F00\nCNPJ=12345678000195\nVencto=31/12/2027\n"
        "RazaoSocial=MERCADO CENTRAL LTDA\n"
        "[7B21CC]\nCNPJ=98765432000198\nVencto=01/06/2027\nRazaoSocial=FILIAL\n");
    ASSERT_TRUE(screen_.open());
    ASSERT_EQ(screen_.certificates().size(), 2u);
    EXPECT_EQ(screen_.certificates()[0].serial, "5A3F00");
    EXPECT_EQ(screen_.certificates()[0].company, "MERCADO CENTRAL LTDA");
    EXPECT_EQ(screen_.certificates()[1].serial, "7B21CC");  // the section names it

    screen_.set_value("tipo_certificado", "A3");
    screen_.set_value("num_serie", "FFFF");
    std::string focus;
    EXPECT_FALSE(screen_.save(&focus));
    EXPECT_EQ(focus, "num_serie");
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    EXPECT_EQ(prompt_.shown()[0].text, "Certificado inválido!");
    EXPECT_EQ(log_rows(), "0");

    screen_.set_value("num_serie", "7B21CC");
    EXPECT_TRUE(screen_.save());
    EXPECT_EQ(client("TipoCertificado"), "A3");
    EXPECT_EQ(client("NumSerie"), "7B21CC");
}

TEST_F(SettingsScreen, WithoutACertificateListNoA3SerialIsAccepted) {
    ASSERT_TRUE(screen_.open());
    EXPECT_TRUE(screen_.certificates().empty());
    screen_.set_value("tipo_certificado", "A3");
    EXPECT_FALSE(screen_.save());
    EXPECT_EQ(prompt_.count_containing("Certificado inválido!"), 1);
}

TEST_F(SettingsScreen, AClientFileThatCannotBeWrittenUndoesTheSettingsAndTheLog) {
    fs::create_directories(program_dir() / "xsginws.ini");  // a folder in its place
    ASSERT_TRUE(screen_.open());
    screen_.set_value("perc_desc", "20");
    EXPECT_FALSE(screen_.save());
    EXPECT_EQ(prompt_.count_containing("Erro ao gravar o arquivo"), 1);
    EXPECT_EQ(prompt_.count_containing("salvas com sucesso"), 0);
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "PercDesc", "nada"), "nada");
    EXPECT_EQ(log_rows(), "0");
}

TEST_F(SettingsScreen, ALostDatabaseShowsOneErrorAndOpensNothing) {
    std::string pid = QUERYSQL("SELECT pg_backend_pid();");
    std::string error;
    auto admin = db::PgConnection::open(db_.conninfo() + " dbname=postgres", &error);
    ASSERT_TRUE(admin) << error;
    // Gone for good: no reconnection brings it back.
    admin->exec("ALTER DATABASE " + db_.name() + " ALLOW_CONNECTIONS false;");
    admin->exec("SELECT pg_terminate_backend(" + pid + ");");
    EXPECT_FALSE(screen_.open());
    EXPECT_EQ(prompt_.shown().size(), 1u);
}

TEST_F(SettingsScreen, EmailAddressesAreCheckedForTheirShape) {
    EXPECT_TRUE(shell::valid_email("suporte@balcora.com.br"));
    EXPECT_TRUE(shell::valid_email("a.b-c@x.io"));
    for (const char* bad : {"", "semarroba.com", "@x.com", "a@b@c.com", "a@.com", "a@b.", "a@b",
                            "a@b.com;c@d.com", "a @b.com"})
        EXPECT_FALSE(shell::valid_email(bad)) << bad;
}

}  // namespace balcora::test
