#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::fiscal {

// The installation's mail relay, in the settings of "balcora".
inline constexpr std::string_view kMailSection = "Email";
inline constexpr std::string_view kMailServerKey = "Servidor";
inline constexpr std::string_view kMailSenderKey = "Remetente";
inline constexpr std::string_view kMailUserKey = "Usuario";
inline constexpr std::string_view kMailPasswordKey = "Senha";
// The relay password reaches the mailer here, never on its command line
// (which every user of the machine can read in the process list).
inline constexpr const char* kMailPasswordVariable = "BALCORA_MAIL_PASSWORD";

// The mailer's command line: balcora.ini [Programas] "Email"; by default this
// program's own "balcora mail".
inline constexpr std::string_view kMailerProgramKey = "Email";
std::vector<std::string> mailer_command();

struct MailOutcome {
    bool sent = false;
    std::string error;  // why not, for the caller's message
};

// Sends an HTML notice through the configured mailer with the relay of the
// settings, waiting at most `timeout` for it (then it is killed). Sent only
// when the mailer ended with code 0. Shows nothing: the callers report.
MailOutcome send_mail_notice(const std::filesystem::path& body_file, const std::string& subject,
                             const std::string& to,
                             const std::vector<std::filesystem::path>& attachments,
                             std::chrono::seconds timeout);

}  // namespace balcora::fiscal
