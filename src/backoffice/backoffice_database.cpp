#include "backoffice/backoffice_database.h"

#include "cluster/embedded_server.h"
#include "db/connection_settings.h"
#include "db/pg_handles.h"

namespace balcora::backoffice {

namespace {

std::string sql_text(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

bool ensure_database(db::EmbeddedServer& server, std::string* error, const Progress& say) {
    std::string why;
    auto admin = db::PgConnection::open(server.admin_conninfo(), &why);
    if (!admin) {
        *error = "Não foi possível conectar ao servidor como administrador: " + why;
        return false;
    }
    const std::string name(kBackofficeDatabase);
    auto r = admin->exec("SELECT 1 FROM pg_database WHERE datname = " + sql_text(name));
    if (!r.ok()) {
        *error = "Falha ao consultar o banco " + name + ": " + r.error_message();
        return false;
    }
    if (r.rows() > 0) return true;
    // The back-office system's own encoding: its statements use TO_ASCII,
    // which works only on single-byte encodings. dblink converts between it
    // and the checkout's UTF-8.
    r = admin->exec("CREATE DATABASE " + name + " OWNER " + std::string(db::kRoleName) +
                    " ENCODING 'LATIN1' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0");
    if (!r.ok()) {
        *error = "Falha ao criar o banco " + name + ": " + r.error_message();
        return false;
    }
    if (say) say("Banco da retaguarda criado: " + name + " (LATIN1)");
    return true;
}

}  // namespace

std::string backoffice_conninfo(const platform::DataRoot& root) {
    return db::EmbeddedServer(root).conninfo(kBackofficeDatabase);
}

bool create_backoffice_database(const platform::DataRoot& root, std::string* error,
                                const Progress& progress) {
    const db::ConnectionSettings settings = db::read_connection_settings(root);
    if (settings.port > 0 && !settings.is_local()) {
        *error =
            "O banco da retaguarda de demonstração é criado só no servidor desta máquina "
            "(configurado: " +
            settings.host() + ").";
        return false;
    }
    db::EmbeddedServer server(root);
    if (!server.prepare(error, progress)) return false;
    if (!ensure_database(server, error, progress)) return false;
    std::string why;
    auto conn = db::PgConnection::open(server.conninfo(kBackofficeDatabase), &why);
    if (!conn) {
        *error =
            "Não foi possível conectar ao banco " + std::string(kBackofficeDatabase) + ": " + why;
        return false;
    }
    // The script is UTF-8; the server stores it in LATIN1.
    conn->exec("SET client_encoding = 'UTF8'");
    conn->exec("SET client_min_messages = warning");
    auto r = conn->exec(backoffice_schema_sql());
    if (!r.ok()) {
        *error = "Falha ao criar as tabelas da retaguarda: " + r.error_message();
        return false;
    }
    return true;
}

}  // namespace balcora::backoffice
