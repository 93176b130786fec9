#include "platform/child_report.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace balcora::platform {

std::optional<int> read_child_errno(int fd) {
    int child_errno = 0;
    ssize_t got;
    do {
        got = read(fd, &child_errno, sizeof child_errno);
    } while (got < 0 && errno == EINTR);
    close(fd);
    if (got != static_cast<ssize_t>(sizeof child_errno)) return std::nullopt;
    return child_errno;
}

int wait_for_child(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace balcora::platform
