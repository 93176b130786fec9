#include "store.h"

#include "text.h"
#include "virtual_ecf.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace balcora::vecf {

namespace {

std::atomic<CommitHook> hook{nullptr};

// The single record the previous version wrote (and the text of every copy).
constexpr std::string_view kPreviousMagic = "BALCORA-ECF-VIRTUAL-MEMORIA\t";
constexpr std::string_view kFileMagic = "BALCORA-ECF-VIRTUAL-COPIAS";
constexpr int kFileVersion = 1;
constexpr std::string_view kRecordTag = "COPIA\t";
constexpr std::size_t kRecordHeadMax = 128;  // "COPIA" and four numbers
constexpr std::size_t kRecordSeal = 17;      // 16 hex digits and a line break

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

// Up to `length` bytes from `offset`; fewer when the file ends first.
std::string read_some(int fd, std::uint64_t offset, std::uint64_t length, const fs::path& path) {
    std::string out(length, '\0');
    std::size_t got = 0;
    while (got < length) {
        ssize_t n = ::pread(fd, out.data() + got, length - got, offset + got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("read", path);
        if (n == 0) break;
        got += n;
    }
    out.resize(got);
    return out;
}

off_t size_of(const fs::path& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? -1 : (fail("stat", path), 0);
    return st.st_size;
}

std::string read_range(const fs::path& path, std::uint64_t offset, std::uint64_t length) {
    if (length == 0) return {};
    Fd fd(path, O_RDONLY);
    std::string out = read_some(fd.get(), offset, length, path);
    if (out.size() < length)
        throw Damaged("arquivo " + path.filename().string() + " menor que o registrado");
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

bool read_number(std::string_view field, std::uint64_t& out) {
    auto [p, ec] = std::from_chars(field.data(), field.data() + field.size(), out);
    return !field.empty() && ec == std::errc() && p == field.data() + field.size();
}

std::vector<std::string_view> fields_of(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == line.npos ? line.npos : tab - start));
        if (tab == line.npos) return out;
        start = tab + 1;
    }
}

std::string file_header(std::uint64_t slot_size) {
    std::string h = std::string(kFileMagic) + "\t" + std::to_string(kFileVersion) + "\t" +
                    std::to_string(slot_size);
    return h + "\t" + hex8(crc32(h)) + "\n";
}

// The size of a copy's slot from the header block; throws Damaged.
std::uint64_t read_file_header(std::string_view content) {
    std::size_t nl = content.substr(0, kMemoryHeaderSize).find('\n');
    if (nl == content.npos) throw Damaged("cabeçalho da memória ilegível");
    auto f = fields_of(content.substr(0, nl));
    std::uint64_t version = 0, slot = 0;
    if (f.size() != 4 || f[0] != kFileMagic || !read_number(f[1], version))
        throw Damaged("cabeçalho da memória ilegível");
    if (version != kFileVersion)
        throw Damaged("versão " + std::to_string(version) + " da memória não suportada");
    std::string_view sealed = content.substr(0, nl - f[3].size() - 1);
    if (f[3] != hex8(crc32(sealed)))
        throw Damaged("soma de verificação do cabeçalho da memória não confere");
    if (!read_number(f[2], slot) || slot < kMinimumSlotSize || slot % kMemoryHeaderSize != 0 ||
        slot > (std::uint64_t{1} << 32))
        throw Damaged("cabeçalho da memória ilegível");
    return slot;
}

}  // namespace

void set_commit_hook(CommitHook h) {
    hook.store(h);
}

void call_commit_hook(CommitStage stage) {
    if (CommitHook h = hook.load()) h(static_cast<int>(stage));
}

