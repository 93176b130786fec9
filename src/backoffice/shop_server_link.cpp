#include "backoffice/shop_server_link.h"

#include "credentials/link_password.h"
#include "db/settings.h"

namespace balcora::backoffice {

bool join_shop_server(const platform::DataRoot& root, const ShopServer& server,
                      std::string_view password, std::string* error) {
    if (!db::keep_link_password(root, server.address, server.port, server.database, server.user,
                                password, error))
        return false;
    LinkSettings link = read_link_settings();
    link.type = ConnectionType::kIp;
    link.ip = link.servidor = server.address;
    link.porta = server.port;
    link.database = server.database;
    link.usuario = server.user;
    link.senha = std::string(kPasswordFromFile);
    // The master-data update reaches the same server with the same login.
    const std::pair<const char*, std::string> update[] = {
        {"ip", server.address},
        {"db", server.database},
        {"user", server.user},
        {"senha", std::string(kPasswordFromFile)},
        {"porta", std::to_string(server.port)},
    };
    bool ok = write_link_settings(link);
    for (const auto& [key, value] : update)
        ok = ok && GRAVAREGISTRO("balcora", "atbalcora", key, value);
    if (!ok) *error = "Não foi possível gravar a configuração da retaguarda";
    return ok;
}

}  // namespace balcora::backoffice
