#include "app/commands.h"
#include "db/settings.h"
#include "fiscal/mail_notice.h"
#include "fiscal/mail_password.h"
#include "platform/smtp_mail.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace balcora::app {

namespace {

int usage() {
    std::fputs(
        "Uso: balcora mail ARQUIVO [-html] -subject \"ASSUNTO\" -to ENDERECO[,ENDERECO...]\n"
        "                  [-f REMETENTE] [-server HOST[:PORTA]] [-u USUARIO] [-pw SENHA]\n"
        "                  [-attach ARQUIVO]... [-timeout SEGUNDOS]\n"
        "\n"
        "Envia ARQUIVO como corpo do e-mail (-html: como HTML). Remetente, servidor e\n"
        "usuario omitidos vem da configuracao Email (Remetente, Servidor, Usuario); a\n"
        "senha, da variavel BALCORA_MAIL_PASSWORD ou do arquivo privado/smtp.senha.\n",
        stderr);
    return 2;
}

int fail(const std::string& why) {
    std::fprintf(stderr, "balcora mail: %s\n", why.c_str());
    return 1;
}

struct MailArgs {
    std::string body_file;
    bool html = false;
    std::string subject;
    std::string to;
    std::optional<std::string> from, server, user, password;
    std::vector<std::string> attachments;
    long timeout = 60;
};

std::optional<MailArgs> parse(const std::vector<std::string>& a) {
    MailArgs m;
    for (size_t k = 0; k < a.size(); ++k) {
        const std::string& w = a[k];
        if (w == "-html") {
            m.html = true;
            continue;
        }
        if (w.empty() || w[0] != '-') {
            if (!m.body_file.empty()) return std::nullopt;
            m.body_file = w;
            continue;
        }
        if (k + 1 >= a.size()) return std::nullopt;
        const std::string& v = a[++k];
        if (w == "-subject" || w == "-s")
            m.subject = v;
        else if (w == "-to")
            m.to = v;
        else if (w == "-f")
            m.from = v;
        else if (w == "-server")
            m.server = v;
        else if (w == "-u")
            m.user = v;
        else if (w == "-pw")
            m.password = v;
        else if (w == "-attach")
            m.attachments.push_back(v);
        else if (w == "-timeout" && text_to_integer(v) > 0)
            m.timeout = static_cast<long>(text_to_integer(v));
        else
            return std::nullopt;
    }
    if (m.body_file.empty()) return std::nullopt;
    return m;
}

// Names as the program writes them: "c:\..." lives under the data root.
std::filesystem::path file_of(const std::string& name) {
    if (name.size() >= 2 && name[1] == ':') return data_root().map(name);
    return name;
}

std::vector<std::string> addresses(const std::string& list) {
    std::vector<std::string> out;
    std::string one;
    for (char c : list + ",") {
        if (c != ',' && c != ';') {
            one += c;
            continue;
        }
        // Settings keep addresses blank-padded to their field's width.
        if (std::string t = util::trim(one); !t.empty()) out.push_back(t);
        one.clear();
    }
    return out;
}

// The relay settings for the switches left out; the database is opened only
// when one is missing.
bool fill_from_settings(CommandLine& cl, MailArgs* m) {
    if (!m->password)
        if (const char* env = std::getenv(fiscal::kMailPasswordVariable)) m->password = env;
    unsetenv(fiscal::kMailPasswordVariable);
    if (m->from && m->server && m->user && m->password) return true;
    if (!open_program_database(cl)) return false;
    auto fill = [](std::optional<std::string>& v, std::string_view key) {
        if (!v) v = LEREGISTRO("balcora", fiscal::kMailSection, key);
    };
    fill(m->from, fiscal::kMailSenderKey);
    fill(m->server, fiscal::kMailServerKey);
    fill(m->user, fiscal::kMailUserKey);
    if (!m->password) m->password = fiscal::mail_password();
    return true;
}

}  // namespace

int run_mail_command(CommandLine& cl) {
    std::optional<MailArgs> m = parse(cl.args);
    if (!m) return usage();
    if (!fill_from_settings(cl, &*m)) return 1;

    if (util::trim(*m->server).empty())
        return fail(
            "servidor SMTP não informado: use -server ou configure com "
            "\"balcora setting set Email Servidor HOST[:PORTA]\"");
    if (util::trim(*m->from).empty())
        return fail(
            "remetente não informado: use -f ou configure com "
            "\"balcora setting set Email Remetente ENDERECO\"");

    std::ifstream in(file_of(m->body_file), std::ios::binary);
    if (!in) return fail("não foi possível abrir o arquivo " + file_of(m->body_file).string());
    std::ostringstream body;
    body << in.rdbuf();

    platform::SmtpRelay relay{util::trim(*m->server), util::trim(*m->user), *m->password,
                              std::chrono::seconds(m->timeout)};
    platform::MailMessage message;
    message.from = util::trim(*m->from);
    message.to = addresses(m->to);
    message.subject = m->subject;
    message.body = body.str();
    message.html = m->html;
    for (const auto& a : m->attachments) message.attachments.push_back(file_of(a));
    if (std::string error = platform::send_mail(relay, message); !error.empty()) return fail(error);
    std::printf("E-mail enviado para %s.\n", util::trim(m->to).c_str());
    return 0;
}

}  // namespace balcora::app
