#include "blocox_fixture.h"
#include "payload.h"
#include "signer.h"
#include "soap.h"

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
using namespace balcora::test;

namespace {

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

std::string asking(const std::string& root, const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + " Versao=\"1.0\"><Mensagem>" +
           inner + "</Mensagem></" + root + ">\n";
}

// Every operation the shop's technician uses, through the client and the
// exchange file, against what the authority keeps; and the other SOAP
// version and signature profile the settings choose.
TEST_F(BlocoXClientTest, TheAuthorityListsTellsHistoryHandsBackCancelsAndReprocesses) {
    const std::string first = element(
        run_client("EnviarReducaoZ", "reducaoz07122026.xml", z_reduction("0001")).answer, "Recibo");
    const std::string third = element(
        run_client("EnviarReducaoZ", "reducaoz09122026.xml", z_reduction("0003")).answer, "Recibo");
    ASSERT_EQ(first.size(), 36u);
    ASSERT_EQ(third.size(), 36u);
    const std::string ie = "<IE>255555555</IE>";

    Outcome owed = run_client("ConsultarPendenciasContribuinte", "pendencias.xml",
                              asking("ConsultarPendenciasContribuinte", ie));
    ASSERT_EQ(owed.status, "Ok") << owed.message;
    EXPECT_NE(owed.answer.find("<CRZ>0002</CRZ>"), std::string::npos) << owed.answer;
    EXPECT_NE(owed.answer.find(first), std::string::npos);

    Outcome listed = run_client("ListarArquivos", "lista.xml", asking("ListarArquivos", ie));
    EXPECT_NE(listed.answer.find(first), std::string::npos) << listed.answer;
    EXPECT_NE(listed.answer.find(third), std::string::npos);

    const std::string why = "<Recibo>" + third + "</Recibo><Motivo>CRZ informada errada</Motivo>";
    Outcome cancelled =
        run_client("CancelarArquivo", "cancela.xml", asking("Manutencao", why), third);
    EXPECT_EQ(element(cancelled.answer, "SituacaoProcessamentoCodigo"), "3") << cancelled.answer;
    // Cancelled twice: the authority did not do it, so no answer to hand over.
    Outcome twice = run_client("CancelarArquivo", "cancela.xml", asking("Manutencao", why), third);
    EXPECT_EQ(twice.status, "Erro");
    EXPECT_NE(twice.message.find("Erro 1012"), std::string::npos) << twice.message;

    Outcome history =
        run_client("ConsultarHistoricoArquivo", "historico.xml",
                   asking("ConsultarHistoricoArquivo", "<Recibo>" + third + "</Recibo>"), third);
    EXPECT_NE(history.answer.find("CRZ informada errada"), std::string::npos) << history.answer;
    owed = run_client("ConsultarPendenciasContribuinte", "pendencias.xml",
                      asking("ConsultarPendenciasContribuinte", ie));
    EXPECT_NE(owed.answer.find("cancelado"), std::string::npos) << owed.answer;

    Outcome again =
        run_client("ReprocessarArquivo", "reprocessa.xml", asking("Manutencao", why), third);
    EXPECT_EQ(element(again.answer, "SituacaoProcessamentoCodigo"), "0") << again.message;

    Outcome fetched =
        run_client("DownloadArquivo", "baixa.xml",
                   asking("DownloadArquivo", "<Recibo>" + first + "</Recibo>"), first);
    EXPECT_NE(fetched.downloaded.find("<CRZ>0001</CRZ>"), std::string::npos) << fetched.message;
    EXPECT_NE(fetched.downloaded.find("rsa-sha1"), std::string::npos);

    settings_ = "VersaoSoap=1.2\nAssinatura=SHA256\n";
    Outcome month = run_client("EnviarEstoque", "estoque112026.xml", stock());
    EXPECT_EQ(element(month.answer, "SituacaoProcessamentoCodigo"), "0") << month.message;
    settings_ = "VersaoSoap=1.3\n";
    Outcome unknown = run_client("EnviarEstoque", "estoque112026.xml", stock());
    EXPECT_NE(unknown.message.find("VersaoSoap"), std::string::npos) << unknown.message;
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
    blocox::SoapRequest request{blocox::SoapVersion::k11, std::string(blocox::kTransmit),
                                blocox::to_base64(blocox::zip_one_file("z.xml", signed_xml))};
    const std::string body = blocox::soap_request(request);
    std::string answer;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/xml; charset=utf-8");
    headers = curl_slist_append(
        headers, "SOAPAction: \"http://webservices.sef.sc.gov.br/wsDfeSiv/TransmitirArquivo\"");
    CURL* c = curl_easy_init();
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
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
    curl_slist_free_all(headers);
    std::string error;
    return blocox::read_soap_response(answer, blocox::kTransmit, &error).value_or(error);
}

TEST_F(BlocoXClientTest, SignaturesThatDoNotHoldAreRefused) {
    std::string error, signed_xml;
    blocox::SigningKey key = blocox::open_certificate(certs_->path() / "loja.pfx", "s3nha", &error);
    ASSERT_TRUE(key) << error;
    ASSERT_TRUE(blocox::sign_document(z_reduction("0003"), key.get(),
                                      blocox::SignatureProfile::kRsaSha1, &signed_xml, &error));
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

    const std::string envelope =
        blocox::soap_response(blocox::SoapVersion::k12, blocox::kTransmit, "<Resposta/>");
    std::mt19937 random(20261207);
    for (int i = 0; i < 3000; ++i) {
        std::string damaged = i % 3 == 0 ? envelope : zip;
        damaged.resize(random() % (damaged.size() + 1));
        for (int flips = random() % 4; flips > 0 && !damaged.empty(); --flips)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        std::string error;
        if (i % 3 == 0) {
            blocox::read_soap_response(damaged, blocox::kTransmit, &error);
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
