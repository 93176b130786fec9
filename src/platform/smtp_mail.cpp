#include "platform/smtp_mail.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string_view>
#include <vector>

namespace balcora::platform {

namespace {

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MimeDeleter {
    void operator()(curl_mime* m) const { curl_mime_free(m); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using Mime = std::unique_ptr<curl_mime, MimeDeleter>;
using List = std::unique_ptr<curl_slist, ListDeleter>;

// libcurl wants its global set-up done once, before any handle.
void init_curl_once() {
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

bool append(List& list, const std::string& item) {
    curl_slist* grown = curl_slist_append(list.get(), item.c_str());
    if (!grown) return false;
    (void)list.release();
    list.reset(grown);
    return true;
}

std::string base64(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

bool valid_utf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > text.size()) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

// Header texts must not carry line breaks: one would start a header of the
// sender's choosing.
std::string one_line(std::string_view text) {
    std::string out;
    for (char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
    return out;
}

bool plausible_address(std::string_view a) {
    return !a.empty() && a.find('@') != std::string_view::npos &&
           a.find_first_of(" \t\r\n<>,;\"") == std::string_view::npos;
}

struct Endpoint {
    std::string url;
    std::string host;
    std::string port;
    bool implicit_tls = false;
};

Endpoint endpoint_of(const std::string& server) {
    Endpoint e;
    if (auto scheme = server.find("://"); scheme != std::string::npos) {
        e.url = server;
        e.implicit_tls = server.compare(0, scheme, "smtps") == 0;
        std::string rest = server.substr(scheme + 3);
        rest = rest.substr(0, rest.find('/'));
        const auto colon = rest.rfind(':');
        const bool v6 = !rest.empty() && rest.front() == '[';
        const bool has_port = colon != std::string::npos && (!v6 || rest[colon - 1] == ']');
        e.host = has_port ? rest.substr(0, colon) : rest;
        e.port = has_port ? rest.substr(colon + 1) : (e.implicit_tls ? "465" : "25");
        return e;
    }
    std::string host = server;
    std::string port = "25";
    const auto colon = server.rfind(':');
    const bool bracketed = !server.empty() && server.front() == '[';
    if (colon != std::string::npos && (!bracketed || server[colon - 1] == ']')) {
        host = server.substr(0, colon);
        port = server.substr(colon + 1);
    }
    e.host = host;
    e.port = port;
    e.implicit_tls = port == "465";
    e.url = (e.implicit_tls ? "smtps://" : "smtp://") + host + ":" + port;
    return e;
}

bool loopback_address(const sockaddr* a) {
    if (a->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(a);
        return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    if (a->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(a);
        if (IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr)) return true;
        return IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr) && v6->sin6_addr.s6_addr[12] == 127;
    }
    return false;
}

std::string bare_host(std::string host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return host;
}

// An address written out needs no lookup and cannot be pinned by name.
bool numeric_address(const std::string& host) {
    unsigned char buf[sizeof(in6_addr)];
    const std::string bare = bare_host(host);
    return inet_pton(AF_INET, bare.c_str(), buf) == 1 ||
           inet_pton(AF_INET6, bare.c_str(), buf) == 1;
}

struct AddrInfoFree {
    void operator()(addrinfo* a) const { freeaddrinfo(a); }
};

// The addresses the name resolves to now, as text; empty when it does not.
std::vector<std::string> resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(bare_host(host).c_str(), nullptr, &hints, &found) != 0) return {};
    std::unique_ptr<addrinfo, AddrInfoFree> owned(found);
    std::vector<std::string> out;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void* raw = a->ai_family == AF_INET
                              ? static_cast<const void*>(
                                    &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr)
                              : static_cast<const void*>(
                                    &reinterpret_cast<const sockaddr_in6*>(a->ai_addr)->sin6_addr);
        if (!loopback_address(a->ai_addr)) return {};
        if (inet_ntop(a->ai_family, raw, text, sizeof text))
            out.push_back(a->ai_family == AF_INET6 ? "[" + std::string(text) + "]" : text);
    }
    return out;
}

// The relay's loopback addresses, "addr,addr" for CURLOPT_RESOLVE; empty when
// any address of the name lies off this machine.
std::string loopback_addresses(const std::string& host) {
    std::string joined;
    for (const std::string& a : resolve(host)) joined += (joined.empty() ? "" : ",") + a;
    return joined;
}

std::string rfc5322_date() {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    const long offset = t.tm_gmtoff / 60;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[t.tm_wday],
                  t.tm_mday, kMonths[t.tm_mon], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec,
                  offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
    return buf;
}

std::string message_id(const std::string& from) {
    std::random_device rd;
    char buf[64];
    std::snprintf(buf, sizeof buf, "<%08x%08x.%lld", rd(), rd(),
                  static_cast<long long>(std::time(nullptr)));
    return buf + from.substr(from.find('@')) + ">";
}

std::string content_type_of(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".txt") return "text/plain";
    if (ext == ".xml") return "application/xml";
    if (ext == ".pdf") return "application/pdf";
    if (ext == ".zip") return "application/zip";
    return "application/octet-stream";
}

// The message as libcurl's MIME tree: the text first, then each attachment.
std::string build_mime(CURL* curl, const MailMessage& m, Mime* mime) {
    mime->reset(curl_mime_init(curl));
    curl_mimepart* text = curl_mime_addpart(mime->get());
    if (!text) return "sem memória para montar a mensagem";
    curl_mime_data(text, m.body.data(), m.body.size());
    const std::string charset = valid_utf8(m.body) ? "UTF-8" : "windows-1252";
    curl_mime_type(text,
                   ((m.html ? "text/html; charset=" : "text/plain; charset=") + charset).c_str());
    curl_mime_encoder(text, "quoted-printable");
    for (const auto& file : m.attachments) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec))
            return "anexo não encontrado: " + file.string();
        curl_mimepart* part = curl_mime_addpart(mime->get());
        if (!part || curl_mime_filedata(part, file.c_str()) != CURLE_OK)
            return "não foi possível ler o anexo " + file.string();
        curl_mime_type(part, content_type_of(file).c_str());
        curl_mime_encoder(part, "base64");
    }
    return {};
}

