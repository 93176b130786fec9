#include "fiscal/mail_notice.h"

#include "db/settings.h"
#include "support/balcora_cli.h"
#include "support/smtp_sink.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

#include <fstream>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

class MailNotice : public DbTest {
  protected:
    void configure_relay(const std::string& server) {
        ASSERT_TRUE(GRAVAREGISTRO("balcora", fiscal::kMailSection, fiscal::kMailServerKey, server));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", fiscal::kMailSection, fiscal::kMailSenderKey,
                                  "pdv@loja.com.br"));
        ASSERT_TRUE(
            GRAVAREGISTRO("balcora", fiscal::kMailSection, fiscal::kMailUserKey, "caixa01"));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", fiscal::kMailSection, fiscal::kMailPasswordKey,
                                  "0123456789abcdef0123456789abcdef"));
        // The test executable is not balcora: name the one built beside it.
        ASSERT_TRUE(write_ini("Programas", fiscal::kMailerProgramKey, balcora_program() + " mail",
                              "balcora.ini"));
    }
    fs::path body_file() {
        fs::path file = data_root().map("c:\\sistemas\\email.txt");
        std::ofstream(file, std::ios::binary) << "<p>Pendência</p>\r\n";
        return file;
    }
};

// The relay of the installation's settings carries the notice (its login
// succeeds though the password is on no command line), the recipient's
// blank padding is dropped, and the attachment goes along.
TEST_F(MailNotice, GoesOutThroughTheInstallationRelay) {
    SmtpSink sink("caixa01", "0123456789abcdef0123456789abcdef");
    ASSERT_TRUE(sink.running()) << "needs python3-aiosmtpd (scripts/install-deps)";
    configure_relay(sink.server());
    const fs::path attachment = data_root().map("c:\\sistemas\\balcora\\pafecf\\ato.txt");
    fs::create_directories(attachment.parent_path());
    std::ofstream(attachment) << "E00|arquivo\r\n";

    fiscal::MailOutcome out = fiscal::send_mail_notice(
        body_file(), "PENDENCIA BLOCO X - Loja - 07/12/2026",
        "suporte@loja.com.br" + std::string(81, ' '), {attachment}, std::chrono::seconds(30));
    ASSERT_TRUE(out.sent) << out.error;
    const fs::path m = sink.message(1);
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(file_text(m / "subject"), "PENDENCIA BLOCO X - Loja - 07/12/2026");
    EXPECT_EQ(file_text(m / "body"), "<p>Pendência</p>\r\n");
    EXPECT_EQ(file_text(m / "attachments" / "ato.txt"), "E00|arquivo\r\n");
    EXPECT_EQ(file_text(m / "envelope"), "pdv@loja.com.br\nsuporte@loja.com.br\ncaixa01\n");
}

// A relay that never answers does not hold the caller: the mailer is
// stopped at the caller's limit and the notice counts as not sent. Without
// a relay configured nothing is started at all.
TEST_F(MailNotice, SilentOrMissingRelayIsNotSent) {
    SilentServer silent;
    configure_relay(silent.server());
    fiscal::MailOutcome out = fiscal::send_mail_notice(body_file(), "Aviso", "suporte@loja.com.br",
                                                       {}, std::chrono::seconds(1));
    EXPECT_FALSE(out.sent);
    EXPECT_NE(out.error.find("interrompido"), std::string::npos) << out.error;

    ASSERT_TRUE(GRAVAREGISTRO("balcora", fiscal::kMailSection, fiscal::kMailServerKey, ""));
    out = fiscal::send_mail_notice(body_file(), "Aviso", "suporte@loja.com.br", {},
                                   std::chrono::seconds(1));
    EXPECT_FALSE(out.sent);
    EXPECT_NE(out.error.find("\"Servidor\""), std::string::npos) << out.error;
}

}  // namespace
}  // namespace balcora::test
