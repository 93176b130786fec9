#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace balcora::platform {

// The plain files of a folder at one moment (size and modification time),
// so that the file another program writes there afterwards is told apart
// from the ones it held before: taking "the newest file" instead would take
// an earlier file whenever the program wrote nothing.
class FolderSnapshot {
  public:
    explicit FolderSnapshot(std::filesystem::path folder);

    // The file added or rewritten since the snapshot (the newest when
    // several were), or "" when none was.
    std::string written_since() const;

  private:
    struct Seen {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time;
    };
    std::map<std::string, Seen> read() const;

    std::filesystem::path folder_;
    std::map<std::string, Seen> before_;
};

}  // namespace balcora::platform
