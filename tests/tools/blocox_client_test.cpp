#include "payload.h"
#include "platform/self_signed_certificate.h"
#include "signer.h"
#include "soap.h"
#include "support/temp_root.h"
#include "xml_security.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using balcora::platform::SelfSignedRequest;

namespace {

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string element(const std::string& xml, const std::string& name) {
    if (xml.find("<" + name + "/>") != std::string::npos) return "";
    size_t at = xml.find("<" + name + ">");
    if (at == std::string::npos) return "<absent>";
    at += name.size() + 2;
    return xml.substr(at, xml.find("</" + name + ">", at) - at);
}

std::string z_reduction(const std::string& crz) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ReducaoZ Versao=\"1.0\"><Mensagem>"
           "<Estabelecimento><Ie>255555555</Ie></Estabelecimento><PafEcf><NumeroCredenciamento>"
           "1234</NumeroCredenciamento></PafEcf><Ecf><NumeroFabricacao>BV202612000001"
           "</NumeroFabricacao><DadosReducaoZ><DataReferencia>2026-12-07</DataReferencia>"
           "<DataHoraEmissao>2026-12-07T18:30:00</DataHoraEmissao><CRZ>" +
           crz +
           "</CRZ><COO>000010</COO><CRO>001</CRO><VendaBrutaDiaria>00000000001000</"
           "VendaBrutaDiaria>"
           "<GT>000000000000051000</GT><TotalizadoresParciais><TotalizadorParcial><Nome>01T1800"
           "</Nome><Valor>10,00</Valor><ProdutosServicos><Produto><Descricao>ARROZ TIPO 1"
           "</Descricao><CodigoGTIN>7890000000017</CodigoGTIN><CodigoCEST></CodigoCEST>"
           "<CodigoNCMSH>10063021</CodigoNCMSH><CodigoProprio>1</CodigoProprio><Quantidade>2,000"
           "</Quantidade><Unidade>UN</Unidade><ValorDesconto>0,00</ValorDesconto><ValorAcrescimo>"
           "0,00</ValorAcrescimo><ValorCancelamento>0,00</ValorCancelamento><ValorTotalLiquido>"
           "10,00</ValorTotalLiquido></Produto></ProdutosServicos></TotalizadorParcial>"
           "</TotalizadoresParciais></DadosReducaoZ></Ecf></Mensagem></ReducaoZ>\n";
}

std::string stock() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Estoque Versao=\"1.0\"><Mensagem>"
           "<Estabelecimento><Ie>255555555</Ie></Estabelecimento><PafEcf><NumeroCredenciamento>"
           "1234</NumeroCredenciamento></PafEcf><DadosEstoque><DataReferencia>2026-11-30"
           "</DataReferencia><Produtos><Produto><Descricao>ARROZ</Descricao><CodigoGTIN>"
           "7890000000017</CodigoGTIN><CodigoCEST>123</CodigoCEST><CodigoNCMSH>10063021"
           "</CodigoNCMSH><CodigoProprio>1</CodigoProprio><Quantidade>-3,000</Quantidade>"
           "<QuantidadeTotalAquisicao>0,000</QuantidadeTotalAquisicao><Unidade>UN</Unidade>"
           "<ValorUnitario>-5,000</ValorUnitario><ValorTotalAquisicao>0,00</ValorTotalAquisicao>"
           "<ValorTotalICMSDebitoFornecedor>0,00</ValorTotalICMSDebitoFornecedor>"
           "<ValorBaseCalculoICMSST>0,00</ValorBaseCalculoICMSST><ValorTotalICMSST>0,00"
           "</ValorTotalICMSST><SituacaoTributaria>Tributado pelo ICMS</SituacaoTributaria>"
           "<Aliquota> 7,00</Aliquota><IsArredondado>0</IsArredondado><Ippt>Terceiros</Ippt>"
           "<SituacaoEstoque>Negativo</SituacaoEstoque></Produto></Produtos></DadosEstoque>"
           "</Mensagem></Estoque>\n";
}

std::string query(const std::string& receipt) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Manutencao Versao=\"1.0\"><Mensagem>"
           "<Recibo>" +
           receipt + "</Recibo></Mensagem></Manutencao>\n";
}

