#include "cluster/server_conninfo.h"

#include "db/pg_handles.h"

#include <algorithm>

namespace balcora::db {

namespace {

// Only values that need it are quoted, so the usual text stays readable.
std::string conninfo_value(const std::string& value) {
    bool plain = !value.empty() && value.find_first_of(" '\\\t") == std::string::npos;
    return plain ? value : conninfo_quote(value);
}

}  // namespace

std::string socket_conninfo(const ServerLayout& layout, int port, std::string_view dbname,
                            std::string_view user) {
    return "host=" + conninfo_value(layout.socket_dir.string()) + " port=" + std::to_string(port) +
           " dbname=" + conninfo_value(std::string(dbname)) +
           " user=" + conninfo_value(std::string(user));
}

std::string pinned_conninfo(std::string conninfo) {
    std::string path(kPinnedSearchPath);
    path.erase(std::remove(path.begin(), path.end(), ' '), path.end());
    return conninfo + " options=" + conninfo_quote("-c search_path=" + path);
}

}  // namespace balcora::db
