#include "app/commands.h"
#include "backup/backup.h"
#include "backup/backup_files.h"
#include "ui/environment.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace balcora::app {

namespace {

int usage() {
    std::fputs(
        "Uso: balcora backup [--verify]          copia de seguranca do dia, verificada\n"
        "     balcora backup list                os sete arquivos da semana\n"
        "     balcora backup restore ARQUIVO --into BANCO\n"
        "                                        restaura um arquivo em um banco novo\n",
        stderr);
    return 2;
}

void pause_a_moment() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// The stages on the terminal; the dump tool's own log stays out of the way.
class ConsoleBackupProgress final : public shell::BackupProgressView {
  public:
    void show(const std::string&) override {}
    void step(const std::string& line) override {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    void output(const std::string&) override {}
    void idle() override { pause_a_moment(); }
    void finished(bool) override {}
};

int make_backup() {
    shell::BackupRun run(shell::program_backup_target());
    ConsoleBackupProgress progress;
    run.execute(progress);
    return run.succeeded() ? 0 : 1;
}

int list_backups() {
    std::printf("%-4s %-28s %14s  %-16s  %s\n", "Dia", "Arquivo", "Bytes", "Gravado em",
                "Verificado");
    for (const auto& f : shell::list_backup_files(shell::backup_folder())) {
        if (!f.exists) {
            std::printf("%-4s %-28s %14s  %-16s  %s\n", f.weekday.c_str(),
                        f.file.filename().c_str(), "-", "-", "-");
            continue;
        }
        std::printf("%-4s %-28s %14ju  %-16s  %s\n", f.weekday.c_str(), f.file.filename().c_str(),
                    f.size, f.modified.c_str(), f.verified ? "sim" : "não");
    }
    std::printf("Pasta: %s\n", shell::backup_folder().c_str());
    return 0;
}

int restore(const std::filesystem::path& launch_dir, const std::vector<std::string>& a) {
    if (a.size() != 4 || a[2] != "--into" || a[3].empty()) return usage();
    std::filesystem::path file = a[1];
    if (file.is_relative()) file = launch_dir / file;
    std::printf("Restaurando %s no banco %s...\n", file.c_str(), a[3].c_str());
    const std::string error =
        shell::restore_backup(shell::program_backup_target(), file, a[3], pause_a_moment);
    if (!error.empty()) {
        std::fprintf(stderr, "balcora backup restore: %s\n", error.c_str());
        return 1;
    }
    std::printf("Banco %s restaurado de %s.\n", a[3].c_str(), file.c_str());
    return 0;
}

}  // namespace

int run_backup_command(CommandLine& cl, const std::filesystem::path& launch_dir) {
    const auto& a = cl.args;
    const bool make = a.empty() || (a.size() == 1 && a[0] == "--verify");
    const bool list = a.size() == 1 && a[0] == "list";
    const bool restoring = !a.empty() && a[0] == "restore";
    if (!make && !list && !restoring) return usage();
    if (!open_program_database(cl)) return 1;
    if (list) return list_backups();
    if (restoring) return restore(launch_dir, a);
    return make_backup();
}

}  // namespace balcora::app
