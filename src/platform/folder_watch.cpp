#include "platform/folder_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace balcora::platform {

FolderWatch::~FolderWatch() {
    close();
}

void FolderWatch::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    folder_.clear();
}

bool FolderWatch::watch(const std::filesystem::path& folder) {
    if (fd_ >= 0 && folder_ == folder) return true;
    close();
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return false;
    // A file created, written or renamed in: whatever a waiter may be
    // looking for.
    constexpr std::uint32_t kEvents = IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_MODIFY;
    if (inotify_add_watch(fd, folder.c_str(), kEvents) < 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    folder_ = folder;
    return true;
}

bool FolderWatch::wait(int milliseconds) {
    if (fd_ < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return false;
    }
    pollfd p{fd_, POLLIN, 0};
    int n;
    do n = ::poll(&p, 1, milliseconds);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return false;
    alignas(inotify_event) char events[4096];
    while (::read(fd_, events, sizeof events) > 0) {
    }
    return true;
}

}  // namespace balcora::platform
