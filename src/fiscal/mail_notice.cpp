#include "fiscal/mail_notice.h"

#include "db/settings.h"
#include "fiscal/mail_password.h"
#include "platform/detached_start.h"
#include "platform/file_digest.h"
#include "platform/process.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::fiscal {

namespace {

constexpr std::string_view kProgramsSection = "Programas";

// This program's own executable: the running one when it is balcora, else
// the one built beside it (a test, a companion tool), else whatever PATH finds.
std::string own_balcora() {
    const std::filesystem::path self = platform::own_executable();
    if (self.filename() == "balcora") return self.string();
    std::error_code ec;
    const std::filesystem::path beside = self.parent_path() / "balcora";
    if (!self.empty() && std::filesystem::is_regular_file(beside, ec)) return beside.string();
    return "balcora";
}

std::string mail_setting(std::string_view key) {
    return util::trim(LEREGISTRO("balcora", kMailSection, key));
}

std::string missing_setting(std::string_view key) {
    return "Configuração de e-mail \"" + std::string(key) + "\" não informada (seção \"" +
           std::string(kMailSection) + "\").";
}

}  // namespace

std::vector<std::string> mailer_command() {
    const std::string line =
        util::trim(read_ini(kProgramsSection, kMailerProgramKey, "", "balcora.ini"));
    if (line.empty()) return {own_balcora(), "mail"};
    return platform::split_command_line(line);
}

MailOutcome send_mail_notice(const std::filesystem::path& body_file, const std::string& subject,
                             const std::string& to,
                             const std::vector<std::filesystem::path>& attachments,
                             std::chrono::seconds timeout) {
    MailOutcome out;
    const std::string server = mail_setting(kMailServerKey);
    const std::string sender = mail_setting(kMailSenderKey);
    const std::string recipient = util::trim(to);
    if (server.empty())
        out.error = missing_setting(kMailServerKey);
    else if (sender.empty())
        out.error = missing_setting(kMailSenderKey);
    else if (recipient.empty())
        out.error = "Destinatário do e-mail não informado.";
    if (!out.error.empty()) return out;

    std::vector<std::string> argv = mailer_command();
    const std::string program = argv.empty() ? std::string() : argv.front();
    // Every switch is given, so our own mailer never has to open the
    // database to look for the relay settings itself.
    for (const std::string& word :
         {body_file.string(), std::string("-html"), std::string("-subject"), subject,
          std::string("-to"), recipient, std::string("-f"), sender, std::string("-server"), server,
          std::string("-u"), mail_setting(kMailUserKey)})
        argv.push_back(word);
    for (const auto& file : attachments) {
        argv.push_back("-attach");
        argv.push_back(file.string());
    }
    platform::ProcessOptions options;
    options.working_dir = data_root().program_dir();
    options.timeout = timeout;
    options.env = {{kMailPasswordVariable, mail_password()},
                   {"BALCORA_ROOT", data_root().root().string()}};
    const platform::ProcessResult r = platform::run_program(argv, options);
    out.sent = r.ok();
    if (out.sent) return out;
    if (!r.started)
        out.error = "Não foi possível executar o programa de e-mail " + program + ": " +
                    platform::tail_lines(r.output, 2);
    else if (r.timed_out)
        out.error = "O programa de e-mail não terminou em " + std::to_string(timeout.count()) +
                    " s e foi interrompido.";
    else
        out.error = "O envio do e-mail falhou (código " + std::to_string(r.exit_code) +
                    "): " + platform::tail_lines(r.output, 3);
    return out;
}

}  // namespace balcora::fiscal
