#pragma once

#include <filesystem>

namespace balcora::platform {

// Tells when files appear or are written in one folder (inotify), so a wait for
// another program's file can wake at once instead of at its next poll. A
// folder that cannot be watched (missing, or a file system without events)
// leaves the watch off, and the waits fall back to their timeouts.
class FolderWatch {
  public:
    FolderWatch() = default;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    ~FolderWatch();

    // Starts watching `folder` unless it is watched already; false when it
    // cannot be.
    bool watch(const std::filesystem::path& folder);
    bool active() const { return fd_ >= 0; }

    // Waits up to `milliseconds` for an event and consumes every event
    // queued; true when one came. Without a watch it just sleeps.
    bool wait(int milliseconds);

  private:
    void close();
    int fd_ = -1;
    std::filesystem::path folder_;
};

}  // namespace balcora::platform
