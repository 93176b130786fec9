#pragma once

#include "cluster/server_layout.h"
#include "platform/data_root.h"

#include <string>
#include <string_view>

namespace balcora::db {

// A cluster serves this checkout alone (loopback only), or is a shop's
// back-office server that the other checkouts reach by an address of the
// machine, with the program's role and its password.
struct ListenPolicy {
    // Besides 127.0.0.1; empty for a checkout's own cluster.
    std::string shop_address;
    bool serves_shop() const { return !shop_address.empty(); }
};

// balcora.ini [Retaguarda] "Escuta" of the root: the address a back-office
// server listens on. Written by "backoffice serve", absent on a checkout.
inline constexpr std::string_view kShopSection = "Retaguarda";
inline constexpr std::string_view kShopAddressKey = "Escuta";
ListenPolicy read_listen_policy(const platform::DataRoot& root);
bool write_shop_address(const platform::DataRoot& root, std::string_view address);
// An IPv4 address written as four numbers (no names: the server must not
// depend on a resolver to know where it listens).
bool is_ipv4_address(std::string_view text);

// The settings the program adds to postgresql.conf (through an include) and
// the whole pg_hba.conf.
std::string server_config_text(const ServerLayout& layout, int port,
                               const ListenPolicy& policy = {});
std::string client_auth_text(const ListenPolicy& policy = {});

}  // namespace balcora::db