std::string encode_record(const MemoryRecord& r) {
    std::string out;
    out.reserve(kRecordHeadMax + r.memory.size() + r.tape_memory_tail.size() + kRecordSeal);
    out += kRecordTag;
    out += std::to_string(r.sequence) + "\t" + std::to_string(r.memory.size()) + "\t" +
           std::to_string(r.tape_memory_synced) + "\t" + std::to_string(r.tape_memory_tail.size()) +
           "\n";
    out += r.memory;
    out += r.tape_memory_tail;
    out += hex16(hash64(out));
    out += '\n';
    return out;
}

bool decode_record(std::string_view slot, MemoryRecord& out, std::string& why) {
    if (slot.substr(0, kRecordTag.size()) != kRecordTag) {
        why = slot.find_first_not_of('\0') == slot.npos ? "nenhum registro" : "registro ilegível";
        return false;
    }
    std::size_t nl = slot.substr(0, kRecordHeadMax).find('\n');
    auto f = fields_of(slot.substr(0, nl == slot.npos ? 0 : nl));
    MemoryRecord r;
    std::uint64_t memory_size = 0, tail_size = 0;
    if (nl == slot.npos || f.size() != 5 || !read_number(f[1], r.sequence) ||
        !read_number(f[2], memory_size) || !read_number(f[3], r.tape_memory_synced) ||
        !read_number(f[4], tail_size)) {
        why = "registro ilegível";
        return false;
    }
    const std::uint64_t body = nl + 1;
    if (memory_size > slot.size() || tail_size > slot.size() ||
        body + memory_size + tail_size + kRecordSeal > slot.size()) {
        why = "registro incompleto";
        return false;
    }
    const std::uint64_t sealed = body + memory_size + tail_size;
    if (slot.substr(sealed, kRecordSeal) != hex16(hash64(slot.substr(0, sealed))) + "\n") {
        why = "soma de verificação não confere";
        return false;
    }
    r.memory = slot.substr(body, memory_size);
    r.tape_memory_tail = slot.substr(body + memory_size, tail_size);
    out = std::move(r);
    return true;
}

MemoryRecord read_memory_file(const fs::path& file, std::uint64_t* slot_size,
                              bool* previous_layout) {
    const off_t size = size_of(file);
    if (size < 0) throw Damaged("memória de trabalho ausente");
    std::string content = read_range(file, 0, size);
    if (slot_size) *slot_size = 0;
    if (previous_layout) *previous_layout = false;
    if (content.starts_with(kPreviousMagic)) {
        if (previous_layout) *previous_layout = true;
        MemoryRecord r;
        r.memory = std::move(content);
        return r;
    }
    if (!content.starts_with(std::string(kFileMagic) + "\t"))
        throw Damaged("não é uma memória da impressora virtual");
    const std::uint64_t slot = read_file_header(content);
    MemoryRecord copies[2];
    std::string why[2];
    bool valid[2] = {false, false};
    for (int i = 0; i < 2; ++i) {
        const std::uint64_t at = kMemoryHeaderSize + i * slot;
        if (at >= content.size()) {
            why[i] = "registro ausente";
            continue;
        }
        valid[i] = decode_record(std::string_view(content).substr(at, slot), copies[i], why[i]);
        // A copy found in the other's slot was not put there by a commit.
        if (valid[i] && copies[i].sequence % 2 != static_cast<std::uint64_t>(i)) {
            valid[i] = false;
            why[i] = "registro fora do lugar";
        }
    }
    if (!valid[0] && !valid[1])
        throw Damaged(why[0] == why[1]
                          ? why[0] + " nas duas cópias da memória"
                          : "primeira cópia da memória: " + why[0] + "; segunda: " + why[1]);
    if (slot_size) *slot_size = slot;
    const int best = !valid[1] || (valid[0] && copies[0].sequence > copies[1].sequence) ? 0 : 1;
    return std::move(copies[best]);
}

Store::Store(fs::path folder) : folder_(std::move(folder)) {}

Store::~Store() {
    if (fd_ >= 0) ::close(fd_);
}

void Store::open_file() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = ::open(memory_path().c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) fail("open", memory_path());
}

