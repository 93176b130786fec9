// balcora-blocox-cliente: the Bloco X web-service client. The program writes
// what to send to the exchange file xsginws.ini and waits for this client,
// which signs the XML with the establishment's certificate, sends it to the
// authority and writes the answer back (README.md beside this file).
#include "exchange_file.h"
#include "payload.h"
#include "signer.h"
#include "soap.h"
#include "transport.h"
#include "xml_security.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;
using namespace blocox;

namespace {

// Larger than any Z reduction or month of stock the program writes.
constexpr std::uintmax_t kLargestFile = 64ull * 1024 * 1024;

int usage() {
    std::cerr << "uso: balcora-blocox-cliente [--root PASTA] [--ini ARQUIVO]\n";
    return 2;
}

fs::path default_root() {
    if (const char* r = std::getenv("BALCORA_ROOT"); r && *r) return r;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) return fs::path(x) / "balcora";
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : ".") / ".local" / "share" / "balcora";
}

// Each action of the exchange file: the operation it goes to and the root
// element the file to send must have (none: the operation takes no file).
struct Action {
    std::string_view name;
    std::string_view operation;
    std::string_view root;
};
constexpr Action kActions[] = {
    {"EnviarReducaoZ", kTransmit, "ReducaoZ"},
    {"EnviarEstoque", kTransmit, "Estoque"},
    {"ConsultarProcessamento", kQueryProcessing, "Manutencao"},
    {kTaxpayerPendencies, kTaxpayerPendencies, kTaxpayerPendencies},
    {kListFiles, kListFiles, kListFiles},
    {kFileHistory, kFileHistory, kFileHistory},
    {kDownload, kDownload, kDownload},
    {kCancel, kCancel, "Manutencao"},
    {kReprocess, kReprocess, "Manutencao"},
    {kDeveloperPendencies, kDeveloperPendencies, kDeveloperPendencies},
    {kMethodStatus, kMethodStatus, ""},
};

const Action* action_of(const std::string& name) {
    for (const Action& a : kActions)
        if (a.name == name) return &a;
    return nullptr;
}

// The program reads answers up to 1 MB; a download brings a whole file.
constexpr size_t kLargestAnswer = 1024 * 1024;
constexpr size_t kLargestDownload = 96 * 1024 * 1024;

bool read_file(const fs::path& file, std::string* text, std::string* error) {
    std::error_code ec;
    if (file.empty()) {
        *error = "Arquivo a enviar não informado no arquivo de troca.";
        return false;
    }
    if (!fs::is_regular_file(file, ec)) {
        *error = "Arquivo a enviar não encontrado: " + file.string();
        return false;
    }
    if (fs::file_size(file, ec) > kLargestFile) {
        *error = "Arquivo a enviar grande demais: " + file.string();
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    if (!in) {
        *error = "Erro ao ler o arquivo a enviar: " + file.string();
        return false;
    }
    *text = s.str();
    return true;
}

// The file must be what the action says, and a query must ask about the
// receipt the program named.
bool matches_action(const std::string& xml, std::string_view root_name, const Exchange& e,
                    std::string* error) {
    std::string reason;
    XmlDoc doc = parse_xml(xml, &reason);
    if (!doc) {
        *error = "Arquivo XML inválido (" + e.file.string() + "): " + reason;
        return false;
    }
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (local_name(root) != root_name) {
        *error = "O arquivo " + e.file.string() + " não é do tipo " + std::string(root_name) +
                 " (ação " + e.action + ")";
        return false;
    }
    if (!e.receipt.empty() && e.receipt != "null") {
        std::string asked = text_of(child_element(child_element(root, "Mensagem"), "Recibo"));
        if (asked != e.receipt) {
            *error = "O recibo da consulta (" + asked + ") difere do recibo informado (" +
                     e.receipt + ")";
            return false;
        }
    }
    return true;
}

bool write_answer(const fs::path& file, const std::string& text, std::string* error) {
    fs::path tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            *error = "Erro ao gravar a resposta do Fisco em " + file.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, file, ec);
    if (ec) {
        fs::remove(tmp, ec);
        *error = "Erro ao gravar a resposta do Fisco em " + file.string();
        return false;
    }
    return true;
}

fs::path answer_path(const fs::path& sent) {
    return sent.parent_path() / (sent.stem().string() + "-retorno.xml");
}

