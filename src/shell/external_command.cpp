#include "shell/external_command.h"

#include "db/settings.h"
#include "platform/detached_start.h"
#include "platform/process.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::shell {

CommandOutcome SystemCommandRunner::run(const std::string& command_line) {
    CommandOutcome out;
    auto words = platform::split_command_line(command_line);
    if (words.empty()) {
        out.error = "nenhum programa informado";
        return out;
    }
    platform::ProcessResult r = platform::run_program(words);
    out.started = r.started;
    out.exit_code = r.exit_code;
    if (!r.ok()) out.error = platform::tail_lines(r.output, 5);
    return out;
}

CommandOutcome SystemCommandRunner::start(const std::string& command_line) {
    CommandOutcome out;
    // Relative names resolve from the program's folder, as on the original
    // installation where these programs sat beside it.
    out.error = platform::start_detached(platform::split_command_line(command_line),
                                         data_root().program_dir());
    out.started = out.error.empty();
    return out;
}

SystemCommandRunner& system_command_runner() {
    static SystemCommandRunner runner;
    return runner;
}

std::string command_line_of(const ExternalProgram& program) {
    std::string line =
        util::trim(read_ini(kProgramsSection, program.key, program.default_command, "balcora.ini"));
    return line.empty() ? std::string(program.default_command) : line;
}

bool start_reporting_failure(CommandRunner& runner, const ExternalProgram& program,
                             std::string_view description) {
    const std::string line = command_line_of(program);
    CommandOutcome outcome = runner.start(line);
    if (outcome.started) return true;
    prompt().message("Aviso",
                     "Não foi possível iniciar o " + std::string(description) +
                         ".|Comando: " + line + "|" + outcome.error +
                         "|Ajuste o comando na seção [" + std::string(kProgramsSection) +
                         "] de balcora.ini, chave \"" + std::string(program.key) + "\".",
                     ui::Icon::kWarning);
    return false;
}

}  // namespace balcora::shell
