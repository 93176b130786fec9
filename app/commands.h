#pragma once

#include "platform/data_root.h"

#include <filesystem>
#include <string>
#include <vector>

namespace balcora::app {

// What a sub-command receives: the data root chosen by --root (or the
// default) and the words after the sub-command's name.
struct CommandLine {
    platform::DataRoot root;
    std::vector<std::string> args;
    std::string user;      // --user
    std::string password;  // --password
};

// Each returns the process exit code.
int run_db_command(CommandLine& cl);       // db init|start|stop|status|psql
int run_sql_command(CommandLine& cl);      // sql "STATEMENT"
int run_setting_command(CommandLine& cl);  // setting get|set
int run_aux_command(CommandLine& cl);      // aux write|show
int run_demo_command(CommandLine& cl);     // demo
// fiscal sign|verify|public-key|registers|buyers; relative file names are
// taken from `launch_dir`, where the command was typed.
int run_fiscal_command(CommandLine& cl, const std::filesystem::path& launch_dir);
int run_mail_command(CommandLine& cl);        // mail BODY -subject S -to A ...
int run_backoffice_command(CommandLine& cl);  // backoffice init|serve|stop|link|stock
int run_backoffice_stock(CommandLine& cl);    // backoffice stock
// backup [--verify] | list | restore FILE --into NAME; relative file names
// are taken from `launch_dir`.
int run_backup_command(CommandLine& cl, const std::filesystem::path& launch_dir);
// fiscal registers --from DATE --to DATE [--products ID,...]: writes the
// PAF-ECF registers file, prints its path; 0 only when written and signed.
int run_fiscal_registers(CommandLine& cl);
int run_fiscal_buyers(CommandLine& cl);   // fiscal buyers --month YYYY-MM [--buyer DIGITS]
int run_blocox_command(CommandLine& cl);  // blocox SUBCOMMAND (see blocox_commands.h)
// report --model N --from DATE --to DATE --pdf FILE: the sales report as a PDF.
int run_report_command(CommandLine& cl, const std::filesystem::path& launch_dir);
// presale list | issue NUM_PV | cancel NUM_PV [--sim]: the pre-sale window's
// work from a terminal; 0 only when the back office took the outcome.
int run_presale_command(CommandLine& cl);

// Opens the program's database as the program does at start: settings,
// connection (starting the embedded server when it is ours), schema scripts
// and session settings. False after the failure was shown.
bool open_program_database(const CommandLine& cl);

}  // namespace balcora::app