std::string check_message(const SmtpRelay& relay, const MailMessage& m) {
    if (relay.server.empty()) return "servidor SMTP não informado";
    if (!plausible_address(m.from)) return "remetente inválido: \"" + m.from + "\"";
    if (m.to.empty()) return "nenhum destinatário informado";
    for (const auto& to : m.to)
        if (!plausible_address(to)) return "destinatário inválido: \"" + to + "\"";
    return {};
}

}  // namespace

bool resolves_to_loopback_only(const std::string& host) {
    return !loopback_addresses(host).empty();
}

std::string encode_header_text(const std::string& text) {
    std::string line = one_line(text);
    if (std::all_of(line.begin(), line.end(), [](unsigned char c) { return c >= 32 && c < 127; }))
        return line;
    if (!valid_utf8(line)) return "=?windows-1252?B?" + base64(line) + "?=";
    // Each encoded word stays within 75 characters and holds whole characters.
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        size_t end = std::min(i + 45, line.size());
        while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
        if (!out.empty()) out += ' ';
        out += "=?UTF-8?B?" + base64(std::string_view(line).substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::string send_mail(const SmtpRelay& relay, const MailMessage& m) {
    if (std::string bad = check_message(relay, m); !bad.empty()) return bad;
    init_curl_once();
    Easy curl(curl_easy_init());
    if (!curl) return "não foi possível iniciar o cliente SMTP";
    CURL* h = curl.get();
    const Endpoint where = endpoint_of(relay.server);
    char error[CURL_ERROR_SIZE] = {};

    List recipients;
    for (const auto& to : m.to)
        if (!append(recipients, "<" + to + ">")) return "sem memória para os destinatários";
    std::string to_header;
    for (const auto& to : m.to) to_header += (to_header.empty() ? "" : ", ") + to;
    List headers;
    for (const std::string& h_line :
         {"Date: " + rfc5322_date(), "From: " + m.from, "To: " + to_header,
          "Subject: " + encode_header_text(m.subject), "Message-ID: " + message_id(m.from),
          std::string("MIME-Version: 1.0")})
        if (!append(headers, h_line)) return "sem memória para o cabeçalho";
    Mime mime;
    if (std::string bad = build_mime(h, m, &mime); !bad.empty()) return bad;

    const long total = std::max<long>(1, static_cast<long>(relay.timeout.count()));
    curl_easy_setopt(h, CURLOPT_URL, where.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, std::min(total, 20L));
    curl_easy_setopt(h, CURLOPT_TIMEOUT, total);
    // A password never crosses the network in clear: away from this machine
    // an authenticated relay must offer STARTTLS (or be smtps). "This
    // machine" is where the name leads, not how it reads ("127.x.example"
    // may lead anywhere), and the connection goes to the very addresses
    // judged, so a second lookup cannot lead elsewhere.
    const std::string local = relay.user.empty() ? std::string() : loopback_addresses(where.host);
    const bool must_encrypt = !relay.user.empty() && local.empty();
    List pinned;
    if (!local.empty() && !numeric_address(where.host) &&
        !append(pinned, bare_host(where.host) + ":" + where.port + ":" + local))
        return "sem memória para o endereço do servidor";
    if (pinned) curl_easy_setopt(h, CURLOPT_RESOLVE, pinned.get());
    curl_easy_setopt(h, CURLOPT_USE_SSL, must_encrypt ? CURLUSESSL_ALL : CURLUSESSL_TRY);
    if (!relay.user.empty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, relay.user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, relay.password.c_str());
    }
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, ("<" + m.from + ">").c_str());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get());

    const CURLcode rc = curl_easy_perform(h);
    if (rc == CURLE_OK) return {};
    long reply = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply);
    std::string why = rc == CURLE_OPERATION_TIMEDOUT
                          ? "tempo esgotado (" + std::to_string(total) + " s)"
                          : std::string(error[0] ? error : curl_easy_strerror(rc));
    if (reply >= 400) why += " (resposta do servidor: " + std::to_string(reply) + ")";
    return "falha no envio por " + where.url + ": " + one_line(why);
}

}  // namespace balcora::platform
