#pragma once

#include "backup/backup.h"

#include <optional>
#include <string>
#include <vector>

namespace balcora::shell {

// The same connection text on another database (a later keyword wins).
std::string with_dbname(const std::string& conninfo, const std::string& dbname);

// A database name quoted for SQL.
std::string identifier(const std::string& name);

// How a client program (pg_dump, pg_restore) ended.
struct ClientEnd {
    bool started = false;
    std::string error;  // why it did not start
    std::optional<int> exit_code;
    int signal = 0;
    std::string output;
    bool ok() const { return started && exit_code == 0; }
};
// "terminou com código N" or "interrompido (sinal N)".
std::string how_it_ended(const ClientEnd& end);
// The last lines of its output, joined by "|" for a message.
std::string output_tail(const std::string& output);

// Runs a client program to its end without holding up the caller's window,
// with the target's password file. A restore into a database that is dropped
// minutes later (`throwaway`) need not wait for the disk at its commit.
// Makes every table of a throwaway database unlogged, or none when the login
// may not alter one of them or cannot connect.
void make_tables_unlogged(const std::string& conninfo);

ClientEnd run_client_program(const std::vector<std::string>& argv, const BackupTarget& target,
                             const Yield& idle, bool throwaway);

// The target's own login without a database: what restores run as. A
// restore runs whatever the archive holds (constraint and index functions
// included), so it never runs as the server's administrator.
std::string role_conninfo(const BackupTarget& target);

// Makes an empty database for a restore: the administrator creates it, adds
// the extensions of schema public that the target's database has (the
// program's login may not create them) and hands it to the target's login,
// which restores into it. The administrator's session runs nothing the
// login made: its search path is pinned and the new database is empty until
// it is handed over. False with the reason.
bool create_restore_database(const BackupTarget& target, const std::string& name,
                             std::string* error);

// Whether the target's administrator login may create databases (the
// scratch database of a verification); nullopt with the reason when the
// server could not be asked.
std::optional<bool> may_create_databases(const BackupTarget& target, std::string* error);

// pg_restore's options for restoring as the program's login: ownership and
// grants are its own, and the extensions' comments (owned by the
// administrator) are skipped.
std::vector<std::string> restore_as_login_options();

// The scratch database a copy is restored into for its check, dropped
// however the check ends.
class ScratchDatabase {
  public:
    ScratchDatabase(BackupTarget target, std::string name)
        : target_(std::move(target)), name_(std::move(name)) {}
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    // A scratch database left by a run that was killed goes first. False
    // with the reason.
    bool create(std::string* error);
    // The program's login on the scratch database.
    std::string conninfo() const { return with_dbname(role_conninfo(target_), name_); }

  private:
    BackupTarget target_;
    std::string name_;
    bool created_ = false;
};

}  // namespace balcora::shell
