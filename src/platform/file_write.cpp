#include "platform/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace balcora::platform {

namespace {

constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A descriptor of a file created afresh at `file`; -1 with errno set.
int create_fresh(const std::filesystem::path& file, unsigned mode) {
    int fd = ::open(file.c_str(), kCreateFlags, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
    // Left by a run that stopped half-way, or planted: the name goes, and
    // whatever a link there pointed at is not touched.
    if (::unlink(file.c_str()) != 0) return -1;
    return ::open(file.c_str(), kCreateFlags, mode);
}

// Writes and closes; 0 or the errno, the file removed on failure.
int finish(int fd, const std::filesystem::path& file, std::string_view bytes,
           Durability durability = Durability::kCached) {
    int error = write_all(fd, bytes) ? 0 : (errno ? errno : EIO);
    if (error == 0 && durability == Durability::kSynced && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error) ::unlink(file.c_str());
    return error;
}

}  // namespace

int write_new_file(const std::filesystem::path& file, std::string_view bytes, unsigned mode) {
    const int fd = create_fresh(file, mode);
    if (fd < 0) return errno;
    return finish(fd, file, bytes);
}

int replace_file(const std::filesystem::path& file, std::string_view bytes, Privacy privacy,
                 Durability durability) {
    struct stat old {};
    const bool exists = ::lstat(file.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return EISDIR;
    const bool regular = exists && S_ISREG(old.st_mode);
    const unsigned narrow = privacy == Privacy::kPrivate ? 0600 : 0777;

    std::filesystem::path tmp = file;
    tmp += ".tmp";
    const int fd = create_fresh(tmp, privacy == Privacy::kPrivate ? 0600 : 0644);
    if (fd < 0) return errno;
    if (regular) {
        // The new file is the old one's heir: its owner (when root writes a
        // file of the shop's account) and its mode, never a wider one.
        if (::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0))
            (void)::fchown(fd, old.st_uid, old.st_gid);
        if (::fchmod(fd, old.st_mode & narrow) != 0) {
            const int e = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            return e;
        }
    }
    if (const int e = finish(fd, tmp, bytes, durability)) return e;
    if (::rename(tmp.c_str(), file.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        return e;
    }
    return 0;
}

int make_private_folder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    if (st.st_uid != ::geteuid()) return EPERM;
    if ((st.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0) return errno;
    return 0;
}

int write_private_file(const std::filesystem::path& file, std::string_view bytes,
                       Durability durability) {
    if (const int e = make_private_folder(file.parent_path())) return e;
    return replace_file(file, bytes, Privacy::kPrivate, durability);
}

}  // namespace balcora::platform
