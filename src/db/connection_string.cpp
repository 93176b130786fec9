#include "db/connection_string.h"

#include "db/connection_settings.h"
#include "db/pg_handles.h"

#include <cctype>
#include <map>

namespace balcora::db {

std::string build_connection_string(std::string_view server, int port, std::string_view user,
                                    std::string_view password) {
    std::string host = server.find_first_not_of(' ') == std::string_view::npos
                           ? std::string("localhost")
                           : std::string(server);
    return "DRIVER=PostgreSQL ANSI;DATABASE=" + std::string(kDatabaseName) + ";SERVER=" + host +
           ";PORT=" + std::to_string(port) + ";UID=" + std::string(user) +
           ";PWD=" + std::string(password) +
           ";SHOWSYSTEMTABLES=1;UseServerSidePrepare=0;Protocol=7.4-1;";
}

std::string libpq_conninfo(std::string_view connection_string, std::string_view local_socket) {
    std::map<std::string, std::string> attrs;
    std::size_t start = 0;
    while (start < connection_string.size()) {
        std::size_t end = connection_string.find(';', start);
        if (end == std::string_view::npos) end = connection_string.size();
        std::string_view pair = connection_string.substr(start, end - start);
        std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos) {
            std::string key(pair.substr(0, eq));
            for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            attrs[key] = std::string(pair.substr(eq + 1));
        }
        start = end + 1;
    }
    std::string host;
    if (!is_local_server(attrs["SERVER"]))
        host = "host=" + conninfo_quote(attrs["SERVER"]);
    else if (!local_socket.empty())
        host = "host=" + conninfo_quote(std::string(local_socket));
    else
        host = "hostaddr=127.0.0.1";
    std::string out = host + " port=" + conninfo_quote(attrs["PORT"]) +
                      " dbname=" + conninfo_quote(attrs["DATABASE"]) +
                      " user=" + conninfo_quote(attrs["UID"]) +
                      " password=" + conninfo_quote(attrs["PWD"]) +
                      " connect_timeout=10 application_name='Balcora'";
    return out;
}

}  // namespace balcora::db
