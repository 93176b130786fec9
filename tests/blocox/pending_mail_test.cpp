#include "blocox/pending_mail.h"
#include "fiscal/mail_notice.h"
#include "transmission_fixture.h"

namespace balcora::test {

class PendingMail : public TransmissionFixture {
  protected:
    void SetUp() override {
        TransmissionFixture::SetUp();
        if (HasFatalFailure()) return;
        // A mailer that only keeps what it was given.
        const auto script = dir_ / "mailer.sh";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (dir_ / "args").string()
                              << "'\n";
        ASSERT_TRUE(write_ini("Programas", "Email", "sh " + script.string(), "balcora.ini"));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", fiscal::kMailSection, fiscal::kMailServerKey,
                                  "smtp.loja.com.br"));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", fiscal::kMailSection, fiscal::kMailSenderKey,
                                  "pdv@loja.com.br"));
    }
    std::string file(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(PendingMail, TheNoticeGoesOnlyWhenDueAndCountsWhatIsPending) {
    reductions(2);
    reduction(0, today(), "0");
    // Not due: nothing is written or sent.
    EXPECT_TRUE(blocox::mail_pending_notice(demo::kPrinterId, demo::kCompanyId, "x@y.com"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "args"));

    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "EmailReducaoZ", "1"));
    EXPECT_TRUE(
        blocox::mail_pending_notice(demo::kPrinterId, demo::kCompanyId, "suporte@balcora.com.br"));
    const std::string name = value("SELECT trim(nome) FROM balcora.empresa WHERE id_empresa=1;");
    const std::string cnpj = value("SELECT trim(cnpj) FROM balcora.empresa WHERE id_empresa=1;");
    EXPECT_EQ(file(root_.path() / "sistemas" / "email.txt"),
              "<center><b>Pendência Bloco X</b></center>\r\n<p>Empresa:" + name + " - " + cnpj +
                  "\r\n<p>2 arquivo ReduçaoZ pendente de envio\r\n");
    const std::string args = file(dir_ / "args");
    EXPECT_NE(args.find("PENDENCIA BLOCO X - " + name + " - 07/12/2026\n"), std::string::npos);
    EXPECT_NE(args.find("-to\nsuporte@balcora.com.br\n"), std::string::npos);
}

}  // namespace balcora::test