Store::FileId Store::current_id() const {
    struct stat st;
    if (::stat(memory_path().c_str(), &st) != 0) return {};
    FileId id{st.st_dev,
              st.st_ino,
              st.st_size,
              st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
              {}};
    // Copies are rewritten in place, and a file's time may not tell two writes
    // of the same instant apart: the copies' first lines (sequence and sizes)
    // always do.
    if (slot_size_ > 0 && fd_ >= 0) {
        for (std::uint64_t slot = 0; slot < 2; ++slot) {
            std::string head = read_some(fd_, kMemoryHeaderSize + slot * slot_size_, kRecordHeadMax,
                                         memory_path());
            id.heads += head.substr(0, head.find('\n'));
            id.heads += '\n';
        }
    }
    return id;
}

bool Store::changed_on_disk() const {
    return !(current_id() == seen_);
}

void Store::replace_file(const MemoryRecord& record, const std::string& bytes) {
    // Room for the memory to grow, so the file is seldom replaced again.
    std::uint64_t slot = kMinimumSlotSize;
    while (slot < 2 * bytes.size()) slot *= 2;
    // Zeros, not a hole: the copies' blocks are allocated now, so rewriting a
    // copy later changes no metadata and its fdatasync stays a data flush.
    std::string content(kMemoryHeaderSize + 2 * slot, '\0');
    const std::string header = file_header(slot);
    content.replace(0, header.size(), header);
    content.replace(kMemoryHeaderSize + record.sequence % 2 * slot, bytes.size(), bytes);

    const fs::path target = memory_path();
    fs::path temp = target;
    temp += ".tmp";
    {
        Fd fd(temp, O_WRONLY | O_CREAT | O_TRUNC);
        write_all(fd.get(), content, 0, temp);
        if (::fsync(fd.get()) != 0) fail("fsync", temp);
    }
    call_commit_hook(CommitStage::replacement_prepared);
    if (::rename(temp.c_str(), target.c_str()) != 0) fail("rename", temp);
    slot_size_ = slot;
    open_file();
    call_commit_hook(CommitStage::memory_written);
    sync_folder(folder_);
    call_commit_hook(CommitStage::memory_synced);
}

void Store::write_record(MemoryRecord record, bool sync) {
    const std::string bytes = encode_record(record);
    if (slot_size_ == 0 || fd_ < 0 || bytes.size() > slot_size_) {
        replace_file(record, bytes);
        durable_ = true;
    } else {
        // Never the slot of the last durable copy: that one stays whole
        // whatever happens to this write.
        const std::uint64_t at = kMemoryHeaderSize + record.sequence % 2 * slot_size_;
        write_all(fd_, bytes, at, memory_path());
        call_commit_hook(CommitStage::memory_written);
        durable_ = sync;
        if (sync) {
            if (::fdatasync(fd_) != 0) fail("fsync", memory_path());
            call_commit_hook(CommitStage::memory_synced);
        }
    }
    record.memory.clear();
    current_ = std::move(record);
    seen_ = current_id();
}

void Store::write_memory(const Memory& m) {
    MemoryRecord next = current_;
    next.sequence = next_sequence();
    next.memory = encode(m);
    write_record(std::move(next), true);
}

