#include "cluster/server_config.h"

#include "cluster/server_conninfo.h"
#include "db/connection_settings.h"
#include "platform/ini_file.h"

#include <arpa/inet.h>

#include <sstream>

namespace balcora::db {

namespace {

// Inside a quoted postgresql.conf value '' and \\ each stand for one character.
std::string conf_quote(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\') out += c;
        out += c;
    }
    return out + "'";
}

}  // namespace

bool is_ipv4_address(std::string_view text) {
    if (text.empty() || text.size() > 15) return false;
    in_addr ignored{};
    return inet_pton(AF_INET, std::string(text).c_str(), &ignored) == 1;
}

ListenPolicy read_listen_policy(const platform::DataRoot& root) {
    ListenPolicy policy;
    std::string address =
        platform::ini_read(root.ini_file(kSettingsFile), kShopSection, kShopAddressKey);
    while (!address.empty() && address.back() == ' ') address.pop_back();
    while (!address.empty() && address.front() == ' ') address.erase(0, 1);
    // A damaged entry never opens the server wider than the loopback.
    if (is_ipv4_address(address)) policy.shop_address = address;
    return policy;
}

bool write_shop_address(const platform::DataRoot& root, std::string_view address) {
    return platform::ini_write(root.ini_file(kSettingsFile), kShopSection, kShopAddressKey,
                               address);
}

std::string server_config_text(const ServerLayout& layout, int port, const ListenPolicy& policy) {
    std::string listen = "127.0.0.1";
    if (policy.serves_shop() && policy.shop_address != listen) listen += ", " + policy.shop_address;
    std::ostringstream o;
    o << "# Written by Balcora at every start: edits here are lost.\n"
      << "listen_addresses = " << conf_quote(listen) << "\n"
      << "port = " << port << "\n"
      << "unix_socket_directories = " << conf_quote(layout.socket_dir.string()) << "\n"
      << "unix_socket_permissions = 0700\n"
      // One checkout, its back-office link and a test run's parallel jobs; a
      // shop's server takes a link (and a pre-sale window) of up to forty
      // checkouts besides.
      << "max_connections = " << (policy.serves_shop() ? 160 : 40) << "\n"
      << "shared_buffers = 32MB\n"
      << "work_mem = 4MB\n"
      << "maintenance_work_mem = 32MB\n"
      << "effective_cache_size = 128MB\n"
      << "max_wal_size = 256MB\n"
      << "min_wal_size = 64MB\n"
      << "max_worker_processes = 4\n"
      << "max_parallel_workers = 2\n"
      << "max_parallel_workers_per_gather = 1\n"
      // A week of daily files, each reused a week later: the log never grows unbounded.
      << "logging_collector = on\n"
      << "log_directory = 'log'\n"
      << "log_filename = 'postgresql-%a.log'\n"
      << "log_truncate_on_rotation = on\n"
      << "log_rotation_age = 1d\n"
      << "log_rotation_size = 0\n"
      << "log_line_prefix = '%m [%p] %q%u@%d '\n";
    return o.str();
}

std::string client_auth_text(const ListenPolicy& policy) {
    const std::string admin(kAdminRoleName), role(kRoleName);
    std::string text =
        "# Written by Balcora.\n"
        "# The socket folder is open only to the server's user (and root): whoever\n"
        "# reaches it is the shop's account, which needs no password there. By\n"
        "# address only the program's own role gets in, with its password.\n"
        "# TYPE  DATABASE  USER           ADDRESS       METHOD\n";
    text += "local   all       " + admin + "                trust\n";
    text += "local   all       " + role + "                      trust\n";
    text += "host    all       " + role + "        127.0.0.1/32  scram-sha-256\n";
    // The shop's checkouts: machines of the networks this server is on.
    if (policy.serves_shop() && policy.shop_address != "127.0.0.1")
        text += "host    all       " + role + "        samenet       scram-sha-256\n";
    return text;
}

}  // namespace balcora::db
