#include "authority.h"

#include "file_checks.h"
#include "payload.h"
#include "soap.h"
#include "xml_security.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <xmlsec/crypto.h>
#include <xmlsec/xmldsig.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace blocox {

namespace {

// Larger than any file a checkout sends.
constexpr size_t kLargestFile = 64 * 1024 * 1024;

const xmlChar* x(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

// "Resposta" as the authority writes it.
std::string resposta(const std::string& receipt, const std::string& code,
                     const std::string& description, const std::string& message) {
    XmlDoc doc(xmlNewDoc(x("1.0")));
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, x("Resposta"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlNewProp(root, x("Versao"), x("1.0"));
    xmlNewTextChild(root, nullptr, x("Recibo"), x(receipt.c_str()));
    xmlNewTextChild(root, nullptr, x("SituacaoProcessamentoCodigo"), x(code.c_str()));
    xmlNewTextChild(root, nullptr, x("SituacaoProcessamentoDescricao"), x(description.c_str()));
    xmlNewTextChild(root, nullptr, x("Mensagem"), x(message.c_str()));
    return dump_xml(doc.get());
}

std::string refused(const std::string& message) {
    return resposta("", "2", "Arquivo recusado", message);
}

// 36 characters, the form of the authority's receipts.
std::string new_receipt() {
    unsigned char b[16];
    RAND_bytes(b, sizeof b);
    b[6] = (b[6] & 0x0f) | 0x40;
    b[8] = (b[8] & 0x3f) | 0x80;
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

// Receipts come from outside: only the form this authority gives is looked up.
bool receipt_form(const std::string& r) {
    if (r.size() != 36) return false;
    for (size_t i = 0; i < r.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? r[i] != '-' : !std::isxdigit(static_cast<unsigned char>(r[i]))) return false;
    }
    return true;
}

std::string digest_name(const std::string& identity) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(identity.data(), identity.size(), md, &n, EVP_sha256(), nullptr);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02x", md[i]);
        hex += two;
    }
    return hex;
}

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool write_text(const fs::path& file, const std::string& text) {
    fs::path tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(tmp, file, ec);
    return !ec;
}

// Empty when the enveloped signature, the root's last child, verifies with
// a certificate the authority trusts; else the reason.
std::string verify_signature(xmlDoc* doc, xmlSecKeysMngr* keys) {
    xmlNode* root = xmlDocGetRootElement(doc);
    xmlNode* last = nullptr;
    for (xmlNode* c = root->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) last = c;
    if (!last || local_name(last) != "Signature" || !last->ns ||
        !xmlStrEqual(last->ns->href, xmlSecDSigNs))
        return "assinatura digital ausente";
    xmlSecDSigCtx* context = xmlSecDSigCtxCreate(keys);
    if (!context) return "falha ao preparar a verificação";
    // The whole document, and a key only from a certificate that chains to
    // the trusted one: a bare key in KeyInfo proves nothing.
    context->enabledReferenceUris = xmlSecTransformUriTypeEmpty;
    xmlSecPtrListAdd(&context->keyInfoReadCtx.enabledKeyData, BAD_CAST xmlSecKeyDataX509Id);
    take_xml_error();
    int rc = xmlSecDSigCtxVerify(context, last);
    std::string fault;
    if (rc < 0)
        fault = "assinatura digital inválida (" + take_xml_error() + ")";
    else if (context->status != xmlSecDSigStatusSucceeded)
        fault = "assinatura digital não confere com o conteúdo do arquivo";
    xmlSecDSigCtxDestroy(context);
    return fault;
}

}  // namespace

Authority::Authority(fs::path root, fs::path rules_file)
    : root_(std::move(root)), rules_file_(std::move(rules_file)) {}

Authority::~Authority() {
    if (keys_) xmlSecKeysMngrDestroy(keys_);
}

bool Authority::open(const fs::path& signer_certificate, std::string* error) {
    std::error_code ec;
    for (const char* sub : {"recebidos", "processados", "identidades"}) {
        fs::create_directories(root_ / sub, ec);
        if (ec) {
            *error = "não foi possível criar " + (root_ / sub).string() + ": " + ec.message();
            return false;
        }
    }
    keys_ = xmlSecKeysMngrCreate();
    if (!keys_ || xmlSecCryptoAppDefaultKeysMngrInit(keys_) < 0) {
        *error = "falha ao iniciar o gerenciador de chaves";
        return false;
    }
    take_xml_error();
    if (xmlSecCryptoAppKeysMngrCertLoad(keys_, signer_certificate.c_str(), xmlSecKeyDataFormatPem,
                                        xmlSecKeyDataTypeTrusted) < 0) {
        *error = "certificado do assinante ilegível: " + signer_certificate.string() + " (" +
                 take_xml_error() + ")";
        return false;
    }
    return true;
}