Memory Store::load(const std::string& serial) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) throw std::system_error(ec, "create " + folder_.string());
    fs::remove(memory_path().string() + ".tmp", ec);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    slot_size_ = 0;
    current_ = {};
    durable_ = true;
    seen_ = {};

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
    bool previous_layout = false;
    std::uint64_t slot_size = 0;
    MemoryRecord record = read_memory_file(memory_path(), &slot_size, &previous_layout);
    m = decode(record.memory);
    record.memory.clear();
    if (m.serial != serial) throw Damaged("memória pertence à impressora " + m.serial);
    // The previous version synced its journals before its memory.
    if (previous_layout) record.tape_memory_synced = m.mfd_length;
    if (record.tape_memory_synced + record.tape_memory_tail.size() != m.mfd_length)
        throw Damaged("tamanho de mfd.dat incoerente na memória");

    auto settle = [&](const fs::path& path, off_t size, std::uint64_t durable,
                      std::uint64_t committed) {
        if (size < 0 ? durable > 0 : static_cast<std::uint64_t>(size) < durable)
            throw Damaged("arquivo " + path.filename().string() + " menor que o registrado");
        if (size > 0 && static_cast<std::uint64_t>(size) > committed &&
            ::truncate(path.c_str(), committed) != 0)
            fail("truncate", path);
    };
    settle(fiscal_path(), fiscal_size, m.mf_length, m.mf_length);
    // What of the tape memory a power cut lost (missing, or zeros where the
    // file had only grown) is written back from the copy.
    const std::string& tail = record.tape_memory_tail;
    const std::uint64_t synced = record.tape_memory_synced;
    settle(tape_memory_path(), tape_memory_size, synced, m.mfd_length);
    if (!tail.empty()) {
        const std::uint64_t have =
            tape_memory_size < 0 ? 0 : std::min<std::uint64_t>(tape_memory_size, m.mfd_length);
        if (have < m.mfd_length || read_range(tape_memory_path(), synced, tail.size()) != tail)
            put_at(tape_memory_path(), synced, tail, false);
    }
    // The paper roll is no fiscal memory: a shorter one (lost or cleared by
    // hand) is simply continued.
    if (tape_size < 0 || static_cast<std::uint64_t>(tape_size) < m.tape_length)
        m.tape_length = tape_size < 0 ? 0 : tape_size;
    else if (static_cast<std::uint64_t>(tape_size) > m.tape_length &&
             ::truncate(tape_path().c_str(), m.tape_length) != 0)
        fail("truncate", tape_path());

    current_ = std::move(record);
    if (!previous_layout) {
        slot_size_ = slot_size;
        open_file();
        // The copy read may be one a killed process wrote without a sync;
        // the next copy goes into the other slot, so this one must be
        // durable first.
        if (::fdatasync(fd_) != 0) fail("fsync", memory_path());
    }
    seen_ = current_id();
    return m;
}

void Store::commit(Memory& next, const Pending& pending) {
    MemoryRecord record = current_;
    record.sequence = next_sequence();
    if (record.tape_memory_synced + record.tape_memory_tail.size() != next.mfd_length)
        throw std::logic_error("tape memory length differs from the stored copy");
    if (!pending.fiscal.empty())
        next.mf_length = put_at(fiscal_path(), next.mf_length, pending.fiscal, true);
    if (!pending.tape_memory.empty()) {
        const bool sync =
            record.tape_memory_tail.size() + pending.tape_memory.size() > kTapeMemoryRedoLimit;
        next.mfd_length = put_at(tape_memory_path(), next.mfd_length, pending.tape_memory, sync);
        if (sync) {
            record.tape_memory_synced = next.mfd_length;
            record.tape_memory_tail.clear();
        } else {
            record.tape_memory_tail += pending.tape_memory;
        }
    }
    if (!pending.tape.empty()) {
        off_t size = size_of(tape_path());
        std::uint64_t at = size < 0 ? 0 : std::min<std::uint64_t>(size, next.tape_length);
        next.tape_length = put_at(tape_path(), at, pending.tape, pending.document_finished);
    }
    call_commit_hook(CommitStage::journals_written);
    record.memory = encode(next);
    const bool may_wait = pending.may_wait && pending.fiscal.empty() && !pending.document_finished;
    write_record(std::move(record), !may_wait);
}

std::string Store::fiscal_memory(const Memory& m) const {
    return read_range(fiscal_path(), 0, m.mf_length);
}

std::string Store::tape_memory(const Memory& m) const {
    return read_range(tape_memory_path(), 0, m.mfd_length);
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
