#include "platform/folder_snapshot.h"

#include <optional>

namespace balcora::platform {

namespace fs = std::filesystem;

FolderSnapshot::FolderSnapshot(fs::path folder) : folder_(std::move(folder)), before_(read()) {}

std::map<std::string, FolderSnapshot::Seen> FolderSnapshot::read() const {
    std::map<std::string, Seen> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entry_ec;
        if (!it->is_regular_file(entry_ec)) continue;
        Seen seen;
        seen.size = it->file_size(entry_ec);
        if (!entry_ec) seen.time = it->last_write_time(entry_ec);
        if (!entry_ec) files[it->path().filename().string()] = seen;
    }
    return files;
}

std::string FolderSnapshot::written_since() const {
    std::optional<std::pair<std::string, Seen>> newest;
    for (const auto& [name, now] : read()) {
        const auto was = before_.find(name);
        if (was != before_.end() && was->second.size == now.size && was->second.time == now.time)
            continue;
        // Ties go to the later name, so the answer never depends on the order
        // the folder lists its files in (the map's order is by name).
        if (!newest || now.time >= newest->second.time) newest = {name, now};
    }
    return newest ? (folder_ / newest->first).string() : std::string();
}

}  // namespace balcora::platform
