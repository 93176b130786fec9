#include "authority.h"

#include "answers.h"
#include "file_checks.h"
#include "payload.h"
#include "tls_server.h"
#include "wsdl.h"
#include "xml_security.h"

#include <xmlsec/crypto.h>
#include <xmlsec/xmldsig.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace blocox {

namespace {

// Larger than any file a checkout sends.
constexpr size_t kLargestFile = 64 * 1024 * 1024;

std::string trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string reply_type(SoapVersion v) {
    return v == SoapVersion::k11 ? "text/xml; charset=utf-8"
                                 : "application/soap+xml; charset=utf-8";
}

xmlNode* last_element(xmlNode* root) {
    xmlNode* last = nullptr;
    for (xmlNode* c = root->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) last = c;
    return last;
}

bool signed_document(xmlNode* root) {
    xmlNode* last = last_element(root);
    return last && local_name(last) == "Signature" && last->ns &&
           xmlStrEqual(last->ns->href, xmlSecDSigNs);
}

// Empty when the enveloped signature, the root's last child, verifies with
// a certificate the authority trusts; else the reason.
std::string verify_signature(xmlDoc* doc, xmlSecKeysMngr* keys) {
    xmlNode* root = xmlDocGetRootElement(doc);
    xmlSecDSigCtx* context = xmlSecDSigCtxCreate(keys);
    if (!context) return "falha ao preparar a verificação";
    // The whole document, and a key only from a certificate that chains to
    // the trusted one: a bare key in KeyInfo proves nothing.
    context->enabledReferenceUris = xmlSecTransformUriTypeEmpty;
    xmlSecPtrListAdd(&context->keyInfoReadCtx.enabledKeyData, BAD_CAST xmlSecKeyDataX509Id);
    take_xml_error();
    int rc = xmlSecDSigCtxVerify(context, last_element(root));
    std::string fault;
    if (rc < 0)
        fault = "assinatura digital inválida (" + take_xml_error() + ")";
    else if (context->status != xmlSecDSigStatusSucceeded)
        fault = "assinatura digital não confere com o conteúdo do arquivo";
    xmlSecDSigCtxDestroy(context);
    return fault;
}

std::string text_in_message(xmlNode* root, const char* name) {
    return trimmed(text_of(child_element(child_element(root, "Mensagem"), name)));
}

// The root element each document-taking operation expects in pXml.
std::string expected_root(const std::string& operation) {
    if (operation == kQueryProcessing || operation == kCancel || operation == kReprocess)
        return "Manutencao";
    return operation;
}

}  // namespace

Authority::Authority(fs::path root, fs::path rules_file)
    : rules_file_(std::move(rules_file)), books_(std::move(root)) {}

Authority::~Authority() {
    if (keys_) xmlSecKeysMngrDestroy(keys_);
}

bool Authority::open(const fs::path& signer_certificate, std::string* error) {
    if (!books_.open(error)) return false;
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
    books_.process_due(std::chrono::seconds(rules_.processing_seconds));
}

Reply Authority::handle(const HttpRequest& http) {
    rules_ = read_rules(rules_file_);
    if (http.method == "GET") {
        const size_t query = http.target.find('?');
        if (query == std::string::npos || lower(http.target.substr(query + 1)) != "wsdl")
            return {404, "Serviço BlocoX: use POST (SOAP) ou ?WSDL\n", false,
                    "text/plain; charset=utf-8"};
        const std::string address =
            "https://127.0.0.1:" + std::to_string(port_) + http.target.substr(0, query);
        return {200, service_wsdl(address), false, "text/xml; charset=utf-8"};
    }
    SoapVersion version = SoapVersion::k11;
    std::string reason;
    std::optional<SoapRequest> request =
        read_soap_request(http.body, {http.content_type, http.soap_action}, &version, &reason);
    auto fault = [&](const std::string& why) {
        std::cerr << "autoridade: falha SOAP: " << why << "\n";
        return Reply{500, soap_fault(version, true, why), false, reply_type(version)};
    };
    if (!request) return fault(reason);
    const std::string& op = request->operation;
    std::cerr << "autoridade: " << op << " ("
              << (version == SoapVersion::k11 ? "SOAP 1.1" : "SOAP 1.2") << ")\n";
    if (rules_.mode == Rules::Mode::kSilent) return {200, "", true};
    if (rules_.mode == Rules::Mode::kGarbage) return {200, "<<< \x01 isto não é SOAP", false};
    auto reply = [&](const std::string& resposta_text) {
        return Reply{200, soap_response(version, op, resposta_text), false, reply_type(version)};
    };
    if (rules_.mode == Rules::Mode::kGarbageAnswer) return reply("isto não é uma Resposta <");
    if (rules_.mode == Rules::Mode::kRefuse && (op == kTransmit || op == kQueryProcessing))
        return reply(refusal(rules_.refusal));

    std::string why;
    std::string answer;
    if (op == kTransmit)
        answer = transmit(*request, &why);
    else if (op == kMethodStatus)
        answer = method_status();
    else
        answer = answer_document_request(*request, &why);
    if (!why.empty()) return fault(why);
    return reply(answer);
}

