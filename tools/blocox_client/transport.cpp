#include "transport.h"

#include <curl/curl.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <memory>

namespace blocox {

namespace {

struct Collected {
    std::string body;
    std::string content_type;
    size_t largest = 0;
    bool too_large = false;
};

size_t collect(char* data, size_t size, size_t count, void* target) {
    auto* c = static_cast<Collected*>(target);
    if (c->body.size() + size * count > c->largest) {
        c->too_large = true;
        return 0;
    }
    c->body.append(data, size * count);
    return size * count;
}

struct CurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListFree {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

bool starts_https(const std::string& address) {
    if (address.size() < 9) return false;
    std::string head = address.substr(0, 8);
    for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return head == "https://";
}

std::string size_text(size_t bytes) {
    return bytes >= 1024 * 1024 ? std::to_string(bytes / (1024 * 1024)) + " MB"
                                : std::to_string(bytes / 1024) + " KB";
}

std::string failure_text(CURLcode code, const Exchange& e, const char* detail, size_t largest) {
    const std::string where = " (" + e.address + ")";
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return "Endereço do Fisco não encontrado" + where;
        case CURLE_COULDNT_CONNECT:
            return "O Fisco não está respondendo: conexão recusada" + where;
        case CURLE_OPERATION_TIMEDOUT:
            return "O Fisco não respondeu dentro do tempo limite (" +
                   std::to_string(e.total_seconds) + " s)" + where;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            return "Certificado do servidor do Fisco não reconhecido" + where + ": " + detail;
        case CURLE_WRITE_ERROR:
            return "Resposta do Fisco grande demais (mais de " + size_text(largest) + ")" + where;
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return "A conexão com o Fisco caiu antes da resposta" + where;
        default:
            return std::string("Falha na comunicação com o Fisco") + where + ": " +
                   (*detail ? detail : curl_easy_strerror(code));
    }
}

// Each exchange kept under the trace folder, named by the moment and the
// operation, for the technician who must show what travelled.
class Trace {
  public:
    Trace(const Exchange& e, const std::string& operation) {
        if (e.trace_folder.empty()) return;
        std::error_code ec;
        std::filesystem::create_directories(e.trace_folder, ec);
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        stem_ =
            e.trace_folder /
            (std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()) +
             "-" + operation);
    }
    void keep(const char* suffix, const std::string& head, const std::string& body) const {
        if (stem_.empty()) return;
        std::ofstream(stem_.string() + suffix, std::ios::binary) << head << "\r\n\r\n" << body;
    }

  private:
    std::filesystem::path stem_;
};

}  // namespace

std::optional<std::string> post_to_authority(const Exchange& e, const SoapRequest& request,
                                             size_t largest_answer, std::string* error) {
    if (e.address.empty()) {
        *error = "Endereço do Fisco não configurado (Configuração, Bloco X).";
        return std::nullopt;
    }
    if (!starts_https(e.address)) {
        *error = "O endereço do Fisco deve começar com https://: " + e.address;
        return std::nullopt;
    }
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) {
        *error = "Falha ao iniciar a comunicação com o Fisco";
        return std::nullopt;
    }
    const std::string envelope = soap_request(request);
    const std::string type = "Content-Type: " + content_type(request.version, request.operation);
    curl_slist* list = curl_slist_append(nullptr, type.c_str());
    if (request.version == SoapVersion::k11)
        list = curl_slist_append(
            list, ("SOAPAction: \"" + soap_action(request.operation) + "\"").c_str());
    // No "Expect: 100-continue": the published service answers at once.
    list = curl_slist_append(list, "Expect:");
    std::unique_ptr<curl_slist, ListFree> headers(list);

    Trace trace(e, request.operation);
    std::string head = "POST " + e.address + " HTTP/1.1\r\n" + type;
    if (request.version == SoapVersion::k11)
        head += "\r\nSOAPAction: \"" + soap_action(request.operation) + "\"";
    trace.keep("-requisicao.txt", head, envelope);

    Collected answer;
    answer.largest = largest_answer;
    char detail[CURL_ERROR_SIZE] = "";
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, e.address.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, e.connect_seconds);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, e.total_seconds);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, envelope.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    if (!e.authority_certificate.empty())
        curl_easy_setopt(c, CURLOPT_CAINFO, e.authority_certificate.c_str());
    CURLcode code = curl_easy_perform(c);
    if (code != CURLE_OK) {
        *error =
            failure_text(answer.too_large ? CURLE_WRITE_ERROR : code, e, detail, largest_answer);
        trace.keep("-resposta.txt", "(sem resposta)", *error);
        return std::nullopt;
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    char* answer_type = nullptr;
    curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &answer_type);
    trace.keep(
        "-resposta.txt",
        "HTTP " + std::to_string(status) + "\r\nContent-Type: " + (answer_type ? answer_type : ""),
        answer.body);

    std::string reason;
    std::optional<std::string> result = read_soap_response(answer.body, request.operation, &reason);
    const std::string where = " (" + e.address + ")";
    if (result && status == 200) return result;
    if (reason.rfind("falha SOAP", 0) == 0)
        *error = "O Fisco recusou a requisição (" + reason + ")";
    else if (reason.rfind("página HTML", 0) == 0)
        *error = "O Fisco respondeu com uma página HTML em vez de SOAP (HTTP " +
                 std::to_string(status) + ")" + where;
    else if (status != 200)
        *error = "O Fisco respondeu com o código HTTP " + std::to_string(status) + where;
    else
        *error = "Resposta do Fisco ilegível: " + reason;
    return std::nullopt;
}

}  // namespace blocox
