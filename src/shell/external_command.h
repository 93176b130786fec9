#pragma once

#include <string>
#include <string_view>

namespace balcora::shell {

// What became of an external command.
struct CommandOutcome {
    bool started = false;
    int exit_code = -1;  // when waited for; -1 otherwise
    std::string error;   // why it did not start, or its output when it failed
};

// Runs the external programs (back-office communication, invoices,
// shut-down) from their command lines, so tests put a recording runner in
// place and never start anything real.
class CommandRunner {
  public:
    virtual ~CommandRunner() = default;
    // Runs and waits for the end.
    virtual CommandOutcome run(const std::string& command_line) = 0;
    // Starts and goes on at once.
    virtual CommandOutcome start(const std::string& command_line) = 0;
};

// The runner of the real system: no shell in between, the words of the
// command line as a technician typed them.
class SystemCommandRunner final : public CommandRunner {
  public:
    CommandOutcome run(const std::string& command_line) override;
    CommandOutcome start(const std::string& command_line) override;
};

SystemCommandRunner& system_command_runner();

// Command lines of the external programs, per machine in balcora.ini
// section "Programas", each with a default for a Linux installation.
inline constexpr std::string_view kProgramsSection = "Programas";
struct ExternalProgram {
    std::string_view key;
    std::string_view default_command;
};
inline constexpr ExternalProgram kBackOfficeProgram{"Retaguarda", "comret"};
inline constexpr ExternalProgram kInvoiceProgram{"NFe", "nfe"};
inline constexpr ExternalProgram kShutdownProgram{"Desligar", "systemctl poweroff"};
inline constexpr ExternalProgram kShutdownFallbackProgram{"Desligar alternativo",
                                                          "shutdown -h now"};

std::string command_line_of(const ExternalProgram& program);

// Starts a program without waiting; when it cannot be started the operator
// is told which program, with the command line and the reason. False then.
bool start_reporting_failure(CommandRunner& runner, const ExternalProgram& program,
                             std::string_view description);

}  // namespace balcora::shell
