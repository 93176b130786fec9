#pragma once

#include "memory.h"

#include <sys/types.h>

#include <filesystem>
#include <string>

// Where one printer keeps its memory, and how a command's changes reach the
// disk: the journals first (appended at their committed length and synced),
// then the working memory through a temporary file, fsync and rename. A
// process killed anywhere in between leaves the previous memory, whose
// recorded journal lengths cut away the uncommitted tail at the next load.
namespace balcora::vecf {

namespace fs = std::filesystem;

// What one command adds to the journals and the tape.
struct Pending {
    std::string fiscal, tape_memory, tape;
    bool document_finished = false;  // the paper is synced after a whole document
};

// Stages of a commit, reported to the test hook.
enum class CommitStage { journals_written = 1, memory_written = 2, memory_renamed = 3 };

void call_commit_hook(CommitStage stage);

class Store {
  public:
    explicit Store(fs::path folder);

    const fs::path& folder() const { return folder_; }
    fs::path memory_path() const { return folder_ / "memoria.dat"; }
    fs::path fiscal_path() const { return folder_ / "mf.dat"; }
    fs::path tape_memory_path() const { return folder_ / "mfd.dat"; }
    fs::path tape_path() const { return folder_ / "bobina.txt"; }

    // Reads the memory (a new printer gets a fresh one, written at once),
    // cuts the journals back to their committed lengths. Throws Damaged.
    Memory load(const std::string& serial);
    // True when the memory file is no longer the one this process last read or
    // wrote (another process drove the printer meanwhile).
    bool changed_on_disk() const;
    // Writes the journals and then the memory, whose journal lengths are
    // updated. Throws std::system_error; the caller reloads afterwards.
    void commit(Memory& next, const Pending& pending);
    // The durable replacement of the memory file alone.
    void write_memory(const Memory& m);

    // Committed content of the journals.
    std::string fiscal_memory(const Memory& m) const;
    std::string tape_memory(const Memory& m) const;

  private:
    struct FileId {
        dev_t dev = 0;
        ino_t ino = 0;
        long long mtime_ns = 0;
        off_t size = 0;
        bool operator==(const FileId&) const = default;
    };
    FileId current_id() const;

    fs::path folder_;
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
