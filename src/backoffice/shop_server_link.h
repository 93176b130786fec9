#pragma once

#include "backoffice/backoffice_link.h"
#include "platform/data_root.h"

#include <string>
#include <string_view>

// A checkout of a shop whose back office runs on a server of its own
// ("backoffice serve"): the link and the master-data update point at it, by
// address, and log in with the password kept in the checkout's link password
// file.
namespace balcora::backoffice {

struct ShopServer {
    std::string address;  // IPv4 address of the server
    int port = 0;
    std::string database;
    std::string user;
};

// Stores the password for that server and points the link settings and the
// master-data update's connection at it, keeping the rest of the settings.
// Needs the program's open connection. False with the reason in *error.
bool join_shop_server(const platform::DataRoot& root, const ShopServer& server,
                      std::string_view password, std::string* error);

}  // namespace balcora::backoffice