std::string Authority::transmit(const SoapRequest& request, std::string* fault) {
    const std::string argument = trimmed(request.argument);
    if (argument.empty()) {
        *fault = "pXmlCompactado vazio";
        return {};
    }
    std::optional<std::string> zipped = from_base64(argument);
    if (!zipped) {
        *fault = argument.front() == '<'
                     ? "pXmlCompactado deve trazer o ZIP do arquivo em base 64, não o XML"
                     : "pXmlCompactado não está em base 64";
        return {};
    }
    const std::string head = trimmed(zipped->substr(0, 64));
    if (!head.empty() && (head.front() == '<' || head.rfind("\xEF\xBB\xBF<", 0) == 0)) {
        *fault = "pXmlCompactado deve ser um arquivo ZIP com o XML; recebido XML não compactado";
        return {};
    }
    std::string entry;
    std::optional<std::string> xml = unzip_first_file(*zipped, kLargestFile, &entry);
    if (!xml) {
        *fault = "pXmlCompactado não é um arquivo ZIP válido";
        return {};
    }
    if (entry.size() < 4 || lower(entry.substr(entry.size() - 4)) != ".xml") {
        *fault = "o ZIP de pXmlCompactado deve conter um arquivo .xml; contém \"" + entry + "\"";
        return {};
    }
    std::string reason;
    XmlDoc doc = parse_xml(*xml, &reason);
    if (!doc) return refusal("Erro 1001 - XML mal formado: " + reason);
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const std::string kind = local_name(root);
    if (kind != "ReducaoZ" && kind != "Estoque")
        return refusal("Erro 1004 - Documento " + kind + " não cabe na operação " +
                       std::string(kTransmit) + ".");
    if (!signed_document(root)) {
        *fault = "arquivo " + kind + " sem assinatura digital (XMLDSig envelopada)";
        return {};
    }
    const std::string signature_fault = verify_signature(doc.get(), keys_);
    if (!signature_fault.empty()) return refusal("Erro 1002 - " + signature_fault + ".");
    const std::string form = check_document(root);
    if (!form.empty()) return refusal("Erro 1003 - Estrutura inválida: " + form + ".");

    const std::string identity = identity_of(root);
    const std::string first = books_.first_receipt(identity);
    if (!first.empty())
        return resposta(first, "2", "Arquivo já recebido",
                        "Erro 1009 - Arquivo já recebido anteriormente. Recibo: " + first);
    const std::string receipt = books_.receive(root, identity, *xml);
    if (receipt.empty())
        return refusal("Erro 1998 - Falha interna ao guardar o arquivo; envie novamente.");
    return resposta(receipt, "0", "Aguardando processamento", "Arquivo recebido com sucesso.");
}

std::string Authority::answer_document_request(const SoapRequest& request, std::string* fault) {
    const std::string& op = request.operation;
    const std::string argument = trimmed(request.argument);
    if (argument.empty()) {
        *fault = "pXml vazio";
        return {};
    }
    if (argument.front() != '<') {
        *fault =
            "pXml deve trazer o documento XML assinado como texto, não compactado nem em "
            "base 64";
        return {};
    }
    std::string reason;
    XmlDoc doc = parse_xml(argument, &reason);
    if (!doc) {
        *fault = "pXml não é XML: " + reason;
        return {};
    }
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const std::string expected = expected_root(op);
    if (local_name(root) != expected) {
        *fault =
            "pXml de " + op + " deve ser um documento " + expected + ", não " + local_name(root);
        return {};
    }
    if (!signed_document(root)) {
        *fault = "pXml de " + op + " sem assinatura digital (XMLDSig envelopada)";
        return {};
    }
    const bool query = op == kQueryProcessing;
    const std::string signature_fault = verify_signature(doc.get(), keys_);
    if (!signature_fault.empty()) {
        const std::string m = "Erro 1002 - " + signature_fault + ".";
        return query ? refusal(m) : operation_failed(m);
    }
    const std::string form = check_document(root);
    if (!form.empty()) {
        const std::string m = "Erro 1003 - Estrutura inválida: " + form + ".";
        return query ? refusal(m) : operation_failed(m);
    }
    process_due();
    if (query) return query_processing(root);
    if (op == kTaxpayerPendencies) return taxpayer_pendencies(root);
    if (op == kListFiles) return list_files(root);
    if (op == kFileHistory) return file_history(root);
    if (op == kDownload) return download(root);
    if (op == kCancel) return cancel(root);
    if (op == kReprocess) return reprocess(root);
    return developer_pendencies();
}

