#pragma once

#include <openssl/ssl.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace blocox {

struct Reply;

// A single-threaded HTTPS listener on 127.0.0.1: one connection at a time,
// one POST per connection, every read and write bounded in time so that no
// client can hold it.
class TlsServer {
  public:
    TlsServer() = default;
    ~TlsServer();
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    // Port 0 takes any free port; port() tells which.
    bool open(const std::filesystem::path& certificate, const std::filesystem::path& key, int port,
              std::string* error);
    int port() const { return port_; }

    // Waits up to wait_ms for a connection and serves it.
    void serve_one(int wait_ms, const std::function<Reply(const std::string&)>& handler);

  private:
    struct Held {
        SSL* ssl;
        int fd;
        std::time_t since;
    };
    void release_old_silent(bool all);

    SSL_CTX* context_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::vector<Held> silent_;
};

}  // namespace blocox
