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

// The root element each action carries, and the service operation it goes to.
bool operation_of(const std::string& action, std::string* operation, std::string* root) {
    if (action == "EnviarReducaoZ" || action == "EnviarEstoque") {
        *operation = kSendOperation;
        *root = action == "EnviarReducaoZ" ? "ReducaoZ" : "Estoque";
        return true;
    }
    if (action == "ConsultarProcessamento") {
        *operation = kQueryOperation;
        *root = "Manutencao";
        return true;
    }
    return false;
}

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
bool matches_action(const std::string& xml, const std::string& root_name, const Exchange& e,
                    std::string* error) {
    std::string reason;
    XmlDoc doc = parse_xml(xml, &reason);
    if (!doc) {
        *error = "Arquivo XML inválido (" + e.file.string() + "): " + reason;
        return false;
    }
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (local_name(root) != root_name) {
        *error = "O arquivo " + e.file.string() + " não é do tipo " + root_name + " (ação " +
                 e.action + ")";
        return false;
    }
    if (root_name == "Manutencao" && !e.receipt.empty() && e.receipt != "null") {
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

// One run: the answer's path, or the reason none came.
bool run(const Exchange& e, fs::path* answer, std::string* error) {
    std::string operation, root_name;
    if (!operation_of(e.action, &operation, &root_name)) {
        *error = "Ação desconhecida no arquivo de troca: \"" + e.action + "\"";
        return false;
    }
    if (!e.certificate_type.empty() && e.certificate_type != "A1") {
        *error = "Certificado do tipo " + e.certificate_type +
                 " (repositório) ainda não disponível nesta versão; use um certificado A1 "
                 "(arquivo PFX).";
        return false;
    }
    std::string xml;
    if (!read_file(e.file, &xml, error) || !matches_action(xml, root_name, e, error)) return false;
    SigningKey key = open_certificate(e.certificate, e.password, error);
    if (!key) return false;

    const auto started = std::chrono::steady_clock::now();
    std::string signed_xml;
    if (!sign_document(xml, key.get(), &signed_xml, error)) return false;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();
    std::cerr << "balcora-blocox-cliente: " << e.file.filename().string() << " assinado em " << ms
              << " ms\n";

    SoapRequest request{operation, to_base64(zip_one_file(e.file.filename().string(), signed_xml)),
                        e.environment.empty() ? "1" : e.environment};
    std::optional<std::string> result =
        post_to_authority(e, operation, soap_request(request), error);
    if (!result) return false;
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
    fs::path answer;
    bool answered = false;
    if (!xml_security.ready())
        error = "Falha ao iniciar a biblioteca de assinatura digital: " + take_xml_error();
    else if (read_exchange(ini, root, &exchange, &error))
        answered = run(exchange, &answer, &error);
    curl_global_cleanup();

    if (!answered) std::cerr << "balcora-blocox-cliente: " << error << "\n";
    std::string write_error;
    if (!write_outcome(ini, answered, answer, answered ? "" : error, &write_error)) {
        // An unreadable exchange file was already reported above.
        if (answered || write_error != error)
            std::cerr << "balcora-blocox-cliente: " << write_error << "\n";
        return 1;
    }
    if (answered)
        std::cerr << "balcora-blocox-cliente: resposta do Fisco em " << answer.string() << "\n";
    return answered ? 0 : 1;
}
