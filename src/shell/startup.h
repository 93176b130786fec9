#pragma once

#include "access/sign_in.h"
#include "shell/external_command.h"
#include "shell/main_menu.h"
#include "ui/service_port.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora {
struct CheckoutState;
}

namespace balcora::ui {
class ScreenPort;
}

namespace balcora::shell {

inline constexpr int kBuildNumber = 13;

// ---- The whole run ----

// The main frame as the start-up drives it; the GUI's window implements it.
class FrameView {
  public:
    virtual ~FrameView() = default;
    // The menu bar; items open their screens through the screen port.
    virtual void set_menus(const std::vector<Menu>& menus) = 0;
    virtual void set_operator(const std::string& login) = 0;
    virtual void set_size(int width, int height) = 0;
    virtual void set_title(const std::string& title) = 0;
    virtual void set_company(const std::string& company) = 0;
    // Closes without the closing question.
    virtual void close_without_question() = 0;
    // Shows the frame, calls `opened` once it is on screen and returns when
    // the frame has closed.
    virtual void run(std::function<void()> opened) = 0;
};

// What the windowing side hands to the start-up.
struct StartupViews {
    access::SignInViews sign_in;
    // Builds the frame once an operator is signed in.
    std::function<std::unique_ptr<FrameView>()> open_frame;
};

// The program from start to end: the backup folder, the hash expressions,
// the button texts, the database (operators are rows of it, so it opens
// before the sign-in), the sign-in, then the main frame. 0 after a normal
// close, 1 when the start stopped (no folder, no database, no sign-in, a
// check that closes the program). `exit_when_ready` closes the frame as soon
// as its checks ran (for measuring the start-up).
int run_program(const CheckoutState& checkout, std::string_view login, std::string_view password,
                const StartupViews& views, CommandRunner& runner, bool exit_when_ready = false);

// The frame with the main menu for an operator already signed in, and the
// checks it runs once open (run_frame_startup). Returns as run_program does.
int run_main_frame(const CheckoutState& checkout, FrameView& frame, CommandRunner& runner,
                   bool exit_when_ready = false);

// ---- Before the frame opens ----

// The backup folder beside the program's folder, created when missing.
// False after "Erro ao criar pasta ..." was shown: the program stops.
bool ensure_backup_folder();

// Brings up the program's own database server when the settings name this
// machine (created on the first run), then opens the connection with the
// schema scripts and session settings. False after the failure was shown.
bool open_database_at_start();

// ---- Once the frame has opened ----

// The start-up steps of other subsystems, in the order they run. The
// program's own are provided by provide_startup_steps; a test puts its own
// in the service port. Without any (a build with no windows) they are
// skipped.
class StartupSteps {
  public:
    virtual ~StartupSteps() = default;
    // Writes the developer key file when it does not exist yet.
    virtual void write_developer_key_file() = 0;
    // Checks the authorised printer's registration and configures it;
    // false: the program closes.
    virtual bool check_printer_configuration() = 0;
    // Removes or completes card-payment files left by an interrupted run.
    virtual void recover_card_payment_files() = 0;
    // Sends the Bloco X files still pending.
    virtual void send_pending_blocox_files(int printer_id) = 0;
    // Mails the Bloco X pendency notice when it is due.
    virtual void mail_blocox_pendencies(int printer_id) = 0;
};

// The program's steps, provided for run_frame_startup.
void provide_startup_steps(ui::ServicePort& services);

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
// its fixed order. External programs start through the runner, screens
// through the screen port and the steps of other subsystems through the
// service port.
FrameStartupResult run_frame_startup(const CheckoutState& checkout, CommandRunner& runner);

}  // namespace balcora::shell
