#include "blocox/authority_queries.h"
#include "blocox/reg60m_browse.h"
#include "blocox/ws_answer.h"
#include "platform/process.h"
#include "transmission_fixture.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

extern char** environ;

namespace balcora::test {

namespace {

namespace fs = std::filesystem;

// Our test authority on a free port of 127.0.0.1, with a self-signed
// certificate that serves both its HTTPS and the establishment's signature;
// stopped with the test.
class TestAuthority {
  public:
    explicit TestAuthority(const fs::path& dir) : dir_(dir) {
        fs::create_directories(dir_ / "books");
        const std::string key = (dir_ / "key.pem").string(), cert = (dir_ / "cert.pem").string();
        ready_ = platform::run_program({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                                        "-keyout", key, "-out", cert, "-days", "30", "-subj",
                                        "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"})
                     .ok() &&
                 platform::run_program({"openssl", "pkcs12", "-export", "-out", pfx().string(),
                                        "-inkey", key, "-in", cert, "-passout", "pass:segredo"})
                     .ok();
        if (!ready_) return;
        rules("aceitar");
        const std::vector<std::string> argv = {BALCORA_BLOCOX_AUTHORITY_PATH,
                                               "--root",
                                               (dir_ / "books").string(),
                                               "--cert",
                                               cert,
                                               "--key",
                                               key,
                                               "--port",
                                               "0",
                                               "--assinante",
                                               cert,
                                               "--regras",
                                               (dir_ / "regras.ini").string()};
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ready_ = posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), environ) == 0;
        // It names its port once it listens.
        for (int i = 0; ready_ && i < 200 && !fs::exists(dir_ / "books" / "porta"); ++i)
            usleep(50000);
        std::ifstream(dir_ / "books" / "porta") >> port_;
        ready_ = ready_ && port_ > 0;
    }
    ~TestAuthority() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    bool ready() const { return ready_; }
    fs::path pfx() const { return dir_ / "estabelecimento.pfx"; }
    fs::path certificate() const { return dir_ / "cert.pem"; }
    std::string address() const { return "https://127.0.0.1:" + std::to_string(port_) + "/blocox"; }
    // The authority reads its rules again before every request.
    void rules(const std::string& mode) {
        std::ofstream(dir_ / "regras.ini")
            << "[Autoridade]\nModo=" << mode << "\nAtrasoProcessamento=0\n";
    }

  private:
    fs::path dir_;
    pid_t pid_ = 0;
    int port_ = 0;
    bool ready_ = false;
};

}  // namespace

class AuthorityRoundTrip : public TransmissionFixture {
  protected:
    void SetUp() override {
        TransmissionFixture::SetUp();
        if (HasFatalFailure()) return;
        // Our own client, found beside the program as in an installation.
        ASSERT_TRUE(write_ini("Programas", "BlocoX", BALCORA_BLOCOX_CLIENT_PATH, "balcora.ini"));
        ASSERT_TRUE(authority_.ready());
        const std::string ini = "c:\\sistemas\\balcora\\pgms\\xsginws.ini";
        for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
                 {"TipoCertificado", "A1"},
                 {"Certificado", authority_.pfx().string()},
                 {"Senha", "segredo"},
                 {"Ambiente", "2"},
                 {"EnderecoFisco", authority_.address()},
                 {"CertificadoFisco", authority_.certificate().string()},
                 {"TempoResposta", "2"}})
            ASSERT_TRUE(write_ini("Config", key, value, ini));
        ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET num_cred_ecf=4242;"), "1");
        prompt_.clear();
    }
    std::vector<std::string> receipts() {
        std::vector<std::string> out;
        db::SqlRecord r;
        QUERYSQL("SELECT rec_blocox FROM balcora.reg60m WHERE num_cont_red_z>0 ORDER BY data;", r);
        for (; r.has_row(); r.next()) out.emplace_back(r.C(1));
        return out;
    }

    TestAuthority authority_{root_.path() / "autoridade"};
};

TEST_F(AuthorityRoundTrip, ReductionsGoPendingToTransmittedToAcceptedAndACopyKeepsItsReceipt) {
    reductions(2);
    reduction(0, today(), "0");
    EXPECT_EQ(BLOCOX(blocox::kSendReductions), 0) << testing::PrintToString(texts());
    EXPECT_EQ(states(), "TTP");
    const auto sent = receipts();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(blocox::is_receipt(sent[0]) && blocox::is_receipt(sent[1]));
    EXPECT_NE(sent[0], sent[1]);

    // Processing takes the authority a moment after each receipt.
    for (int i = 0; i < 50 && states() != "AAP"; ++i) {
        BLOCOX(blocox::kQueryReductions);
        if (states() != "AAP") usleep(100000);
    }
    EXPECT_EQ(states(), "AAP");

    // The same file sent again is known by the authority: the first receipt.
    ASSERT_EQ(QUERYSQL("UPDATE balcora.reg60m SET sit_blocox='P', rec_blocox=NULL WHERE "
                       "num_cont_red_z=2;"),
              "1");
    EXPECT_EQ(BLOCOX(blocox::kSendReductions), 0);
    EXPECT_EQ(receipts(), sent);
}

