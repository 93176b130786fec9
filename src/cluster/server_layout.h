#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace balcora::db {

// Where a cluster's files go and who runs the server.
struct ServerLayout {
    std::filesystem::path data_dir;
    std::filesystem::path socket_dir;
    // <root>/pgdata when data_dir lives elsewhere (a symlink to it); else empty.
    std::filesystem::path link;
    // System user the server runs as; empty: ourselves.
    std::string server_user;
};

// What the location rule depends on besides the root path, gathered by
// current_layout_facts() and given by hand in tests.
struct LayoutFacts {
    bool running_as_root = false;
    // Whether the server user can search its way into the root folder.
    bool server_user_reaches_root = true;
    unsigned uid = 0;
    // The account's home folder (from the user database, not $HOME).
    std::filesystem::path home;
};

inline constexpr std::string_view kServerSystemUser = "postgres";
inline constexpr std::size_t kMaxSocketPath = 100;

// First 12 hex digits of the MD5 of the absolute root path: a short, stable
// name for a root in shared folders.
std::string root_tag(const std::filesystem::path& root);
ServerLayout plan_layout(const std::filesystem::path& root, const LayoutFacts& facts);
LayoutFacts current_layout_facts(const std::filesystem::path& root);

}  // namespace balcora::db
