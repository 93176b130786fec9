#pragma once

#include <filesystem>
#include <string>

namespace balcora::test {

// A real SMTP server on a free loopback port (tests/support/smtp_sink.py,
// Debian's python3-aiosmtpd), stopped at the end of the scope. With a user,
// it takes a message only after that login and password.
class SmtpSink {
  public:
    explicit SmtpSink(const std::string& user = {}, const std::string& password = {});
    ~SmtpSink();
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    bool running() const { return ready_; }
    // "127.0.0.1:PORT"
    std::string server() const;
    // The n-th message received (from 1), decoded into files (see the
    // script); an empty path when there is none.
    std::filesystem::path message(int n) const;

  private:
    std::filesystem::path folder_;
    int port_ = 0;
    int pid_ = -1;
    bool ready_ = false;
};

// A loopback port that takes connections and never says a word: a hanging
// relay.
class SilentServer {
  public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    std::string server() const;

  private:
    int fd_ = -1;
    int port_ = 0;
};

// The whole content of a file; empty when it cannot be read.
std::string file_text(const std::filesystem::path& file);

}  // namespace balcora::test
