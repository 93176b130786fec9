// The test authority against requests written by hand after the published
// service description, byte for byte as another client would send them, so
// that our client and our authority cannot drift from it together.
#include "blocox_fixture.h"
#include "payload.h"
#include "signer.h"
#include "soap.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

using namespace balcora::test;

namespace {

// Sends the bytes as they stand and returns everything that came back.
std::string raw_exchange(int port, const std::string& bytes) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(static_cast<uint16_t>(port));
    timeval limit{30, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string answer;
    SSL* ssl = SSL_new(context);
    if (connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && SSL_set_fd(ssl, fd) &&
        SSL_connect(ssl) == 1 && SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size())) > 0) {
        char buffer[16384];
        for (int n; (n = SSL_read(ssl, buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
    }
    SSL_free(ssl);
    close(fd);
    SSL_CTX_free(context);
    return answer;
}

// The head as written, its length counted.
std::string http(const std::string& head, const std::string& body) {
    return head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string post11(const std::string& action) {
    return "POST /wsDfeSiv/BlocoX.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: text/xml; charset=utf-8\r\nSOAPAction: \"" +
           action + "\"\r\n";
}

std::string post12(const std::string& operation) {
    return "POST /wsDfeSiv/BlocoX.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/soap+xml; charset=utf-8; "
           "action=\"http://webservices.sef.sc.gov.br/wsDfeSiv/" +
           operation + "\"\r\n";
}

std::string envelope11(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<soap:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\n  <soap:Body>\n    " +
           body + "\n  </soap:Body>\n</soap:Envelope>";
}

std::string envelope12(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<soap12:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\">\n  <soap12:Body>\n    " +
           body + "\n  </soap12:Body>\n</soap12:Envelope>";
}

std::string escaped(const std::string& xml) {
    std::string out;
    for (char c : xml)
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return out;
}

constexpr const char* kNs = "http://webservices.sef.sc.gov.br/wsDfeSiv/";

class BlocoXWire : public BlocoXClientTest {
  protected:
    std::string signed_copy(const std::string& xml) {
        std::string error, out;
        blocox::SigningKey key =
            blocox::open_certificate(certs_->path() / "loja.pfx", "s3nha", &error);
        EXPECT_TRUE(key && blocox::sign_document(xml, key.get(), blocox::SignatureProfile::kRsaSha1,
                                                 &out, &error))
            << error;
        return out;
    }
    std::string zipped(const std::string& xml, const char* name = "reducaoz.xml") {
        return blocox::to_base64(blocox::zip_one_file(name, xml));
    }
};

TEST_F(BlocoXWire, HandWrittenRequestsOfBothVersionsAreServed) {
    const std::string wsdl =
        raw_exchange(port_, "GET /wsDfeSiv/BlocoX.asmx?WSDL HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(wsdl.rfind("HTTP/1.1 200", 0), 0u) << wsdl.substr(0, 200);
    for (const char* part :
         {"targetNamespace=\"http://webservices.sef.sc.gov.br/wsDfeSiv/\"",
          "soapAction=\"http://webservices.sef.sc.gov.br/wsDfeSiv/TransmitirArquivo\"",
          "name=\"pXmlCompactado\" type=\"s:base64Binary\"", "<soap12:binding",
          "name=\"ConsultarStatusMetodosBlocoXResponse\"",
          "name=\"ConsultarPendenciasDesenvolvedorPafEcf\""})
        EXPECT_NE(wsdl.find(part), std::string::npos) << part;

    const std::string status = raw_exchange(
        port_,
        http(post11(std::string(kNs) + "ConsultarStatusMetodosBlocoX"),
             envelope11("<ConsultarStatusMetodosBlocoX xmlns=\"" + std::string(kNs) + "\" />")));
    EXPECT_EQ(status.rfind("HTTP/1.1 200", 0), 0u) << status;
    EXPECT_NE(status.find("Content-Type: text/xml; charset=utf-8"), std::string::npos);
    EXPECT_NE(status.find("<ConsultarStatusMetodosBlocoXResult>&lt;?xml"), std::string::npos)
        << status;

    const std::string sent = raw_exchange(
        port_,
        http(post12("TransmitirArquivo"),
             envelope12("<TransmitirArquivo xmlns=\"" + std::string(kNs) +
                        "\">\n      <pXmlCompactado>" + zipped(signed_copy(z_reduction("0001"))) +
                        "</pXmlCompactado>\n    </TransmitirArquivo>")));
    EXPECT_EQ(sent.rfind("HTTP/1.1 200", 0), 0u) << sent;
    EXPECT_NE(sent.find("Content-Type: application/soap+xml"), std::string::npos);
    EXPECT_NE(sent.find("<soap12:Body><TransmitirArquivoResponse xmlns=\"" + std::string(kNs) +
                        "\"><TransmitirArquivoResult>"),
              std::string::npos)
        << sent;
    const size_t at = sent.find("&lt;Recibo&gt;");
    ASSERT_NE(at, std::string::npos) << sent;
    const std::string receipt = sent.substr(at + 14, 36);

    const std::string asked = raw_exchange(
        port_, http(post11(std::string(kNs) + "ConsultarProcessamentoArquivo"),
                    envelope11("<ConsultarProcessamentoArquivo xmlns=\"" + std::string(kNs) +
                               "\">\n      <pXml>" +
                               escaped(blocox::without_declaration(signed_copy(query(receipt)))) +
                               "</pXml>\n    </ConsultarProcessamentoArquivo>")));
    EXPECT_NE(asked.find("&lt;SituacaoProcessamentoCodigo&gt;0&lt;"), std::string::npos) << asked;
}

TEST_F(BlocoXWire, RequestsThePublishedServiceWouldRefuseGetAFaultNamingTheFault) {
    const std::string signed_z = signed_copy(z_reduction("0001"));
    const std::string ns(kNs);
    auto transmit = [&](const std::string& ns_used, const std::string& parameter,
                        const std::string& value) {
        return "<TransmitirArquivo xmlns=\"" + ns_used + "\"><" + parameter + ">" + value + "</" +
               parameter + "></TransmitirArquivo>";
    };
    struct Case {
        const char* what;
        std::string request;
        const char* told;
    };
    const Case cases[] = {
        {"namespace próprio",
         http(post11(ns + "TransmitirArquivo"),
              envelope11(transmit("urn:balcora:blocox", "pXmlCompactado", zipped(signed_z)))),
         "namespace \"urn:balcora:blocox\""},
        {"parâmetro inventado",
         http(post11(ns + "TransmitirArquivo"),
              envelope11(transmit(ns, "pXmlZipado", zipped(signed_z)))),
         "Parâmetro pXmlZipado desconhecido em TransmitirArquivo; esperado pXmlCompactado"},
        {"barra dobrada na ação",
         http(post11(ns + "/TransmitirArquivo"),
              envelope11(transmit(ns, "pXmlCompactado", zipped(signed_z)))),
         "wsDfeSiv//TransmitirArquivo"},
        {"sem SOAPAction",
         http("POST /wsDfeSiv/BlocoX.asmx HTTP/1.1\r\nContent-Type: text/xml; charset=utf-8\r\n",
              envelope11(transmit(ns, "pXmlCompactado", zipped(signed_z)))),
         "SOAPAction ausente"},
        {"não compactado",
         http(post11(ns + "TransmitirArquivo"),
              envelope11(transmit(ns, "pXmlCompactado", blocox::to_base64(signed_z)))),
         "não compactado"},
        {"não assinado",
         http(post11(ns + "TransmitirArquivo"),
              envelope11(transmit(ns, "pXmlCompactado", zipped(z_reduction("0001"))))),
         "sem assinatura digital"},
        {"pXml compactado",
         http(post11(ns + "ConsultarProcessamentoArquivo"),
              envelope11("<ConsultarProcessamentoArquivo xmlns=\"" + ns + "\"><pXml>" +
                         zipped(signed_copy(query(std::string(36, 'a')))) +
                         "</pXml></ConsultarProcessamentoArquivo>")),
         "como texto"},
        {"envelope 1.1 como 1.2",
         http(post12("TransmitirArquivo"),
              envelope11(transmit(ns, "pXmlCompactado", zipped(signed_z)))),
         "Content-Type"},
        {"operação inventada",
         http(post11(ns + "Enviar"), envelope11("<Enviar xmlns=\"" + ns + "\"/>")),
         "Operação desconhecida: Enviar"},
    };
    for (const Case& c : cases) {
        const std::string answer = raw_exchange(port_, c.request);
        EXPECT_EQ(answer.rfind("HTTP/1.1 500", 0), 0u) << c.what << ": " << answer;
        const std::string reason = element(answer, "faultstring");
        EXPECT_NE(reason.find(c.told), std::string::npos) << c.what << ": " << answer;
    }

    // A SOAP 1.2 request is refused in SOAP 1.2.
    const std::string unsigned12 = raw_exchange(
        port_, http(post12("TransmitirArquivo"),
                    envelope12(transmit(ns, "pXmlCompactado", zipped(z_reduction("0001"))))));
    EXPECT_NE(unsigned12.find("<soap12:Fault><soap12:Code><soap12:Value>soap12:Sender"),
              std::string::npos)
        << unsigned12;
    EXPECT_NE(unsigned12.find("sem assinatura digital"), std::string::npos);
}

}  // namespace
