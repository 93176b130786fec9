#include "backoffice/host_address.h"

#include "platform/process.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <chrono>

namespace balcora::backoffice {

namespace {

constexpr std::size_t kMaxAddress = 19;

std::string between(std::string_view text, char open, char close) {
    std::size_t a = text.find(open);
    if (a == std::string_view::npos) return {};
    std::size_t b = text.find(close, a + 1);
    if (b == std::string_view::npos) return {};
    return std::string(text.substr(a + 1, std::min(b - a - 1, kMaxAddress)));
}

bool looks_like_address(const std::string& text) {
    if (text.empty()) return false;
    unsigned char buffer[16];
    return inet_pton(AF_INET, text.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

std::optional<std::string> system_resolver(const std::string& host, std::string* why) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        if (why) *why = gai_strerror(rc);
        return std::nullopt;
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text,
              sizeof text);
    freeaddrinfo(found);
    return std::string(text);
}

}  // namespace

std::string address_in_ping_output(std::string_view text) {
    // Line by line: the first line naming an address decides.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        for (auto [open, close] : {std::pair{'[', ']'}, std::pair{'(', ')'}}) {
            std::string address = between(line, open, close);
            if (looks_like_address(address)) return address;
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return {};
}

std::optional<std::string> resolve_host(const std::string& host, std::string* why) {
    if (host.empty() || host[0] == '-') {
        if (why) *why = "nome de servidor inválido";
        return std::nullopt;
    }
    platform::ProcessOptions options;
    options.timeout = std::chrono::seconds(5);
    const auto ping = platform::run_program({"ping", "-c", "1", "-W", "2", host}, options);
    std::string address = address_in_ping_output(ping.output);
    if (!address.empty()) return address;
    return system_resolver(host, why);
}

}  // namespace balcora::backoffice
