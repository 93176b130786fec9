#include "transport.h"

#include "soap.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

namespace blocox {

namespace {

// An answer larger than this is no answer of the authority's.
constexpr size_t kLargestAnswer = 16 * 1024 * 1024;

size_t collect(char* data, size_t size, size_t count, void* target) {
    auto* body = static_cast<std::string*>(target);
    if (body->size() + size * count > kLargestAnswer) return 0;
    body->append(data, size * count);
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

std::string failure_text(CURLcode code, const Exchange& e, const char* detail) {
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
            return "Resposta do Fisco grande demais" + where;
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return "A conexão com o Fisco caiu antes da resposta" + where;
        default:
            return std::string("Falha na comunicação com o Fisco") + where + ": " +
                   (*detail ? detail : curl_easy_strerror(code));
    }
}

}  // namespace

std::optional<std::string> post_to_authority(const Exchange& e, const std::string& operation,
                                             const std::string& envelope, std::string* error) {
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
    const std::string content_type =
        "Content-Type: application/soap+xml; charset=utf-8; action=\"" +
        std::string(kServiceNamespace) + "/" + operation + "\"";
    std::unique_ptr<curl_slist, ListFree> headers(curl_slist_append(nullptr, content_type.c_str()));
    std::string body;
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
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    if (!e.authority_certificate.empty())
        curl_easy_setopt(c, CURLOPT_CAINFO, e.authority_certificate.c_str());
    CURLcode code = curl_easy_perform(c);
    if (code != CURLE_OK) {
        *error = failure_text(code, e, detail);
        return std::nullopt;
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    std::string reason;
    std::optional<std::string> result = read_soap_response(body, &reason);
    if (result && status == 200) return result;
    if (status != 200 && !result && reason.rfind("falha SOAP", 0) == 0)
        *error = "O Fisco recusou a requisição: " + reason.substr(12);
    else if (status != 200)
        *error = "O Fisco respondeu com o código HTTP " + std::to_string(status) + " (" +
                 e.address + ")";
    else
        *error = "Resposta do Fisco ilegível: " + reason;
    return std::nullopt;
}

}  // namespace blocox
