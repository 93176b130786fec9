#pragma once

#include "backup/backup_check.h"

#include <filesystem>
#include <string>

namespace balcora::ui {
class ScreenPort;
}

namespace balcora::shell {

// Where a backup reads from and writes to.
struct BackupTarget {
    // The database as the dump tool reaches it (-h, -p, -U and the name).
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
    std::string dbname;
    // A libpq connection text (no database in it) of a role that may create
    // a database on the same server and restore into it: the cluster's
    // administrator on the program's own server, else the program's login.
    std::string admin_conninfo;
    std::filesystem::path folder;         // where the weekday files go
    std::filesystem::path password_file;  // the client's password file
    std::filesystem::path tools;          // pg_dump, pg_restore; empty: PATH
};

// The database the program is connected to (glo::string_conexao), the
// backup folder under the data root and the client's own password file.
BackupTarget program_backup_target();

// What the operator sees while the backup runs.
class BackupProgressView {
  public:
    virtual ~BackupProgressView() = default;
    virtual void show(const std::string& caption) = 0;
    // The stage under way ("Copiando o banco de dados...").
    virtual void step(const std::string& line) = 0;
    // What the dump tool has written so far.
    virtual void output(const std::string& text) = 0;
    // Called between polls of the running programs and statements: the
    // window keeps drawing and answering; a console view just sleeps.
    virtual void idle() = 0;
    virtual void finished(bool success) = 0;
};

// One run of the daily backup, the controller its progress window shows:
// "Situacao" goes to 0 first; the dump is written under a temporary name,
// restored into a scratch database of the same server and compared with the
// database as it was when the dump began (row counts of every table, record
// hashes and row digests of the fiscal tables); only a copy that matches is
// renamed to the weekday's name and sets "Situacao" 1 and "Tamanho". Every
// failure is shown and leaves the files of the week as they were.
class BackupRun {
  public:
    explicit BackupRun(BackupTarget target) : target_(std::move(target)) {}

    void execute(BackupProgressView& view);
    bool succeeded() const { return succeeded_; }
    // The weekday file (written only when the run succeeded).
    const std::filesystem::path& file() const { return file_; }

  private:
    // How far a copy was checked.
    enum class Check {
        kFailed,
        kRestored,   // restored into a scratch database and compared
        kReadWhole,  // the login may not create the scratch database: read to its end only
    };

    bool work(BackupProgressView& view);
    bool dump(BackupProgressView& view, const std::filesystem::path& temporary,
              DatabaseFigures* live);
    Check verify(BackupProgressView& view, const std::filesystem::path& temporary,
                 const DatabaseFigures& live);
    bool restored_and_compared(BackupProgressView& view, const std::filesystem::path& temporary,
                               const DatabaseFigures& live);
    bool read_whole(BackupProgressView& view, const std::filesystem::path& temporary);

    BackupTarget target_;
    std::filesystem::path file_;
    bool succeeded_ = false;
};

// Runs the backup in the window provided for it, else quietly with the
// prompt port for its messages. True when the copy was made and verified
// (restored and compared, or, where the login may not create the scratch
// database, read to its end, which the message names).
bool run_backup(BackupRun& run);

// The procedure of the main menu, the start-up question and the day close:
// a backup of the program's database. 1 when it succeeded, else 0.
int COPIADESEGURANCA();

// Provides COPIADESEGURANCA through the screen port.
void provide_backup(ui::ScreenPort& port);

// Restores a backup file into a new database of the target's server (a
// technician bringing a shop back). Refuses a name already in use. Empty on
// success, else the reason.
std::string restore_backup(const BackupTarget& target, const std::filesystem::path& file,
                           const std::string& dbname, const Yield& yield);

}  // namespace balcora::shell
