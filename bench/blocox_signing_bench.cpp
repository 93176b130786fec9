// The Bloco X client's signing of a Z-reduction file the size of a busy day:
// 800 products over 5 tax totalizers. Printed in milliseconds (a median);
// signing has no floor of its own to compare with, the time is what a
// technician waits for on each file.
#include "bench_steps.h"
#include "platform/self_signed_certificate.h"
#include "signer.h"
#include "xml_security.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace balcora;

namespace {

constexpr int kTotalizers = 5;
constexpr int kProducts = 800;

const xmlChar* x(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

xmlNode* add(xmlNode* parent, const char* name) {
    return xmlNewChild(parent, nullptr, x(name), nullptr);
}

// A leaf whose text is escaped as written; an empty text still writes it.
void add(xmlNode* parent, const char* name, const std::string& value) {
    xmlNewTextChild(parent, nullptr, x(name), x(value));
}

std::string busy_day() {
    blocox::XmlDoc doc(xmlNewDoc(x("1.0")));
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, x("ReducaoZ"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlNewProp(root, x("Versao"), x("1.0"));
    xmlNode* message = add(root, "Mensagem");
    add(add(message, "Estabelecimento"), "Ie", "255555555");
    add(add(message, "PafEcf"), "NumeroCredenciamento", "1234");
    xmlNode* ecf = add(message, "Ecf");
    add(ecf, "NumeroFabricacao", "BV202612000001");
    xmlNode* data = add(ecf, "DadosReducaoZ");
    add(data, "DataReferencia", "2026-12-07");
    add(data, "DataHoraEmissao", "2026-12-07T22:10:00");
    add(data, "CRZ", "0120");
    add(data, "COO", "004512");
    add(data, "CRO", "001");
    add(data, "VendaBrutaDiaria", "00000004123456");
    add(data, "GT", "000000000412345678");
    xmlNode* totals = add(data, "TotalizadoresParciais");
    for (int t = 0; t < kTotalizers; ++t) {
        xmlNode* totalizer = add(totals, "TotalizadorParcial");
        add(totalizer, "Nome", "0" + std::to_string(t + 1) + "T1800");
        add(totalizer, "Valor", "8246,91");
        xmlNode* products = add(totalizer, "ProdutosServicos");
        for (int p = 0; p < kProducts / kTotalizers; ++p) {
            const std::string id = std::to_string(t * 1000 + p);
            xmlNode* product = add(products, "Produto");
            add(product, "Descricao", "PRODUTO DE DEMONSTRACAO NUMERO " + id);
            add(product, "CodigoGTIN", "789" + std::string(10 - id.size(), '0') + id);
            add(product, "CodigoCEST", "");
            add(product, "CodigoNCMSH", "10063021");
            add(product, "CodigoProprio", id);
            add(product, "Quantidade", "2,500");
            add(product, "Unidade", "KG");
            add(product, "ValorDesconto", "0,13");
            add(product, "ValorAcrescimo", "0,00");
            add(product, "ValorCancelamento", "1,20");
            add(product, "ValorTotalLiquido", "51,54");
        }
    }
    return blocox::dump_xml(doc.get());
}

}  // namespace

int main() {
    blocox::XmlSecurity xml_security;
    if (!xml_security.ready()) bench::fail("xmlsec");
    const fs::path folder = fs::temp_directory_path() / "balcora-bench-blocox";
    std::string error;
    if (!platform::write_self_signed_pkcs12({"LOJA BENCH"}, folder / "loja.pfx", "bench",
                                            folder / "loja.pem", &error))
        bench::fail("certificate: " + error);
    blocox::SigningKey key = blocox::open_certificate(folder / "loja.pfx", "bench", &error);
    if (!key) bench::fail("certificate: " + error);
    const std::string xml = busy_day();
    std::vector<double> ms;
    for (int i = 0; i < 15; ++i) {
        std::string signed_xml;
        const auto started = std::chrono::steady_clock::now();
        if (!blocox::sign_document(xml, key.get(), blocox::SignatureProfile::kRsaSha1, &signed_xml,
                                   &error))
            bench::fail(error);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
    }
    fs::remove_all(folder);
    std::printf("median blocox_signing %.1f ms (Z reduction of %d products, %zu bytes)\n",
                bench::median(ms), kProducts, xml.size());
    return 0;
}
