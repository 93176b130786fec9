// The client against answers written by hand in the published service's
// shape, served by a bare HTTPS server: what it sends must be the published
// request, and every answer that is not a sound one must leave the program
// without an answer and with a clear reason.
#include "authority.h"
#include "blocox_fixture.h"
#include "payload.h"
#include "tls_server.h"

#include <atomic>
#include <mutex>

using namespace balcora::test;

namespace {

constexpr const char* kSoap11Head =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
    "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>";
constexpr const char* kSoap11Tail = "</soap:Body></soap:Envelope>";
constexpr const char* kSoap12Head =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap12:Envelope "
    "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body>";
constexpr const char* kSoap12Tail = "</soap12:Body></soap12:Envelope>";

// A TransmitirArquivo answer holding `resposta`, already escaped.
std::string answer11(const std::string& resposta) {
    return std::string(kSoap11Head) +
           "<TransmitirArquivoResponse xmlns=\"http://webservices.sef.sc.gov.br/wsDfeSiv/\">"
           "<TransmitirArquivoResult>" +
           resposta + "</TransmitirArquivoResult></TransmitirArquivoResponse>" + kSoap11Tail;
}

std::string resposta(const std::string& inner) {
    return "&lt;Resposta Versao=\"1.0\"&gt;" + inner + "&lt;/Resposta&gt;";
}

std::string between(const std::string& text, const std::string& open, const std::string& close) {
    const size_t at = text.find(open);
    if (at == std::string::npos) return {};
    const size_t from = at + open.size();
    return text.substr(from, text.find(close, from) - from);
}

class BlocoXClientAnswers : public BlocoXClientTest {
  protected:
    void SetUp() override {
        std::string error;
        const fs::path d = certs_->path();
        ASSERT_TRUE(server_.open(d / "servidor.pem", d / "servidor.key", 0, &error)) << error;
        address_ = "https://127.0.0.1:" + std::to_string(server_.port()) + "/wsDfeSiv/BlocoX.asmx";
        serving_ = std::thread([this] {
            while (!stop_)
                server_.serve_one(50, [this](const blocox::HttpRequest& r) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    seen_ = r;
                    return reply_;
                });
        });
    }
    void TearDown() override {
        stop_ = true;
        serving_.join();
    }
    void answer_with(blocox::Reply reply) {
        std::lock_guard<std::mutex> lock(mutex_);
        reply_ = std::move(reply);
    }
    blocox::HttpRequest seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

    blocox::TlsServer server_;
    std::thread serving_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    blocox::Reply reply_;
    blocox::HttpRequest seen_;
};