// One row asked about from the Z-reduction list: the authority's state marks
// it accepted and its history is shown; a file cancelled there while we
// count it as sent, and a reduction it never got, are named as differences.
TEST_F(AuthorityRoundTrip, OneRowIsAskedAboutAndTheBooksAreComparedWithTheAuthoritys) {
    reductions(2);
    ASSERT_EQ(BLOCOX(blocox::kSendReductions), 0) << testing::PrintToString(texts());
    const auto sent = receipts();
    ASSERT_EQ(sent.size(), 2u);
    const std::int32_t first_id = static_cast<std::int32_t>(
        std::stol(value("SELECT id_reg60m FROM balcora.reg60m WHERE num_cont_red_z=1;")));
    prompt_.clear();
    blocox::Reg60mBrowse browse;
    browse.ask_authority(first_id);
    ASSERT_FALSE(texts().empty());
    EXPECT_NE(texts().front().find("Consulta ao Fisco: Redução Z 1"), std::string::npos)
        << texts().front();
    EXPECT_NE(texts().front().find("Processado e aceito"), std::string::npos) << texts().front();
    EXPECT_NE(texts().front().find("Arquivo recebido"), std::string::npos);
    EXPECT_EQ(states(), "AT");

    ASSERT_TRUE(blocox::cancel_file(sent[1], "Enviada com valores errados").done());
    const std::string ie = blocox::establishment_ie(glo::id_empresa);
    std::vector<blocox::AuthorityPendency> theirs;
    ASSERT_TRUE(blocox::taxpayer_pendencies(ie, &theirs).done());
    const std::vector<blocox::OurItem> ours = blocox::our_items(1, glo::id_empresa);
    std::vector<std::string> differences = blocox::pendency_differences(theirs, ours);
    ASSERT_EQ(differences.size(), 1u) << testing::PrintToString(differences);
    EXPECT_NE(differences[0].find("CRZ 0002"), std::string::npos) << differences[0];
    EXPECT_NE(differences[0].find("cancelada no Fisco"), std::string::npos) << differences[0];

    // A gap the authority sees in the sequence, against a row we count as sent.
    const blocox::AuthorityPendency gap{
        "ReducaoZ", ours[0].ecf, 0, "2", "Redução Z não recebida", {}, {"0001", "0007"}};
    differences = blocox::pendency_differences({gap}, ours);
    ASSERT_EQ(differences.size(), 2u) << testing::PrintToString(differences);
    EXPECT_NE(differences[0].find("o Fisco não a recebeu"), std::string::npos);
    EXPECT_NE(differences[1].find("não consta no Balcora"), std::string::npos);
}

// Last year's inventory and a released month, each with a product fit for
// the file, travel and come back accepted.
TEST_F(AuthorityRoundTrip, StockPeriodsGoPendingToTransmittedToAccepted) {
    const std::string product = value(
        "SELECT min(id_produto) FROM balcora.produto WHERE cod_ncm>0 AND ecf_st IN "
        "('T','S','F','I','N') AND (cest>0 OR ecf_cod_st<>'FF');");
    ASSERT_FALSE(product.empty());
    for (const char* day : {"2025-12-31", "2026-11-30"})
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.estinventario (id_empresa, data, id_produto, "
                           "qtdade, valor, qt_tot_aquisicao, vl_tot_aquisicao, "
                           "vl_tot_icmsdebforne, vl_bc_calcicmsst, vl_tot_icmsst) VALUES (1, '" +
                           std::string(day) + "', " + product + ", 3, 30, 3, 30, 0, 0, 0);"),
                  "1");
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.estoquex (id_empresa, periodo, sit_blocox, lib_env) "
                       "VALUES (1, '2025-12-31', 'P', 'S'), (1, '2026-11-01', 'P', 'S');"),
              "1");

    EXPECT_EQ(BLOCOX(blocox::kSendStock), 0) << testing::PrintToString(texts());
    auto stock_states = [this] {
        return value("SELECT string_agg(sit_blocox, '' ORDER BY periodo) FROM balcora.estoquex;");
    };
    EXPECT_EQ(stock_states(), "TT");
    const auto folder = root_.path() / "sistemas" / "balcora" /
                        "Recibos dos Arquivos com Informações do Estoque Mensal do Estabelecimento";
    EXPECT_TRUE(fs::exists(folder / "estoque122025-recibo.xml"));
    EXPECT_TRUE(fs::exists(folder / "estoque112026-recibo.xml"));
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "EmailEstoque"), "0");
    for (int i = 0; i < 50 && stock_states() != "AA"; ++i) {
        BLOCOX(blocox::kQueryStock);
        if (stock_states() != "AA") usleep(100000);
    }
    EXPECT_EQ(stock_states(), "AA");
}

TEST_F(AuthorityRoundTrip, RefusedSilentOrGarbledAnswersLeaveTheReductionPending) {
    reductions(1);
    struct Case {
        const char* mode;
        const char* shown;
    };
    for (const Case& c :
         {Case{"recusar", "Retorno WebService: Erro 1999 - Arquivo recusado"},
          Case{"calar", "Aviso: "}, Case{"resposta-lixo", "Resposta do Fisco ilegível"}}) {
        authority_.rules(c.mode);
        prompt_.clear();
        EXPECT_EQ(BLOCOX(blocox::kSendReductions), 1) << c.mode;
        EXPECT_EQ(states(), "P") << c.mode;
        const auto shown = texts();
        ASSERT_FALSE(shown.empty()) << c.mode;
        EXPECT_NE(shown.front().find(c.shown), std::string::npos)
            << c.mode << ": " << shown.front();
    }
    authority_.rules("aceitar");
    EXPECT_EQ(BLOCOX(blocox::kSendReductions), 0);
    EXPECT_EQ(states(), "T");
}

}  // namespace balcora::test