void Authority::process_due() {
    rules_ = read_rules(rules_file_);
    const auto now = fs::file_time_type::clock::now();
    const auto delay = std::chrono::seconds(rules_.processing_seconds);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root_ / "recebidos", ec)) {
        if (entry.path().extension() != ".xml") continue;
        auto when = fs::last_write_time(entry.path(), ec);
        if (ec || now - when < delay) continue;
        fs::rename(entry.path(), root_ / "processados" / entry.path().filename(), ec);
        if (!ec) std::cerr << "autoridade: processado " << entry.path().stem().string() << "\n";
    }
}

std::string Authority::answer_send(xmlNode* root, const std::string& signed_xml) {
    const fs::path identity = root_ / "identidades" / digest_name(identity_of(root));
    std::error_code ec;
    if (fs::exists(identity, ec)) {
        const std::string first = read_text(identity);
        return resposta(first, "2", "Arquivo já recebido",
                        "Erro 1009 - Arquivo já recebido anteriormente. Recibo: " + first);
    }
    const std::string receipt = new_receipt();
    if (!write_text(root_ / "recebidos" / (receipt + ".xml"), signed_xml) ||
        !write_text(identity, receipt))
        return refused("Erro 1998 - Falha interna ao guardar o arquivo; envie novamente.");
    return resposta(receipt, "0", "Aguardando processamento", "Arquivo recebido com sucesso.");
}

std::string Authority::answer_query(xmlNode* root) {
    const std::string receipt = text_of(child_element(child_element(root, "Mensagem"), "Recibo"));
    process_due();
    std::error_code ec;
    if (receipt_form(receipt) && fs::exists(root_ / "processados" / (receipt + ".xml"), ec))
        return resposta(receipt, "1", "Processado", "Arquivo processado e aceito.");
    if (receipt_form(receipt) && fs::exists(root_ / "recebidos" / (receipt + ".xml"), ec))
        return resposta(receipt, "0", "Aguardando processamento",
                        "Arquivo aguardando processamento.");
    return resposta(receipt, "2", "Recibo desconhecido",
                    "Erro 1010 - Recibo não encontrado: " + receipt);
}

Reply Authority::handle(const std::string& body) {
    rules_ = read_rules(rules_file_);
    std::string reason;
    std::optional<SoapRequest> request = read_soap_request(body, &reason);
    if (!request) return {500, soap_fault("Requisição inválida: " + reason), false};
    const std::string& op = request->operation;
    if (op != kSendOperation && op != kQueryOperation)
        return {500, soap_fault("Operação desconhecida: " + op), false};
    if (rules_.mode == Rules::Mode::kSilent) return {200, "", true};
    if (rules_.mode == Rules::Mode::kGarbage) return {200, "<<< \x01 isto não é SOAP", false};
    if (rules_.mode == Rules::Mode::kGarbageAnswer)
        return {200, soap_response(op, "isto não é uma Resposta <"), false};

    auto reply = [&](const std::string& resposta_text) {
        return Reply{200, soap_response(op, resposta_text), false};
    };
    if (rules_.mode == Rules::Mode::kRefuse) return reply(refused(rules_.refusal));
    std::optional<std::string> zipped = from_base64(request->payload);
    std::optional<std::string> xml =
        zipped ? unzip_first_file(*zipped, kLargestFile) : std::nullopt;
    if (!xml) return reply(refused("Erro 1001 - Arquivo compactado inválido."));
    XmlDoc doc = parse_xml(*xml, &reason);
    if (!doc) return reply(refused("Erro 1001 - XML mal formado: " + reason));
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const std::string kind = local_name(root);
    if ((op == kSendOperation) == (kind == "Manutencao") ||
        (kind != "ReducaoZ" && kind != "Estoque" && kind != "Manutencao"))
        return reply(
            refused("Erro 1004 - Documento " + kind + " não cabe na operação " + op + "."));
    std::string signature_fault = verify_signature(doc.get(), keys_);
    if (!signature_fault.empty()) return reply(refused("Erro 1002 - " + signature_fault + "."));
    std::string fault = check_document(root);
    if (!fault.empty()) return reply(refused("Erro 1003 - Estrutura inválida: " + fault + "."));
    return reply(op == kSendOperation ? answer_send(root, *xml) : answer_query(root));
}

}  // namespace blocox
