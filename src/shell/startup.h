#pragma once

#include "shell/external_command.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::shell {

inline constexpr int kBuildNumber = 13;

// ---- Before the frame opens ----

// The backup folder beside the program's folder, created when missing.
// False after "Erro ao criar pasta ..." was shown: the program stops.
bool ensure_backup_folder();

// Brings up the program's own database server when the settings name this
// machine (created on the first run), then opens the connection with the
// schema scripts and session settings. False after the failure was shown.
bool open_database_at_start();

// ---- Once the frame has opened ----

// Other subsystems plug their start-up work in here; a step whose
// work is not built yet is skipped.
struct StartupHooks {
    // Writes the developer key file when it does not exist yet.
    std::function<void()> write_developer_key_file;
    // Checks the authorised printer's registration and configures it;
    // false: the program closes.
    std::function<bool()> check_printer_configuration;
    // Removes or completes card-payment files left by an interrupted run.
    std::function<void()> recover_card_payment_files;
    // Sends the Bloco X files still pending for the printer and the company.
    std::function<void(int printer_id)> send_pending_bloco_x_files;
    // Mails the Bloco X pendency notice when it is due.
    std::function<void(int printer_id)> mail_bloco_x_pendencies;
};
StartupHooks& startup_hooks();

struct ActiveCompany {
    int id = 0;
    std::string name;
    int head_office = 0;
};
// The active company with the lowest id and its head office (itself when it
// has none); nothing when no company is active or the query failed.
std::optional<ActiveCompany> find_active_company();

// Printer libraries of the old installation that must not sit in the
// program's folder: the ones found there, in the order they are checked.
std::vector<std::filesystem::path> misplaced_printer_libraries();

// "<nomesoft> <versaosoft>.<build>", at most 49 characters.
std::string program_name();
// The frame's caption: "<program> - [<company>]".
std::string frame_title(std::string_view program, std::string_view company);

// Sizes and date of the newest backup against the last Z reduction; stores
// and returns the verdict in "Situacao" of section "Backup" (true = good).
// Without any Z reduction nothing is judged and the stored state stays.
void check_backup_state();

struct FrameStartupResult {
    bool close = false;  // the frame closes at once, without the question
    std::string title;   // caption for the frame
    ActiveCompany company;
    int printer_id = 0;
};

// Everything the program does once, right after the frame has opened, in
// its fixed order. External programs start through the runner; screens open
// through the screen registry.
FrameStartupResult run_frame_startup(CommandRunner& runner);

}  // namespace balcora::shell