// The client's exit status; -1 when it had to be killed.
int client_exit(const fs::path& root, const fs::path& ini) {
    pid_t pid = fork();
    if (pid == 0) {
        execl(BALCORA_BLOCOX_CLIENT_PATH, BALCORA_BLOCOX_CLIENT_PATH, "--root", root.c_str(),
              "--ini", ini.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // The client must end by itself; this guard only keeps a hung client
    // from hanging the test run.
    int status = 0;
    for (int i = 0; i < 3000; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ADD_FAILURE() << "o cliente não terminou";
    return -1;
}

// What one run of the client left: its exit status, the exchange file's
// "Retorno" and the answer it names.
struct Outcome {
    int exit = -1;
    std::string status, message, answer;
};

// The client and the authority as the program and the demo run them: the
// authority on a free port of 127.0.0.1 trusting the shop's test certificate,
// the client driven through the exchange file.
class BlocoXClientTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static blocox::XmlSecurity xml_security;
        certs_ = new balcora::test::TempRoot();
        const fs::path d = certs_->path();
        std::string error;
        SelfSignedRequest server{"127.0.0.1"};
        server.server = true;
        SelfSignedRequest expired{"LOJA VENCIDA"};
        expired.first_day = -400;
        expired.last_day = -1;
        ASSERT_TRUE(balcora::platform::write_self_signed_pkcs12({"LOJA TESTE"}, d / "loja.pfx",
                                                                "s3nha", d / "loja.pem", &error) &&
                    balcora::platform::write_self_signed_pkcs12({"OUTRA LOJA"}, d / "outra.pfx",
                                                                "s3nha", d / "outra.pem", &error) &&
                    balcora::platform::write_self_signed_pkcs12(expired, d / "vencido.pfx", "s3nha",
                                                                d / "vencido.pem", &error) &&
                    balcora::platform::write_self_signed_pem(server, d / "servidor.pem",
                                                             d / "servidor.key", &error))
            << error;
    }
    static void TearDownTestSuite() { delete certs_; }

    void SetUp() override { start_authority(); }
    void TearDown() override {
        if (authority_ > 0) {
            kill(authority_, SIGTERM);
            waitpid(authority_, nullptr, 0);
        }
    }

    void rules(const std::string& text) {
        std::ofstream(root_.path() / "regras.ini") << "[Autoridade]\n" << text;
    }

    void start_authority() {
        rules("AtrasoProcessamento=3600\n");
        const fs::path d = certs_->path();
        const fs::path books = root_.path() / "autoridade";
        authority_ = fork();
        if (authority_ == 0) {
            execl(BALCORA_BLOCOX_AUTHORITY_PATH, BALCORA_BLOCOX_AUTHORITY_PATH, "--root",
                  books.c_str(), "--cert", (d / "servidor.pem").c_str(), "--key",
                  (d / "servidor.key").c_str(), "--port", "0", "--assinante",
                  (d / "loja.pem").c_str(), "--regras", (root_.path() / "regras.ini").c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        // A guard against an authority that never starts, not a measurement.
        for (int i = 0; i < 1500 && !fs::exists(books / "porta"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(fs::exists(books / "porta"));
        port_ = std::stoi(read_text(books / "porta"));
        address_ = "https://127.0.0.1:" + std::to_string(port_) + "/blocox";
    }

    // The exchange file as the program writes it before each run.
    Outcome run_client(const std::string& action, const std::string& file_name,
                       const std::string& xml, const std::string& receipt = "null",
                       const std::string& pfx = "loja.pfx", const std::string& password = "s3nha") {
        const fs::path file = root_.path() / "sistemas/balcora/pafecf" / file_name;
        std::ofstream(file, std::ios::binary) << xml;
        const fs::path answer = file.parent_path() / (file.stem().string() + "-retorno.xml");
        fs::remove(answer);
        std::ofstream(ini_) << "[Config]\nTipoCertificado=A1\nCertificado="
                            << (certs_->path() / pfx).string() << "\nSenha=" << password
                            << "\nAmbiente=2\nEnderecoFisco=" << address_
                            << "\nCertificadoFisco=" << (certs_->path() / "servidor.pem").string()
                            << "\nTempoConexao=5\nTempoResposta=2\n[Envio]\nAcaoEnvio=" << action
                            << "\nArquivo=" << file.string() << "\nRecibo=" << receipt
                            << "\n[Retorno]\nStatus=null\nArquivo=null\n";
        // The file holds the certificate's password: made private, it stays
        // private after the client wrote its outcome.
        fs::permissions(ini_, fs::perms::owner_read | fs::perms::owner_write);
        Outcome out;
        out.exit = client_exit(root_.path(), ini_);
        if (out.exit < 0) return out;
        EXPECT_EQ(fs::status(ini_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        const std::string ini = read_text(ini_);
        const std::string retorno = ini.substr(ini.find("[Retorno]"));
        auto key = [&](const std::string& k) {
            size_t at = retorno.find("\n" + k + "=");
            if (at == std::string::npos) return std::string("<absent>");
            at += k.size() + 2;
            return retorno.substr(at, retorno.find('\n', at) - at);
        };
        out.status = key("Status");
        out.message = key("Mensagem");
        if (out.status == "Ok") {
            EXPECT_EQ(key("Arquivo"), answer.string());
            out.answer = read_text(answer);
        } else {
            EXPECT_EQ(key("Arquivo"), "null");
            EXPECT_FALSE(fs::exists(answer));
        }
        return out;
    }

    static inline balcora::test::TempRoot* certs_ = nullptr;
    balcora::test::TempRoot root_;
    fs::path ini_ = root_.path() / "sistemas/balcora/pgms/xsginws.ini";
    std::string address_;
    int port_ = 0;
    pid_t authority_ = -1;
};

TEST_F(BlocoXClientTest, FilesTravelSignedAndComeBackWithReceiptsDuplicatesAndProcessing) {
    Outcome first = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z_reduction("0001"));
    ASSERT_EQ(first.exit, 0) << first.message;
    EXPECT_EQ(first.status, "Ok");
    EXPECT_EQ(element(first.answer, "SituacaoProcessamentoCodigo"), "0");
    const std::string receipt = element(first.answer, "Recibo");
    EXPECT_EQ(receipt.size(), 36u);

    // The same reduction again: the first receipt, at the end of the message.
    Outcome again = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z_reduction("0001"));
    EXPECT_EQ(again.status, "Ok");
    EXPECT_EQ(element(again.answer, "SituacaoProcessamentoCodigo"), "2");
    const std::string message = element(again.answer, "Mensagem");
    EXPECT_EQ(message.substr(0, 9), "Erro 1009");
    EXPECT_TRUE(message.ends_with(receipt)) << message;

    Outcome month = run_client("EnviarEstoque", "estoque112026.xml", stock());
    EXPECT_EQ(element(month.answer, "SituacaoProcessamentoCodigo"), "0") << month.answer;

    // CRO before COO: out of order, refused, no receipt.
    std::string disordered_z = z_reduction("0002");
    disordered_z.erase(disordered_z.find("<CRO>001</CRO>"), 14);
    disordered_z.insert(disordered_z.find("<COO>"), "<CRO>001</CRO>");
    Outcome disordered = run_client("EnviarReducaoZ", "reducaoz08122026.xml", disordered_z);
    EXPECT_EQ(element(disordered.answer, "SituacaoProcessamentoCodigo"), "2");
    EXPECT_EQ(element(disordered.answer, "Recibo"), "");
    EXPECT_EQ(element(disordered.answer, "Mensagem").substr(0, 9), "Erro 1003")
        << disordered.answer;

    Outcome waiting = run_client("ConsultarProcessamento", "consultareducaoz07122026.xml",
                                 query(receipt), receipt);
    EXPECT_EQ(element(waiting.answer, "SituacaoProcessamentoCodigo"), "0");
    rules("AtrasoProcessamento=0\n");
    Outcome processed = run_client("ConsultarProcessamento", "consultareducaoz07122026.xml",
                                   query(receipt), receipt);
    EXPECT_EQ(element(processed.answer, "SituacaoProcessamentoCodigo"), "1");
}

// A client that connected and never spoke held the authority for ten seconds,
// long past the others' time limits: now each connection is served apart,
// and the idle one is still waited on after the others were answered.
TEST_F(BlocoXClientTest, AnIdleConnectionHoldsNoOtherClient) {
    const int idle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(static_cast<uint16_t>(port_));
    ASSERT_EQ(connect(idle, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    Outcome sent = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z_reduction("0001"));
    EXPECT_EQ(sent.status, "Ok") << sent.message;
    Outcome again = run_client("EnviarEstoque", "estoque112026.xml", stock());
    EXPECT_EQ(again.status, "Ok") << again.message;
    char byte = 0;
    errno = 0;
    EXPECT_EQ(recv(idle, &byte, 1, MSG_DONTWAIT), -1);  // neither closed nor answered
    EXPECT_TRUE(errno == EAGAIN || errno == EWOULDBLOCK) << errno;
    close(idle);
}

// Posts an already signed document as the client would, past the client.
std::string post_signed(const std::string& address, const fs::path& trusted,
                        const std::string& signed_xml) {
    blocox::SoapRequest request{std::string(blocox::kSendOperation),
                                blocox::to_base64(blocox::zip_one_file("z.xml", signed_xml)), "2"};
    const std::string body = blocox::soap_request(request);
    std::string answer;
    CURL* c = curl_easy_init();
    curl_easy_setopt(c, CURLOPT_URL, address.c_str());
    curl_easy_setopt(c, CURLOPT_CAINFO, trusted.c_str());
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(
        c, CURLOPT_WRITEFUNCTION, +[](char* d, size_t s, size_t n, void* out) {
            static_cast<std::string*>(out)->append(d, s * n);
            return s * n;
        });
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer);
    EXPECT_EQ(curl_easy_perform(c), CURLE_OK);
    curl_easy_cleanup(c);
    std::string error;
    return blocox::read_soap_response(answer, &error).value_or(error);
}

TEST_F(BlocoXClientTest, SignaturesThatDoNotHoldAreRefused) {
    std::string error, signed_xml;
    blocox::SigningKey key = blocox::open_certificate(certs_->path() / "loja.pfx", "s3nha", &error);
    ASSERT_TRUE(key) << error;
    ASSERT_TRUE(blocox::sign_document(z_reduction("0003"), key.get(), &signed_xml, &error));
    std::string tampered = signed_xml;
    tampered.replace(tampered.find("<CRZ>0003"), 9, "<CRZ>0004");
    const fs::path trusted = certs_->path() / "servidor.pem";
    std::string refused = post_signed(address_, trusted, tampered);
    EXPECT_EQ(element(refused, "SituacaoProcessamentoCodigo"), "2");
    EXPECT_EQ(element(refused, "Mensagem").substr(0, 9), "Erro 1002") << refused;
    // The untouched file passes, so the refusal was the tampering's.
    EXPECT_EQ(element(post_signed(address_, trusted, signed_xml), "SituacaoProcessamentoCodigo"),
              "0");

    // Signed soundly, but with a certificate the authority was not given.
    Outcome stranger = run_client("EnviarReducaoZ", "reducaoz09122026.xml", z_reduction("0005"),
                                  "null", "outra.pfx");
    EXPECT_EQ(element(stranger.answer, "Mensagem").substr(0, 9), "Erro 1002");
}

TEST_F(BlocoXClientTest, NoAnswerLeavesNoOkAndSaysWhy) {
    const std::string z = z_reduction("0001");
    Outcome wrong =
        run_client("EnviarReducaoZ", "reducaoz07122026.xml", z, "null", "loja.pfx", "x");
    EXPECT_EQ(wrong.exit, 1);
    EXPECT_EQ(wrong.status, "Erro");
    EXPECT_NE(wrong.message.find("Senha do certificado digital incorreta"), std::string::npos);

    Outcome expired =
        run_client("EnviarReducaoZ", "reducaoz07122026.xml", z, "null", "vencido.pfx");
    EXPECT_EQ(expired.status, "Erro");
    EXPECT_NE(expired.message.find("vencido"), std::string::npos) << expired.message;

    Outcome missing = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z, "null", "nada.pfx");
    EXPECT_NE(missing.message.find("não encontrado"), std::string::npos) << missing.message;

    rules("Modo=calar\n");
    Outcome silent = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z);
    EXPECT_EQ(silent.exit, 1);
    EXPECT_EQ(silent.status, "Erro");
    EXPECT_NE(silent.message.find("tempo limite"), std::string::npos) << silent.message;

    rules("Modo=lixo\n");
    Outcome garbage = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z);
    EXPECT_EQ(garbage.status, "Erro");
    EXPECT_NE(garbage.message.find("ilegível"), std::string::npos) << garbage.message;

    EXPECT_EQ(client_exit(root_.path(), root_.path() / "nao-existe.ini"), 1);

    kill(authority_, SIGTERM);
    waitpid(authority_, nullptr, 0);
    authority_ = -1;
    Outcome down = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z);
    EXPECT_EQ(down.status, "Erro");
    EXPECT_NE(down.message.find("não está respondendo"), std::string::npos) << down.message;
}

// What reaches the authority or comes back to the client is read from the
// wire: damaged archives, base 64 and envelopes give nothing, never a crash.
TEST(BlocoXPayload, DamagedInputIsRefusedAndSoundInputComesBackWhole) {
    const std::string z = z_reduction("0001");
    const std::string zip = blocox::zip_one_file("z.xml", z);
    ASSERT_EQ(blocox::unzip_first_file(zip, 1 << 20), z);
    ASSERT_EQ(blocox::from_base64(blocox::to_base64(zip)), zip);
    EXPECT_FALSE(blocox::unzip_first_file(zip, z.size() - 1));  // beyond the allowed size

    const std::string envelope = blocox::soap_response("Enviar", "<Resposta/>");
    std::mt19937 random(20261207);
    for (int i = 0; i < 3000; ++i) {
        std::string damaged = i % 3 == 0 ? envelope : zip;
        damaged.resize(random() % (damaged.size() + 1));
        for (int flips = random() % 4; flips > 0 && !damaged.empty(); --flips)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        std::string error;
        if (i % 3 == 0) {
            blocox::read_soap_response(damaged, &error);
        } else {
            auto content = blocox::unzip_first_file(damaged, 1 << 20);
            // The checksum lets nothing else through.
            if (content) {
                EXPECT_EQ(*content, z);
            }
            blocox::from_base64(damaged);
        }
    }
}

}  // namespace
