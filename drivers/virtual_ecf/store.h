#pragma once

#include "memory.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Where one printer keeps its memory, and how a command's changes reach the
// disk with as few syncs as a crash allows.
//
// memoria.dat holds two copies of the working memory, written in turn in
// place, each with a sequence number and a checksum: a command costs one
// fdatasync of the copy it overwrites, and a write torn by a crash leaves the
// other copy, the previous memory, standing. The journals are appended at
// their committed lengths before the copy is written, so a process killed
// anywhere leaves either the previous memory, whose recorded lengths cut away
// the uncommitted tail at the next load, or the new one.
//
// Lines of an open report or voucher, and switches of the card mode, are
// the exception: their copies are written without a sync, always into the slot that does not hold
// the last durable copy (their numbers go up by two), and the next other command syncs its copy
// into that same slot. A power cut then loses at most the lines of the document still open, which
// the printer comes back without, as if they had never been sent, and the last switch of the card
// mode; the durable copy is never written over before a newer one is durable. A load syncs the copy
// it read, since a killed process may have left one that is not yet durable.
//
// The tape memory (mfd.dat) is not synced per document: the copy carries
// whatever of it is not yet known durable, and the load writes that tail back
// when a power cut lost it. It is synced only when that tail grows past
// kTapeMemoryRedoLimit. The fiscal memory (a record per reduction) and a
// finished document's paper are still synced before the copy.
namespace balcora::vecf {

namespace fs = std::filesystem;

// What one command adds to the journals and the tape.
struct Pending {
    std::string fiscal, tape_memory, tape;
    bool document_finished = false;  // the paper is synced after a whole document
    // A line of a non-fiscal document that stays open, or a switch of the
    // card mode: its memory need not be durable before the next command that
    // is neither.
    bool may_wait = false;
};

// Stages of a commit, reported to the test hook, in the order they happen.
// A commit that replaces the whole file (the first one, one that converts a
// file of the previous single-record layout, one whose memory outgrew the
// copies) passes replacement_prepared between journals_written and
// memory_written.
enum class CommitStage {
    journals_written = 1,      // journals appended; the memory file untouched
    memory_written = 2,        // the new memory is what a restart reads, not yet durable
    memory_synced = 3,         // the new memory is durable
    replacement_prepared = 4,  // the new file written and synced under its temporary name
};

void call_commit_hook(CommitStage stage);

// The un-synced tail of mfd.dat the copies carry is kept below this size; past
// it, the journal is synced and the tail dropped.
inline constexpr std::size_t kTapeMemoryRedoLimit = 32 * 1024;

// One copy of the working memory as the memory file holds it.
struct MemoryRecord {
    std::uint64_t sequence = 0;
    std::string memory;                    // encode(Memory)
    std::uint64_t tape_memory_synced = 0;  // mfd.dat is durable up to here
    std::string tape_memory_tail;          // mfd.dat from there to its committed length
};

// The record a load of `file` would use: the valid copy with the highest
// sequence, or the whole file when it is of the previous single-record layout
// (sequence 0, its journals all durable, which *previous_layout tells).
// Throws Damaged when neither copy is valid. `slot_size` receives the size of
// a copy (0 for the previous layout).
MemoryRecord read_memory_file(const fs::path& file, std::uint64_t* slot_size = nullptr,
                              bool* previous_layout = nullptr);

// Layout of memoria.dat: a header block, then the two copies, each in a slot
// of the size the header gives; copy n lives in slot n % 2.
inline constexpr std::uint64_t kMemoryHeaderSize = 4096;
inline constexpr std::uint64_t kMinimumSlotSize = 64 * 1024;
std::string encode_record(const MemoryRecord& r);
// The record at the start of a slot; false (and why) when it is torn, blank
// or damaged.
bool decode_record(std::string_view slot, MemoryRecord& out, std::string& why);

class Store {
  public:
    explicit Store(fs::path folder);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const fs::path& folder() const { return folder_; }
    fs::path memory_path() const { return folder_ / "memoria.dat"; }
    fs::path fiscal_path() const { return folder_ / "mf.dat"; }
    fs::path tape_memory_path() const { return folder_ / "mfd.dat"; }
    fs::path tape_path() const { return folder_ / "bobina.txt"; }

    // Reads the memory (a new printer gets a fresh one, written at once),
    // writes back a tape-memory tail a power cut lost, and cuts the journals
    // back to their committed lengths. Throws Damaged.
    Memory load(const std::string& serial);
    // True when the memory file is no longer as this process last read or
    // wrote it (another process drove the printer meanwhile).
    bool changed_on_disk() const;
    // Writes the journals and then the memory, whose journal lengths are
    // updated. Throws std::system_error; the caller reloads afterwards.
    void commit(Memory& next, const Pending& pending);
    // The durable write of the memory alone (the journals unchanged).
    void write_memory(const Memory& m);

    // Committed content of the journals.
    std::string fiscal_memory(const Memory& m) const;
    std::string tape_memory(const Memory& m) const;

  private:
    struct FileId {
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        long long mtime_ns = 0;
        std::string heads;  // the first line of each copy
        bool operator==(const FileId&) const = default;
    };
    FileId current_id() const;
    void write_record(MemoryRecord record, bool sync);
    // The number of the next copy: the slot of the last copy while that one
    // is not yet durable, the other slot otherwise.
    std::uint64_t next_sequence() const { return current_.sequence + (durable_ ? 1 : 2); }
    void replace_file(const MemoryRecord& record, const std::string& bytes);
    void open_file();

    fs::path folder_;
    int fd_ = -1;                  // memoria.dat, while it has the two copies
    std::uint64_t slot_size_ = 0;  // 0: no file of two copies yet
    MemoryRecord current_;         // the last record read or written (memory text aside)
    bool durable_ = true;          // current_ is synced
    FileId seen_;
};

// Holds an exclusive lock on the printer folder while a command runs, so two
// processes never drive the same printer at once.
class FolderLock {
  public:
    explicit FolderLock(const fs::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace balcora::vecf
