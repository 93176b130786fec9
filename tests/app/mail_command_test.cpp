#include "support/balcora_cli.h"
#include "support/loopback_port.h"
#include "support/smtp_sink.h"
#include "support/temp_root.h"

#include <gtest/gtest.h>

#include <fstream>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

void write_file(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::vector<std::string> mail_words(const fs::path& body, const std::string& server,
                                    const std::string& password) {
    return {"mail",
            body.string(),
            "-html",
            "-subject",
            "Aviso",
            "-to",
            "suporte@loja.com.br",
            "-f",
            "pdv@loja.com.br",
            "-server",
            server,
            "-u",
            "caixa01",
            "-pw",
            password,
            "-timeout",
            "2"};
}

// What reaches the relay is what the program meant: the accented subject
// (longer than one encoded word), the HTML body with its line ends and the
// attachment byte for byte, after the relay's login.
TEST(MailCommand, RelayReceivesSubjectHtmlBodyAndAttachmentIntact) {
    TempRoot root;
    SmtpSink sink("caixa01", "0123456789abcdef0123456789abcdef");
    ASSERT_TRUE(sink.running()) << "needs python3-aiosmtpd (scripts/install-deps)";
    const std::string body =
        "<center><b>Pendência Bloco X</b></center>\r\n<p>2 arquivo ReduçaoZ pendente de envio\r\n";
    write_file(root.path() / "email.txt", body);
    std::string attachment;
    for (int i = 0; i < 256; ++i) attachment += static_cast<char>(i);
    write_file(root.path() / "PAF_0001.txt", attachment + attachment);
    const std::string subject = "Ato COTEPE 17/04 - (11/2026) - 0001 - Comércio de Peças São João";

    platform::ProcessResult r =
        balcora_cli(root.path(), {"mail", (root.path() / "email.txt").string(), "-html", "-subject",
                                  subject, "-to", "suporte@loja.com.br ,  fiscal@loja.com.br", "-f",
                                  "pdv@loja.com.br", "-server", sink.server(), "-u", "caixa01",
                                  "-pw", "0123456789abcdef0123456789abcdef", "-attach",
                                  (root.path() / "PAF_0001.txt").string()});
    ASSERT_EQ(r.exit_code, 0) << r.output;
    const fs::path m = sink.message(1);
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(file_text(m / "subject"), subject);
    EXPECT_EQ(file_text(m / "body_type"), "text/html");
    EXPECT_EQ(file_text(m / "body"), body);
    EXPECT_EQ(file_text(m / "attachments" / "PAF_0001.txt"), attachment + attachment);
    EXPECT_EQ(file_text(m / "envelope"),
              "pdv@loja.com.br\nsuporte@loja.com.br,fiscal@loja.com.br\ncaixa01\n");
}

// A refused login, a relay that is not there and one that never answers all
// end in failure with a reason, never in a success or a wait without end.
TEST(MailCommand, RefusedAbsentOrSilentRelayFailsWithAReason) {
    TempRoot root;
    write_file(root.path() / "email.txt", "<p>teste</p>");
    const fs::path body = root.path() / "email.txt";
    SmtpSink sink("caixa01", "certa");
    ASSERT_TRUE(sink.running()) << "needs python3-aiosmtpd (scripts/install-deps)";
    SilentServer silent;
    const std::string absent = "127.0.0.1:" + std::to_string(unused_loopback_port());

    const std::pair<std::string, std::string> cases[] = {
        {sink.server(), "resposta do servidor: 535"},
        {absent, "smtp://" + absent + ": "},
        {silent.server(), "tempo esgotado"}};
    for (const auto& [server, reason] : cases) {
        platform::ProcessResult r = balcora_cli(root.path(), mail_words(body, server, "errada"));
        EXPECT_TRUE(r.started);
        EXPECT_NE(r.exit_code, 0) << server;
        EXPECT_NE(r.output.find("balcora mail: falha no envio"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find(reason), std::string::npos) << r.output;
    }
    EXPECT_TRUE(sink.message(1).empty());
}

}  // namespace
}  // namespace balcora::test
