#include "platform/exchange_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace balcora::platform {

namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

ExchangeFile outcome(ExchangeRead what, int error = 0) {
    ExchangeFile f;
    f.outcome = what;
    f.error = error;
    return f;
}

ExchangeFile too_large(std::size_t limit) {
    ExchangeFile f = outcome(ExchangeRead::kTooLarge);
    f.limit = limit;
    return f;
}

std::string size_text(std::size_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

}  // namespace

ExchangeFile read_exchange_file(const std::filesystem::path& file, Links links, std::size_t limit) {
    int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    if (links == Links::kRefuse) flags |= O_NOFOLLOW;
    Descriptor fd(::open(file.c_str(), flags));
    if (fd.get() < 0) {
        const int e = errno;
        if (e == ENOENT) return outcome(ExchangeRead::kMissing, e);
        // O_NOFOLLOW answers a link with ELOOP.
        if (e == ELOOP && links == Links::kRefuse) return outcome(ExchangeRead::kNotRegular, e);
        return outcome(ExchangeRead::kFailed, e);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return outcome(ExchangeRead::kFailed, errno);
    if (!S_ISREG(st.st_mode)) return outcome(ExchangeRead::kNotRegular);
    if (static_cast<std::uintmax_t>(st.st_size) > limit) return too_large(limit);

    ExchangeFile f = outcome(ExchangeRead::kRead);
    f.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[16384];
    // The writer may still be growing the file: the limit holds for what is
    // read, not only for the size seen at the start.
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return outcome(ExchangeRead::kFailed, errno);
        }
        if (n == 0) break;
        if (f.bytes.size() + static_cast<std::size_t>(n) > limit) return too_large(limit);
        f.bytes.append(buf, static_cast<std::size_t>(n));
    }
    return f;
}

std::string exchange_read_reason(const ExchangeFile& file) {
    switch (file.outcome) {
        case ExchangeRead::kRead:
            return {};
        case ExchangeRead::kMissing:
            return "não existe";
        case ExchangeRead::kNotRegular:
            return "não é um arquivo comum";
        case ExchangeRead::kTooLarge:
            return "tem mais de " + size_text(file.limit);
        case ExchangeRead::kFailed:
            break;
    }
    return "Erro (" + std::to_string(file.error) + ")";
}

}  // namespace balcora::platform