// The answer judged before it is handed over: a result that is no Resposta,
// an operation the authority says it could not carry out, or a transmission
// "received" without a receipt of the authority's form is no answer, so the
// program never takes a file for sent without its receipt.
bool judge_result(const Action& action, const std::string& result, std::string* error) {
    std::string reason;
    XmlDoc doc = parse_xml(result, &reason);
    if (!doc) {
        *error = "Resposta do Fisco ilegível: o resultado não é XML (" + reason + ")";
        return false;
    }
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (local_name(root).rfind("Resposta", 0) != 0) {
        *error = "Resposta do Fisco ilegível: " + local_name(root) + " em vez de Resposta";
        return false;
    }
    if (text_of(child_element(root, "SituacaoOperacaoCodigo")) == "3") {
        std::string why = text_of(child_element(root, "SituacaoOperacaoDescricao"));
        const std::string message = text_of(child_element(root, "Mensagem"));
        if (!message.empty()) why += (why.empty() ? "" : " - ") + message;
        *error = "O Fisco não executou " + std::string(action.operation) + ": " +
                 (why.empty() ? std::string("sem motivo informado") : why);
        return false;
    }
    if (action.operation == kTransmit &&
        text_of(child_element(root, "SituacaoProcessamentoCodigo")) == "0") {
        xmlNode* receipt = child_element(root, "Recibo");
        const std::string r = text_of(receipt);
        if (!receipt || r.empty()) {
            *error = "Resposta do Fisco sem Recibo: o arquivo continua pendente.";
            return false;
        }
        if (r.size() != 36) {
            *error = "Recibo do Fisco com " + std::to_string(r.size()) +
                     " caracteres em vez de 36 (\"" + r.substr(0, 60) +
                     "\"): o arquivo continua pendente.";
            return false;
        }
    }
    return true;
}

// The file a download brought, unpacked beside the request; empty with the
// reason in *error when the answer carries none or it is damaged.
fs::path extract_download(const std::string& result, const fs::path& request, std::string* error) {
    std::string reason;
    XmlDoc doc = parse_xml(result, &reason);
    const std::string packed =
        doc ? text_of(child_element(xmlDocGetRootElement(doc.get()), "Arquivo")) : std::string();
    if (packed.empty()) return {};
    std::optional<std::string> zip = from_base64(packed);
    std::optional<std::string> xml = zip ? unzip_first_file(*zip, kLargestDownload) : std::nullopt;
    if (!xml) {
        *error = "Arquivo baixado do Fisco danificado (não é um ZIP em base 64)";
        return {};
    }
    const fs::path out = request.parent_path() / (request.stem().string() + "-arquivo.xml");
    if (!write_answer(out, *xml, error)) return {};
    return out;
}

// One run: the answer's path, or the reason none came.
bool run(const Exchange& e, fs::path* answer, fs::path* extracted, std::string* error) {
    const Action* action = action_of(e.action);
    if (!action) {
        *error = "Ação desconhecida no arquivo de troca: \"" + e.action + "\"";
        return false;
    }
    if (!e.certificate_type.empty() && e.certificate_type != "A1") {
        *error = "Certificado do tipo " + e.certificate_type +
                 " (repositório) ainda não disponível nesta versão; use um certificado A1 "
                 "(arquivo PFX).";
        return false;
    }
    SoapRequest request{e.soap_version, std::string(action->operation), ""};
    if (!action->root.empty()) {
        std::string xml;
        if (!read_file(e.file, &xml, error) || !matches_action(xml, action->root, e, error))
            return false;
        SigningKey key = open_certificate(e.certificate, e.password, error);
        if (!key) return false;

        const auto started = std::chrono::steady_clock::now();
        std::string signed_xml;
        if (!sign_document(xml, key.get(), e.signature, &signed_xml, error)) return false;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        std::cerr << "balcora-blocox-cliente: " << e.file.filename().string() << " assinado em "
                  << ms << " ms\n";
        // The file travels zipped; every other request as its own text.
        request.argument = action->operation == kTransmit
                               ? to_base64(zip_one_file(e.file.filename().string(), signed_xml))
                               : without_declaration(signed_xml);
    } else if (e.file.empty()) {
        *error = "Arquivo não informado no arquivo de troca: a resposta vai ao lado dele.";
        return false;
    }
    std::optional<std::string> result = post_to_authority(
        e, request, action->operation == kDownload ? kLargestDownload : kLargestAnswer, error);
    if (!result || !judge_result(*action, *result, error)) return false;
    if (action->operation == kDownload) {
        *extracted = extract_download(*result, e.file, error);
        if (extracted->empty() && !error->empty()) return false;
    }
    *answer = answer_path(e.file);
    return write_answer(*answer, *result, error);
}

}  // namespace

int main(int argc, char** argv) {
    fs::path root, ini;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if ((word == "--root" || word == "--ini") && i + 1 < argc)
            (word == "--root" ? root : ini) = argv[++i];
        else
            return usage();
    }
    if (ini.empty())
        ini = root.empty() ? fs::path("xsginws.ini")
                           : root / "sistemas" / "balcora" / "pgms" / "xsginws.ini";
    if (root.empty()) root = default_root();

    XmlSecurity xml_security;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::string error;
    Exchange exchange;
    fs::path answer, extracted;
    bool answered = false;
    if (!xml_security.ready())
        error = "Falha ao iniciar a biblioteca de assinatura digital: " + take_xml_error();
    else if (read_exchange(ini, root, &exchange, &error))
        answered = run(exchange, &answer, &extracted, &error);
    curl_global_cleanup();

    if (!answered) std::cerr << "balcora-blocox-cliente: " << error << "\n";
    std::string write_error;
    if (!write_outcome(ini, answered, answer, answered ? "" : error, &write_error, extracted)) {
        // An unreadable exchange file was already reported above.
        if (answered || write_error != error)
            std::cerr << "balcora-blocox-cliente: " << write_error << "\n";
        return 1;
    }
    if (answered)
        std::cerr << "balcora-blocox-cliente: resposta do Fisco em " << answer.string() << "\n";
    return answered ? 0 : 1;
}
