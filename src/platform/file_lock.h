#pragma once

#include <filesystem>
#include <string>

namespace balcora::platform {

// An exclusive flock() on a file, held until the object goes. Another process
// asking for the same file waits until this one lets go; inside one process
// the lock nests (an outer holder already covers inner callers), so code that
// takes it may call other code that takes it too.
class FileLock {
  public:
    FileLock() = default;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    // Waits for the lock; false with the reason in *error when the file
    // cannot be opened or created.
    bool acquire(const std::filesystem::path& file, std::string* error);
    bool held() const { return held_; }

  private:
    void release();
    std::filesystem::path file_;
    bool held_ = false;
};

}  // namespace balcora::platform
