#include "backoffice/backoffice_link.h"

#include "credentials/link_password.h"
#include "credentials/role_password.h"
#include "db/connection_settings.h"
#include "db/durable_point.h"
#include "db/literals.h"
#include "db/pg_handles.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ui/environment.h"
#include "util/text.h"

#include <algorithm>
#include <utility>

namespace balcora::backoffice {

namespace {

std::string setting(std::string_view key, std::string_view default_value = {}) {
    return LEREGISTRO("balcora", kLinkSection, key, default_value);
}

std::string trimmed(std::string_view text) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    std::size_t e = text.find_last_not_of(' ');
    return std::string(text.substr(b, e - b + 1));
}

std::string link_literal() {
    return TXTSQL(kLinkName);
}

// The host the link names, as its password entry is keyed.
std::string link_host(const LinkSettings& s) {
    if (s.type != ConnectionType::kMachineName) return trimmed(s.ip);
    return db::is_local_server(s.servidor) ? std::string("127.0.0.1") : trimmed(s.servidor);
}

// The password the link logs in with when the setting says it is kept in a
// file: the one stored for that back-office server (a shop's server), else
// the installation's own (the back office is this machine's cluster).
std::string effective_password(const LinkSettings& s) {
    if (s.senha != kPasswordFromFile) return s.senha;
    std::string stored = db::read_link_password(data_root(), link_host(s), s.porta,
                                                trimmed(s.database), trimmed(s.usuario));
    return stored.empty() ? db::read_role_password(data_root()) : stored;
}

// The statement the operator sees when the connection fails: the password
// never reaches a dialog.
std::string shown_connect_statement(const LinkSettings& s) {
    LinkSettings masked = s;
    if (!masked.senha.empty()) masked.senha = "********";
    return "select dblink_connect(" + link_literal() + ", " + TXTSQL(link_conninfo(masked)) + ");";
}

}  // namespace

LinkSettings read_link_settings() {
    LinkSettings s;
    long long type = text_to_integer(setting("Tp_conexao", "1"));
    s.type = type == 2   ? ConnectionType::kNoIp
             : type == 3 ? ConnectionType::kMachineName
                         : ConnectionType::kIp;
    s.ip = trimmed(setting("Ip"));
    s.servidor = trimmed(setting("Servidor"));
    s.database = trimmed(setting("Database"));
    s.usuario = trimmed(setting("Usuario", kDefaultLinkUser));
    s.senha = setting("Senha", kDefaultLinkPassword);
    long long port = text_to_integer(setting("Porta", "5432"));
    s.porta = port > 0 && port <= 65535 ? static_cast<int>(port) : 5432;
    s.ini_aut = text_to_integer(setting("IniAutRetaguarda", "1")) == 1;
    return s;
}

bool write_link_settings(const LinkSettings& s) {
    auto put = [](std::string_view key, std::string_view value) {
        return GRAVAREGISTRO("balcora", kLinkSection, key, value);
    };
    const std::string ip = s.type == ConnectionType::kIp ? s.servidor : s.ip;
    return put("Tp_conexao", std::to_string(static_cast<int>(s.type))) && put("Ip", ip) &&
           put("Servidor", s.servidor) && put("Database", s.database) &&
           put("Usuario", s.usuario) && put("Senha", s.senha) &&
           put("Porta", std::to_string(s.porta)) && put("IniAutRetaguarda", s.ini_aut ? "1" : "0");
}

std::string link_conninfo(const LinkSettings& s) {
    // This machine by its address: "localhost" may resolve to ::1, where any
    // account could listen and be handed the password.
    const bool by_name = s.type == ConnectionType::kMachineName && !db::is_local_server(s.servidor);
    std::string text = by_name
                           ? "host=" + db::conninfo_quote(trimmed(s.servidor))
                           : "hostaddr=" + db::conninfo_quote(s.type == ConnectionType::kMachineName
                                                                  ? std::string("127.0.0.1")
                                                                  : trimmed(s.ip));
    text += " port=" + std::to_string(s.porta);
    text += " dbname=" + db::conninfo_quote(trimmed(s.database));
    text += " user=" + db::conninfo_quote(trimmed(s.usuario));
    text += " password=" + db::conninfo_quote(s.senha);
    // A back office that does not answer must not hold the screen forever.
    text += " connect_timeout=10";
    return text;
}

