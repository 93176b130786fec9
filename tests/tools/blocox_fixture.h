#pragma once

#include "platform/self_signed_certificate.h"
#include "support/temp_root.h"
#include "xml_security.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

// The Bloco X client and the test authority as the program and the demo run
// them, with the documents the checkout sends.

namespace balcora::test {

inline std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string element(const std::string& xml, const std::string& name) {
    if (xml.find("<" + name + "/>") != std::string::npos) return "";
    size_t at = xml.find("<" + name + ">");
    if (at == std::string::npos) return "<absent>";
    at += name.size() + 2;
    return xml.substr(at, xml.find("</" + name + ">", at) - at);
}

inline std::string z_reduction(const std::string& crz) {
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

inline std::string stock() {
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

inline std::string query(const std::string& receipt) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Manutencao Versao=\"1.0\"><Mensagem>"
           "<Recibo>" +
           receipt + "</Recibo></Mensagem></Manutencao>\n";
}

// The client's exit status; -1 when it had to be killed.
inline int client_exit(const fs::path& root, const fs::path& ini) {
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
    std::string status, message, answer, downloaded;
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
        balcora::platform::SelfSignedRequest server{"127.0.0.1"};
        server.server = true;
        balcora::platform::SelfSignedRequest expired{"LOJA VENCIDA"};
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
        address_ = "https://127.0.0.1:" + std::to_string(port_) + "/wsDfeSiv/BlocoX.asmx";
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
                            << "\nTempoConexao=5\nTempoResposta=2\n"
                            << settings_ << "[Envio]\nAcaoEnvio=" << action
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
            if (key("ArquivoBaixado") != "<absent>")
                out.downloaded = read_text(key("ArquivoBaixado"));
        } else {
            EXPECT_EQ(key("Arquivo"), "null");
            EXPECT_FALSE(fs::exists(answer));
        }
        return out;
    }

    // More "Config" lines of the exchange file ("VersaoSoap=1.2\n").
    std::string settings_;
    static inline balcora::test::TempRoot* certs_ = nullptr;
    balcora::test::TempRoot root_;
    fs::path ini_ = root_.path() / "sistemas/balcora/pgms/xsginws.ini";
    std::string address_;
    int port_ = 0;
    pid_t authority_ = -1;
};

}  // namespace balcora::test
