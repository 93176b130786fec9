#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

namespace balcora::platform {

namespace {

// One descriptor per locked file in this process, with its holders: flock()
// on a second descriptor of the same file would wait for ourselves.
struct Held {
    int fd = -1;
    int holders = 0;
};

std::mutex& table_mutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, Held>& table() {
    static std::map<std::string, Held> t;
    return t;
}

}  // namespace

FileLock::FileLock(FileLock&& other) noexcept : file_(std::move(other.file_)), held_(other.held_) {
    other.held_ = false;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        file_ = std::move(other.file_);
        held_ = other.held_;
        other.held_ = false;
    }
    return *this;
}

FileLock::~FileLock() {
    release();
}

bool FileLock::acquire(const std::filesystem::path& file, std::string* error) {
    release();
    const std::string key = file.lexically_normal().string();
    {
        std::lock_guard<std::mutex> guard(table_mutex());
        auto it = table().find(key);
        if (it != table().end()) {
            ++it->second.holders;
            file_ = key;
            held_ = true;
            return true;
        }
    }
    int fd = ::open(key.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        *error = "Pasta não gravável: " + file.parent_path().string() + " (" +
                 std::strerror(errno) + ")";
        return false;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        *error = "Não foi possível travar " + key + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    std::lock_guard<std::mutex> guard(table_mutex());
    table()[key] = Held{fd, 1};
    file_ = key;
    held_ = true;
    return true;
}

void FileLock::release() {
    if (!held_) return;
    held_ = false;
    std::lock_guard<std::mutex> guard(table_mutex());
    auto it = table().find(file_.string());
    if (it == table().end()) return;
    if (--it->second.holders == 0) {
        ::close(it->second.fd);  // closing the only descriptor drops the flock
        table().erase(it);
    }
}

}  // namespace balcora::platform
