#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <string_view>

namespace balcora::test {

// A pseudo-terminal pair standing in for a serial line: what is written to
// the master arrives at the slave device as if a scanner had sent it.
class PtyPair {
  public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        const char* name = ptsname(master_);
        if (name == nullptr) throw std::runtime_error("no pseudo-terminal name");
        slave_path_ = name;
    }
    ~PtyPair() { close_master(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slave_path() const { return slave_path_; }

    void send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw std::runtime_error("write to pseudo-terminal failed");
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // The line goes away, as when a USB adapter is pulled out.
    void close_master() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    std::string slave_path_;
};

}  // namespace balcora::test
