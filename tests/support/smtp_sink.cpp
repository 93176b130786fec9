#include "support/smtp_sink.h"

#include "support/loopback_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace balcora::test {

namespace fs = std::filesystem;

SmtpSink::SmtpSink(const std::string& user, const std::string& password) {
    std::string tmpl = (fs::temp_directory_path() / "balcora-smtp-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return;
    folder_ = tmpl;
    port_ = unused_loopback_port();
    std::vector<std::string> words{BALCORA_TEST_SUPPORT_DIR "/smtp_sink.py", std::to_string(port_),
                                   folder_.string()};
    if (!user.empty()) words.insert(words.end(), {"--user", user, "--password", password});
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    // A guard against a sink that never comes up, not a measurement.
    for (int i = 0; i < 300 && pid_ > 0 && !ready_; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ready_ = fs::exists(folder_ / "ready");
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    }
}

SmtpSink::~SmtpSink() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    if (!folder_.empty()) fs::remove_all(folder_, ec);
}

std::string SmtpSink::server() const {
    return "127.0.0.1:" + std::to_string(port_);
}

fs::path SmtpSink::message(int n) const {
    char name[16];
    std::snprintf(name, sizeof name, "%03d", n);
    std::error_code ec;
    return fs::is_directory(folder_ / name, ec) ? folder_ / name : fs::path();
}

SilentServer::SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The kernel completes the connection from the backlog; nobody answers.
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 8);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
}

SilentServer::~SilentServer() {
    if (fd_ >= 0) ::close(fd_);
}

std::string SilentServer::server() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string file_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace balcora::test
