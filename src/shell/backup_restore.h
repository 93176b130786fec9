#pragma once

#include "shell/backup.h"

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

// The scratch database a copy is restored into for its check, dropped
// however the check ends.
class ScratchDatabase {
  public:
    ScratchDatabase(std::string admin_conninfo, std::string name)
        : admin_(std::move(admin_conninfo)), name_(std::move(name)) {}
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    // A scratch database left by a run that was killed goes first. False
    // with the reason.
    bool create(std::string* error);
    std::string conninfo() const { return with_dbname(admin_, name_); }

  private:
    std::string admin_;
    std::string name_;
    bool created_ = false;
};

}  // namespace balcora::shell