TEST_F(BlocoXClientAnswers, SendsThePublishedRequestAndTakesOnlySoundAnswers) {
    const std::string receipt = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";
    answer_with({200,
                 answer11(resposta("&lt;Recibo&gt;" + receipt +
                                   "&lt;/Recibo&gt;&lt;SituacaoProcessamentoCodigo&gt;0&lt;/"
                                   "SituacaoProcessamentoCodigo&gt;&lt;Mensagem&gt;Arquivo "
                                   "recebido&lt;/Mensagem&gt;")),
                 false, "text/xml; charset=utf-8"});
    Outcome sound = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z_reduction("0001"));
    ASSERT_EQ(sound.status, "Ok") << sound.message;
    EXPECT_EQ(element(sound.answer, "Recibo"), receipt);
    blocox::HttpRequest r = seen();
    EXPECT_EQ(r.content_type, "text/xml; charset=utf-8");
    EXPECT_EQ(r.soap_action, "\"http://webservices.sef.sc.gov.br/wsDfeSiv/TransmitirArquivo\"");
    EXPECT_NE(
        r.body.find("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""),
        std::string::npos)
        << r.body;
    const std::string packed =
        between(r.body,
                "<TransmitirArquivo xmlns=\"http://webservices.sef.sc.gov.br/wsDfeSiv/\">"
                "<pXmlCompactado>",
                "</pXmlCompactado>");
    std::string entry;
    const auto zip = blocox::from_base64(packed);
    ASSERT_TRUE(zip) << r.body;
    const std::string file = blocox::unzip_first_file(*zip, 1 << 20, &entry).value_or("");
    EXPECT_EQ(entry, "reducaoz07122026.xml");
    for (const char* part :
         {"Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"",
          "Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"",
          "Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"",
          "Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"", "<X509Data>", "<CRZ>0001</CRZ>"})
        EXPECT_NE(file.find(part), std::string::npos) << part;

    settings_ = "VersaoSoap=1.2\n";
    answer_with(
        {200,
         std::string(kSoap12Head) +
             "<TransmitirArquivoResponse "
             "xmlns=\"http://webservices.sef.sc.gov.br/wsDfeSiv/\"><TransmitirArquivoResult>" +
             resposta("&lt;Recibo&gt;" + receipt +
                      "&lt;/Recibo&gt;&lt;SituacaoProcessamentoCodigo&gt;0&lt;/"
                      "SituacaoProcessamentoCodigo&gt;") +
             "</TransmitirArquivoResult></TransmitirArquivoResponse>" + kSoap12Tail,
         false, "application/soap+xml; charset=utf-8"});
    Outcome soap12 = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z_reduction("0001"));
    EXPECT_EQ(soap12.status, "Ok") << soap12.message;
    r = seen();
    EXPECT_EQ(r.content_type,
              "application/soap+xml; charset=utf-8; "
              "action=\"http://webservices.sef.sc.gov.br/wsDfeSiv/TransmitirArquivo\"");
    EXPECT_EQ(r.soap_action, "");
    EXPECT_NE(r.body.find("http://www.w3.org/2003/05/soap-envelope"), std::string::npos);
    settings_.clear();

    struct Case {
        const char* what;
        blocox::Reply reply;
        const char* told;
    };
    const std::string ok_code =
        "&lt;SituacaoProcessamentoCodigo&gt;0&lt;/SituacaoProcessamentoCodigo&gt;";
    const Case cases[] = {
        {"falha SOAP 1.1",
         {500,
          std::string(kSoap11Head) +
              "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>Servico em manutencao"
              "</faultstring></soap:Fault>" +
              kSoap11Tail,
          false, "text/xml; charset=utf-8"},
         "soap:Server: Servico em manutencao"},
        {"falha SOAP 1.2",
         {500,
          std::string(kSoap12Head) +
              "<soap12:Fault><soap12:Code><soap12:Value>soap12:Receiver</soap12:Value>"
              "</soap12:Code><soap12:Reason><soap12:Text xml:lang=\"pt-BR\">Erro interno 42"
              "</soap12:Text></soap12:Reason></soap12:Fault>" +
              kSoap12Tail,
          false, "application/soap+xml; charset=utf-8"},
         "soap12:Receiver: Erro interno 42"},
        {"página HTML",
         {503,
          "<!DOCTYPE html><html><head><title>503</title></head><body><h1>Service "
          "Unavailable</h1></body></html>",
          false, "text/html"},
         "página HTML"},
        {"Resposta sem Recibo", {200, answer11(resposta(ok_code)), false}, "sem Recibo"},
        {"SituacaoOperacaoCodigo 3",
         {200,
          answer11(resposta("&lt;SituacaoOperacaoCodigo&gt;3&lt;/SituacaoOperacaoCodigo&gt;"
                            "&lt;SituacaoOperacaoDescricao&gt;Falha na operacao&lt;/"
                            "SituacaoOperacaoDescricao&gt;")),
          false},
         "não executou TransmitirArquivo: Falha na operacao"},
        {"recibo curto",
         {200, answer11(resposta("&lt;Recibo&gt;12345&lt;/Recibo&gt;" + ok_code)), false},
         "5 caracteres em vez de 36"},
        {"10 MB", {200, answer11(std::string(10 * 1024 * 1024, 'x')), false}, "grande demais"},
        {"calado", {200, "", true}, "tempo limite"},
    };
    for (const Case& c : cases) {
        answer_with(c.reply);
        Outcome o = run_client("EnviarReducaoZ", "reducaoz07122026.xml", z_reduction("0001"));
        EXPECT_EQ(o.exit, 1) << c.what;
        EXPECT_EQ(o.status, "Erro") << c.what;
        EXPECT_NE(o.message.find(c.told), std::string::npos) << c.what << ": " << o.message;
    }
}

}  // namespace