std::string Authority::query_processing(xmlNode* root) {
    const std::string receipt = text_in_message(root, "Recibo");
    const std::optional<FileRecord> r = books_.find(receipt);
    if (!r)
        return resposta(receipt, "2", "Recibo desconhecido",
                        "Erro 1010 - Recibo não encontrado: " + receipt);
    switch (r->state) {
        case FileRecord::State::kProcessed:
            return resposta(receipt, "1", "Processado", "Arquivo processado e aceito.");
        case FileRecord::State::kCancelled:
            return resposta(receipt, "3", "Cancelado", "Arquivo cancelado pelo contribuinte.");
        default:
            return resposta(receipt, "0", "Aguardando processamento",
                            "Arquivo aguardando processamento.");
    }
}

std::string Authority::taxpayer_pendencies(xmlNode* root) {
    const std::string ie = text_in_message(root, "IE");
    Pendencies p(ie);
    std::vector<FileRecord> files = books_.all();
    std::sort(files.begin(), files.end(), [](const FileRecord& a, const FileRecord& b) {
        return std::tie(a.reference, a.received) < std::tie(b.reference, b.received);
    });
    // Whatever was cancelled and not sent again is owed; so is every CRZ
    // missing between the first and the last one received from a printer.
    std::set<std::string> live_identities;
    std::map<std::string, std::set<int>> crzs;
    for (const FileRecord& f : files) {
        if (f.ie != ie || f.state == FileRecord::State::kCancelled) continue;
        live_identities.insert(f.identity);
        if (f.kind == "ReducaoZ") crzs[f.ecf].insert(std::atoi(f.crz.c_str()));
    }
    for (const FileRecord& f : files) {
        if (f.ie != ie) continue;
        if (f.state == FileRecord::State::kWaiting) p.add_waiting(f);
        if (f.state == FileRecord::State::kCancelled && !live_identities.count(f.identity))
            p.add_cancelled(f);
    }
    for (const auto& [ecf, seen] : crzs)
        for (int crz = *seen.begin() + 1; crz < *seen.rbegin(); ++crz)
            if (!seen.count(crz)) p.add_missing_crz(ecf, crz);
    return p.text();
}

std::string Authority::list_files(xmlNode* root) {
    const std::string ie = text_in_message(root, "IE");
    std::vector<FileRecord> files = books_.all();
    std::sort(files.begin(), files.end(), [](const FileRecord& a, const FileRecord& b) {
        return std::tie(a.reference, a.received) < std::tie(b.reference, b.received);
    });
    std::vector<FileRecord> mine;
    for (const FileRecord& f : files)
        if (f.ie == ie) mine.push_back(f);
    return file_list(ie, mine);
}

std::string Authority::file_history(xmlNode* root) {
    const std::string receipt = text_in_message(root, "Recibo");
    if (!books_.find(receipt))
        return operation_failed("Erro 1010 - Recibo não encontrado: " + receipt);
    return history_answer(receipt, books_.history(receipt));
}

std::string Authority::download(xmlNode* root) {
    const std::string receipt = text_in_message(root, "Recibo");
    const std::optional<FileRecord> r = books_.find(receipt);
    if (!r) return operation_failed("Erro 1010 - Recibo não encontrado: " + receipt);
    return download_answer(receipt,
                           to_base64(zip_one_file(receipt + ".xml", books_.signed_file(*r))));
}

std::string Authority::cancel(xmlNode* root) {
    const std::string receipt = text_in_message(root, "Recibo");
    const std::string reason = text_in_message(root, "Motivo");
    const std::optional<FileRecord> r = books_.find(receipt);
    if (!r) return operation_failed("Erro 1010 - Recibo não encontrado: " + receipt);
    if (reason.empty())
        return operation_failed("Erro 1013 - Motivo do cancelamento não informado.");
    const std::string refused = books_.cancel(*r, reason);
    if (!refused.empty()) return operation_failed(refused);
    return upkeep_answer(receipt, "3", "Cancelado", "Arquivo cancelado.");
}

std::string Authority::reprocess(xmlNode* root) {
    const std::string receipt = text_in_message(root, "Recibo");
    const std::optional<FileRecord> r = books_.find(receipt);
    if (!r) return operation_failed("Erro 1010 - Recibo não encontrado: " + receipt);
    const std::string refused = books_.reprocess(*r, text_in_message(root, "Motivo"));
    if (!refused.empty()) return operation_failed(refused);
    return upkeep_answer(receipt, "0", "Aguardando processamento",
                         "Arquivo enviado para reprocessamento.");
}

std::string Authority::developer_pendencies() {
    std::map<std::string, int> waiting;
    for (const FileRecord& f : books_.all())
        if (f.state == FileRecord::State::kWaiting) ++waiting[f.ie];
    return developer_answer(waiting);
}

std::string Authority::method_status() {
    return status_answer();
}

}  // namespace blocox
