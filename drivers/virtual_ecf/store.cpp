#include "store.h"

#include "virtual_ecf.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

namespace balcora::vecf {

namespace {

std::atomic<CommitHook> hook{nullptr};

[[noreturn]] void fail(const std::string& what, const fs::path& path) {
    throw std::system_error(errno, std::generic_category(), what + " " + path.string());
}

class Fd {
  public:
    Fd(const fs::path& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (fd_ < 0) fail("open", path);
    }
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

void write_all(int fd, std::string_view data, off_t offset, const fs::path& path) {
    while (!data.empty()) {
        ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write", path);
        }
        data.remove_prefix(n);
        offset += n;
    }
}

off_t size_of(const fs::path& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? -1 : (fail("stat", path), 0);
    return st.st_size;
}

std::string read_prefix(const fs::path& path, std::uint64_t length) {
    if (length == 0) return {};
    Fd fd(path, O_RDONLY);
    std::string out(length, '\0');
    std::size_t got = 0;
    while (got < length) {
        ssize_t n = ::pread(fd.get(), out.data() + got, length - got, got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            throw Damaged("arquivo " + path.filename().string() + " menor que o registrado");
        got += n;
    }
    return out;
}

// Writes `data` at `offset`, dropping whatever an interrupted command left past
// it; returns the new length.
std::uint64_t put_at(const fs::path& path, std::uint64_t offset, std::string_view data, bool sync) {
    Fd fd(path, O_WRONLY | O_CREAT);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) fail("stat", path);
    if (static_cast<std::uint64_t>(st.st_size) != offset && ::ftruncate(fd.get(), offset) != 0)
        fail("truncate", path);
    write_all(fd.get(), data, offset, path);
    if (sync && ::fdatasync(fd.get()) != 0) fail("fsync", path);
    return offset + data.size();
}

void sync_folder(const fs::path& folder) {
    Fd fd(folder, O_RDONLY | O_DIRECTORY);
    if (::fsync(fd.get()) != 0) fail("fsync", folder);
}

}  // namespace

void set_commit_hook(CommitHook h) {
    hook.store(h);
}

void call_commit_hook(CommitStage stage) {
    if (CommitHook h = hook.load()) h(static_cast<int>(stage));
}

Store::Store(fs::path folder) : folder_(std::move(folder)) {}

Store::FileId Store::current_id() const {
    struct stat st;
    if (::stat(memory_path().c_str(), &st) != 0) return {};
    return {st.st_dev, st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
            st.st_size};
}

bool Store::changed_on_disk() const {
    return !(current_id() == seen_);
}

void Store::write_memory(const Memory& m) {
    const fs::path target = memory_path();
    fs::path temp = target;
    temp += ".tmp";
    const std::string data = encode(m);
    {
        Fd fd(temp, O_WRONLY | O_CREAT | O_TRUNC);
        write_all(fd.get(), data, 0, temp);
        if (::fsync(fd.get()) != 0) fail("fsync", temp);
    }
    call_commit_hook(CommitStage::memory_written);
    if (::rename(temp.c_str(), target.c_str()) != 0) fail("rename", temp);
    call_commit_hook(CommitStage::memory_renamed);
    sync_folder(folder_);
    seen_ = current_id();
}

Memory Store::load(const std::string& serial) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) throw std::system_error(ec, "create " + folder_.string());
    fs::remove(memory_path().string() + ".tmp", ec);

    const off_t fiscal_size = size_of(fiscal_path());
    const off_t tape_memory_size = size_of(tape_memory_path());
    const off_t tape_size = size_of(tape_path());
    Memory m;
    if (size_of(memory_path()) < 0) {
        if (fiscal_size > 0 || tape_memory_size > 0)
            throw Damaged("memória de trabalho ausente, mas a memória fiscal contém dados");
        m.serial = serial;
        m.tape_length = tape_size > 0 ? tape_size : 0;
        write_memory(m);
        return m;
    }
    m = decode(read_prefix(memory_path(), size_of(memory_path())));
    if (m.serial != serial) throw Damaged("memória pertence à impressora " + m.serial);

    auto settle = [&](const fs::path& path, off_t size, std::uint64_t committed) {
        if (size < 0 ? committed > 0 : static_cast<std::uint64_t>(size) < committed)
            throw Damaged("arquivo " + path.filename().string() + " menor que o registrado");
        if (size > 0 && static_cast<std::uint64_t>(size) > committed &&
            ::truncate(path.c_str(), committed) != 0)
            fail("truncate", path);
    };
    settle(fiscal_path(), fiscal_size, m.mf_length);
    settle(tape_memory_path(), tape_memory_size, m.mfd_length);
    // The paper roll is no fiscal memory: a shorter one (lost or cleared by
    // hand) is simply continued.
    if (tape_size < 0 || static_cast<std::uint64_t>(tape_size) < m.tape_length)
        m.tape_length = tape_size < 0 ? 0 : tape_size;
    else if (static_cast<std::uint64_t>(tape_size) > m.tape_length &&
             ::truncate(tape_path().c_str(), m.tape_length) != 0)
        fail("truncate", tape_path());
    seen_ = current_id();
    return m;
}

void Store::commit(Memory& next, const Pending& pending) {
    if (!pending.fiscal.empty())
        next.mf_length = put_at(fiscal_path(), next.mf_length, pending.fiscal, true);
    if (!pending.tape_memory.empty())
        next.mfd_length = put_at(tape_memory_path(), next.mfd_length, pending.tape_memory, true);
    if (!pending.tape.empty()) {
        off_t size = size_of(tape_path());
        std::uint64_t at = size < 0 ? 0 : std::min<std::uint64_t>(size, next.tape_length);
        next.tape_length = put_at(tape_path(), at, pending.tape, pending.document_finished);
    }
    call_commit_hook(CommitStage::journals_written);
    write_memory(next);
}

std::string Store::fiscal_memory(const Memory& m) const {
    return read_prefix(fiscal_path(), m.mf_length);
}

std::string Store::tape_memory(const Memory& m) const {
    return read_prefix(tape_memory_path(), m.mfd_length);
}

FolderLock::FolderLock(const fs::path& folder) {
    fd_ = ::open((folder / "porta.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) fail("open", folder / "porta.lock");
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            fail("lock", folder / "porta.lock");
        }
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace balcora::vecf