std::string connecting_status(const LinkSettings& s) {
    return "Conectando BD " + s.database + " @ " + s.servidor + " ...";
}

bool link_is_open() {
    auto r = db::run_sql("SELECT 1 WHERE " + link_literal() +
                             " = ANY(coalesce(dblink_get_connections(), '{}'::text[]));",
                         db::report_nothing);
    return r && r->rows() > 0;
}

void close_link() {
    if (link_is_open())
        db::run_sql("select dblink_disconnect(" + link_literal() + ");", db::report_nothing);
}

bool open_link(const LinkSettings& settings, const Status& status) {
    return open_link(settings, status, nullptr, nullptr);
}

bool open_link(const LinkSettings& settings, const Status& status, db::SqlFailure* failure,
               std::string* shown_statement) {
    if (status) status(connecting_status(settings));
    close_link();
    LinkSettings real = settings;
    real.senha = effective_password(settings);
    // The connection text travels as a parameter: the password appears in no
    // statement text, neither in a dialog nor in the server's log.
    const std::string shown = shown_connect_statement(settings);
    auto r = db::run_pipeline({{"backoffice_link_connect",
                                "select dblink_connect($1, $2)",
                                {std::string(kLinkName), link_conninfo(real)}}},
                              [&](const db::SqlFailure& f, std::string_view) {
                                  if (!failure) return db::report_in_sql_dialog(f, shown);
                                  *failure = f;
                                  if (shown_statement) *shown_statement = shown;
                              });
    if (!r) return false;
    // Literals built for this program (backslashes doubled) mean the same on
    // the back office's side.
    return exec_linked("SET standard_conforming_strings=off") &&
           exec_linked("SET escape_string_warning=off");
}

LinkSession::LinkSession(const LinkSettings& settings, const Status& status)
    : ok_(open_link(settings, status)) {}

LinkSession::LinkSession() : LinkSession(read_link_settings()) {}

LinkSession::~LinkSession() {
    close_link();
}

std::string linked_select(std::string_view select, std::string_view alias,
                          const std::vector<std::string>& columns) {
    std::string list;
    for (const auto& c : columns) {
        if (!list.empty()) list += ", ";
        list += c + " text";
    }
    return "SELECT * FROM dblink(" + link_literal() + "," + TXTSQL(select) + ") AS " +
           std::string(alias) + " (" + list + ");";
}

std::string linked_exec(std::string_view statement) {
    return "select dblink_exec(" + link_literal() + "," + TXTSQL(statement) + ");";
}

bool read_linked(std::string_view select, std::string_view alias,
                 const std::vector<std::string>& columns, db::SqlRecord& out) {
    return db::read_rows(linked_select(select, alias, columns), out);
}

bool exec_linked(std::string_view statement) {
    return exec_linked_status(statement).has_value();
}

std::optional<std::string> exec_linked_status(std::string_view statement) {
    // The back office's own transaction, opened and ended over the link: its
    // writes are for good only at its COMMIT.
    static bool remote_transaction = false;
    auto r = db::run_sql(linked_exec(statement));
    if (!r) {
        remote_transaction = false;
        return std::nullopt;
    }
    std::string status = r->rows() > 0 ? std::string(r->value(0, 0)) : std::string();
    if (status.starts_with("BEGIN")) {
        remote_transaction = true;
    } else if (status.starts_with("COMMIT") || status.starts_with("ROLLBACK")) {
        if (std::exchange(remote_transaction, false) && status.starts_with("COMMIT"))
            db::note_durable_point();
    } else if (!remote_transaction &&
               (status.starts_with("UPDATE") || status.starts_with("INSERT") ||
                status.starts_with("DELETE"))) {
        db::note_durable_point();
    }
    return status;
}

std::string last_link_error() {
    auto r =
        db::run_sql("select dblink_error_message(" + link_literal() + ");", db::report_nothing);
    if (!r || r->rows() == 0) return {};
    std::string text(r->value(0, 0));
    return text == "OK" ? std::string() : text;
}

}  // namespace balcora::backoffice
