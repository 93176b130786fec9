#include "tls_server.h"

#include "authority.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>

namespace blocox {

namespace {

constexpr size_t kLargestHeader = 64 * 1024;
constexpr size_t kLargestBody = 96 * 1024 * 1024;
// A connection kept silent is let go after this long, so that a forgotten
// client cannot hold the descriptors for ever.
constexpr auto kSilentTime = std::chrono::seconds(600);
// Each read or write waits at most this long, and a whole request must come
// within the deadline: a client that drips bytes is dropped too.
constexpr int kIoSeconds = 10;
constexpr auto kRequestDeadline = std::chrono::seconds(60);
// Connections served at once; more wait in the listen queue.
constexpr size_t kMostConnections = 64;

using Clock = std::chrono::steady_clock;

bool write_all(SSL* ssl, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        int n = SSL_write(ssl, text.data() + done, static_cast<int>(text.size() - done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The value of a header as sent (its name in any case); empty when absent.
std::string header(const std::string& head, const std::string& name) {
    const std::string l = lower(head);
    size_t at = l.find("\r\n" + name + ":");
    if (at == std::string::npos) return {};
    at += name.size() + 3;
    size_t end = l.find("\r\n", at);
    std::string v = head.substr(at, end - at);
    while (!v.empty() && v.front() == ' ') v.erase(0, 1);
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return v;
}

std::string status_line(int status) {
    switch (status) {
        case 200:
            return "200 OK";
        case 400:
            return "400 Bad Request";
        case 404:
            return "404 Not Found";
        case 405:
            return "405 Method Not Allowed";
        case 411:
            return "411 Length Required";
        case 413:
            return "413 Payload Too Large";
        default:
            return "500 Internal Server Error";
    }
}

bool send_reply(SSL* ssl, int status, const std::string& body,
                const std::string& type = "text/plain; charset=utf-8") {
    std::string text = "HTTP/1.1 " + status_line(status) + "\r\nContent-Type: " + type +
                       "\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\nConnection: close\r\n\r\n" + body;
    return write_all(ssl, text);
}

// Reads one request; false after answering (or dropping) a bad one.
bool read_request(SSL* ssl, HttpRequest* request) {
    const Clock::time_point deadline = Clock::now() + kRequestDeadline;
    std::string data;
    char buffer[16384];
    size_t head_end;
    while ((head_end = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > kLargestHeader) return send_reply(ssl, 400, ""), false;
        if (Clock::now() > deadline) return false;
        int n = SSL_read(ssl, buffer, sizeof buffer);
        if (n <= 0) return false;
        data.append(buffer, static_cast<size_t>(n));
    }
    const std::string head = data.substr(0, head_end + 2);
    const size_t method_end = head.find(' ');
    const size_t target_end = head.find(' ', method_end + 1);
    if (method_end == std::string::npos || target_end == std::string::npos)
        return send_reply(ssl, 400, ""), false;
    request->method = head.substr(0, method_end);
    request->target = head.substr(method_end + 1, target_end - method_end - 1);
    if (request->method == "GET") return true;
    if (request->method != "POST") return send_reply(ssl, 405, ""), false;
    request->content_type = header(head, "content-type");
    request->soap_action = header(head, "soapaction");
    const std::string length_text = header(head, "content-length");
    char* end = nullptr;
    unsigned long long length = std::strtoull(length_text.c_str(), &end, 10);
    if (length_text.empty() || *end != '\0') return send_reply(ssl, 411, ""), false;
    if (length > kLargestBody) return send_reply(ssl, 413, ""), false;
    if (lower(header(head, "expect")) == "100-continue" &&
        !write_all(ssl, "HTTP/1.1 100 Continue\r\n\r\n"))
        return false;
    std::string* body = &request->body;
    *body = data.substr(head_end + 4);
    while (body->size() < length) {
        if (Clock::now() > deadline) return false;
        int n = SSL_read(ssl, buffer, sizeof buffer);
        if (n <= 0) return false;
        body->append(buffer, static_cast<size_t>(n));
    }
    body->resize(length);
    return true;
}

}  // namespace

TlsServer::~TlsServer() {
    {
        // Every connection still served is cut, so its thread ends now.
        std::lock_guard<std::mutex> lock(live_mutex_);
        stopping_ = true;
        for (int fd : live_) shutdown(fd, SHUT_RDWR);
    }
    stopping_changed_.notify_all();
    join_finished(true);
    if (listener_ >= 0) close(listener_);
    SSL_CTX_free(context_);
}

bool TlsServer::open(const std::filesystem::path& certificate, const std::filesystem::path& key,
                     int port, std::string* error) {
    context_ = SSL_CTX_new(TLS_server_method());
    if (!context_ || SSL_CTX_use_certificate_chain_file(context_, certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context_, key.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context_) != 1) {
        char reason[256];
        ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
        *error = "certificado ou chave do servidor ilegíveis (" + certificate.string() + ", " +
                 key.string() + "): " + reason;
        return false;
    }
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        listen(listener_, 16)) {
        *error = "porta " + std::to_string(port) + " indisponível: " + std::strerror(errno);
        return false;
    }
    socklen_t size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    return true;
}

void TlsServer::join_finished(bool all) {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (all || it->finished) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

void TlsServer::serve_one(int wait_ms, const Handler& handler) {
    join_finished(false);
    if (workers_.size() >= kMostConnections) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(wait_ms, 50)));
        return;
    }
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, wait_ms) <= 0) return;
    int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    timeval limit{kIoSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    {
        std::lock_guard<std::mutex> lock(live_mutex_);
        live_.insert(fd);
    }
    Worker& worker = workers_.emplace_back();
    worker.thread = std::thread([this, fd, handler, &worker] { serve(fd, handler, worker); });
}

// Waits out a silent reply: until the client's own limit has long passed or
// the server stops.
void TlsServer::hold_silent() {
    std::unique_lock<std::mutex> lock(live_mutex_);
    stopping_changed_.wait_for(lock, kSilentTime, [this] { return stopping_; });
}

void TlsServer::forget(int fd) {
    std::lock_guard<std::mutex> lock(live_mutex_);
    live_.erase(fd);
}

void TlsServer::serve(int fd, const Handler& handler, Worker& self) {
    SSL* ssl = SSL_new(context_);
    SSL_set_fd(ssl, fd);
    HttpRequest request;
    if (SSL_accept(ssl) == 1 && read_request(ssl, &request)) {
        Reply reply = handler(request);
        if (reply.silent)
            hold_silent();
        else if (send_reply(ssl, reply.status, reply.body, reply.content_type))
            SSL_shutdown(ssl);
    }
    ERR_clear_error();
    SSL_free(ssl);
    // Out of the live set before it closes: the number may be reused at once.
    forget(fd);
    close(fd);
    self.finished = true;
}

}  // namespace blocox
