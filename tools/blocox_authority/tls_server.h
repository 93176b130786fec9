#pragma once

#include <openssl/ssl.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace blocox {

struct Reply;

// One request as it came: the method, the target ("/blocox?WSDL"), the two
// headers a SOAP service reads, and the body.
struct HttpRequest {
    std::string method;
    std::string target;
    std::string content_type;
    std::string soap_action;
    std::string body;
};

// An HTTPS listener on 127.0.0.1: each connection is served by a thread of
// its own, one request (POST, or GET for the service description) per connection, every read and
// write bounded in time, so that an idle or slow client holds its own thread and never the others.
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

    using Handler = std::function<Reply(const HttpRequest&)>;

    // Waits up to wait_ms for a connection and hands it to a thread of its
    // own. The handler may run on several threads at once: it guards what
    // it shares.
    void serve_one(int wait_ms, const Handler& handler);

  private:
    struct Worker {
        std::thread thread;
        std::atomic<bool> finished{false};
    };
    void serve(int fd, const Handler& handler, Worker& self);
    void hold_silent();
    void join_finished(bool all);
    void forget(int fd);

    SSL_CTX* context_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::list<Worker> workers_;  // touched by the accepting thread only
    std::mutex live_mutex_;
    std::condition_variable stopping_changed_;
    bool stopping_ = false;
    std::set<int> live_;  // descriptors of connections being served
};

}  // namespace blocox
