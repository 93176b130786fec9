#include "shell/open_database.h"
#include "db/connection_string.h"
#include "db/database.h"
#include "db/database_settings_screen.h"
#include "globals/globals.h"
#include "platform/ini_file.h"
#include "support/loopback_port.h"
#include "support/test_database.h"

#include <unistd.h>

namespace balcora::test {

TEST(ConnectionString, HasTheDocumentedAttributesInOrder) {
    EXPECT_EQ(db::build_connection_string("", 5432, "balcora", "9f3e"),
              "DRIVER=PostgreSQL ANSI;DATABASE=balcora;SERVER=localhost;PORT=5432;UID=balcora;"
              "PWD=9f3e;SHOWSYSTEMTABLES=1;UseServerSidePrepare=0;Protocol=7.4-1;");
    EXPECT_NE(db::build_connection_string("caixa2", 5433, "balcora", "x")
                  .find(";SERVER=caixa2;PORT=5433;"),
              std::string::npos);
    EXPECT_EQ(db::libpq_conninfo(db::build_connection_string("caixa2", 5433, "gerente", "s3")),
              "host='caixa2' port='5433' dbname='balcora' user='gerente' password='s3' "
              "connect_timeout=10 application_name='Balcora'");
}

TEST(ConnectionString, ThisMachineIsReachedByItsSocketOrByAddressNeverByName) {
    for (const char* server : {"", "localhost", "127.0.0.1"}) {
        const std::string text = db::build_connection_string(server, 5433, "balcora", "s3");
        EXPECT_EQ(db::libpq_conninfo(text).rfind("hostaddr=127.0.0.1 port='5433' ", 0), 0u)
            << server;
        EXPECT_EQ(db::libpq_conninfo(text, "/srv/loja/run").rfind("host='/srv/loja/run' ", 0), 0u)
            << server;
    }
}

class DatabaseSettings : public EnvTest {
  protected:
    std::filesystem::path ini() const { return root_.path() / "windows" / "balcora.ini"; }
};

TEST_F(DatabaseSettings, OpensWithDefaultsForBlankValuesAndOkWrites) {
    platform::ini_write(ini(), "Configuracao", "Porta", "6000");
    db::DatabaseSettingsScreen screen;
    screen.open();
    EXPECT_EQ(screen.usuario, "postgres");
    EXPECT_EQ(screen.senha, "pdvsenha");
    EXPECT_EQ(screen.porta, "6000");
    screen.usuario = std::string(30, 'u');  // longer than the entry allows
    screen.close();
    EXPECT_EQ(platform::ini_read(ini(), "Configuracao", "Usuario"), "");
    screen.open();
    screen.usuario = std::string(30, 'u');
    ASSERT_TRUE(screen.ok());
    EXPECT_EQ(platform::ini_read(ini(), "Configuracao", "Usuario"), std::string(20, 'u'));
    EXPECT_EQ(platform::ini_read(ini(), "Configuracao", "Senha"), "pdvsenha");
}

TEST_F(DatabaseSettings, StartAsksForBlankSettingsAndStopsWhenNoServerAnswers) {
    int asked = 0;
    const int port = unused_loopback_port();
    screens_.provide_view<db::DatabaseSettingsScreen>([&](db::DatabaseSettingsScreen& s) {
        ++asked;
        s.porta = std::to_string(port);
        s.ok();
    });
    EXPECT_FALSE(INICIABD());
    EXPECT_EQ(asked, 1);  // the first answer completed every blank value
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text.rfind("ERRO CONEXÃO BANCO DE DADOS - ", 0), 0u);
    EXPECT_NE(glo::string_conexao.find("PORT=" + std::to_string(port) + ";"), std::string::npos);
    EXPECT_EQ(db::connection(), nullptr);
}

}  // namespace balcora::test
