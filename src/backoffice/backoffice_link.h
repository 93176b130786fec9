#pragma once

#include "db/sql_record.h"
#include "db/sql_runner.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::backoffice {

// The local server opens one named link to the back office's database
// (dblink); every back-office statement travels through it.
inline constexpr std::string_view kLinkName = "A";
inline constexpr std::string_view kLinkSection = "PAF-ECF";

// "Tp_conexao": how the server is reached.
enum class ConnectionType { kIp = 1, kNoIp = 2, kMachineName = 3 };

// The link settings (section "PAF-ECF"), read when needed, never cached.
struct LinkSettings {
    ConnectionType type = ConnectionType::kIp;
    std::string ip;        // "Ip" (20): the address for types 1 and 2
    std::string servidor;  // "Servidor" (29): address or host name
    std::string database;  // "Database" (29)
    std::string usuario;   // "Usuario" (20)
    std::string senha;     // "Senha" (20)
    int porta = 5432;      // "Porta"
    bool ini_aut = true;   // "IniAutRetaguarda": start the communication program at start-up
};

// What "Senha" holds when the back office is this machine's own cluster: the
// installation's password file supplies it, so no password sits in the table.
inline constexpr std::string_view kPasswordFromFile = "(arquivo de senha)";
inline constexpr std::string_view kDefaultLinkUser = "postgres";
inline constexpr std::string_view kDefaultLinkPassword = "pdvsenha";

LinkSettings read_link_settings();
// Stores every setting; with type IP the server is also stored as "Ip".
// False when a setting could not be written.
bool write_link_settings(const LinkSettings& settings);

// libpq connection text of the link: host name or address, port, database,
// user and password, each quoted for the connection text (a value with a
// blank or an apostrophe cannot break out of its field).
std::string link_conninfo(const LinkSettings& settings);

// "Conectando BD <database> @ <server> ..."
std::string connecting_status(const LinkSettings& settings);

// Closes a stale link "A" (one left open by an earlier screen or a failure)
// and opens it afresh. The link's session reads literals as this program
// writes them (backslashes doubled). False after the server's message was
// shown in the SQL error dialog.
using Status = std::function<void(const std::string&)>;
bool open_link(const LinkSettings& settings, const Status& status = {});
// The same, handing a failure to the caller (who words the message) instead
// of showing it; the statement in it never carries the password.
bool open_link(const LinkSettings& settings, const Status& status, db::SqlFailure* failure,
               std::string* shown_statement);
// Closes link "A" when it is open; quiet otherwise.
void close_link();
bool link_is_open();

// Keeps the link open for one screen's work and closes it when it ends.
class LinkSession {
  public:
    explicit LinkSession(const LinkSettings& settings, const Status& status = {});
    LinkSession();  // with read_link_settings()
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_ = false;
};

// "SELECT * FROM dblink('A','<select>') AS <alias>(<c1> text, ...)": the back
// office's SELECT goes in as a literal (apostrophes and backslashes doubled),
// every column comes back as text.
std::string linked_select(std::string_view select, std::string_view alias,
                          const std::vector<std::string>& columns);
// "select dblink_exec('A','<statement>');"
std::string linked_exec(std::string_view statement);

// Runs a back-office SELECT through the link into the caller's record. True
// when it ran (rows or none); false after the failure was shown.
bool read_linked(std::string_view select, std::string_view alias,
                 const std::vector<std::string>& columns, db::SqlRecord& out);
// Runs a back-office statement through the link. False after the failure
// was shown (the server's message and the statement).
bool exec_linked(std::string_view statement);
// The same, with the back office's command status ("UPDATE 1", "COMMIT"),
// so a conditional statement tells whether it changed a row. Nullopt after
// the failure was shown.
std::optional<std::string> exec_linked_status(std::string_view statement);

// The last error the back office reported on the link (dblink_error_message),
// empty when none.
std::string last_link_error();

}  // namespace balcora::backoffice
