#include "fiscal/mail_password.h"

#include "db/settings.h"
#include "fiscal/mail_notice.h"
#include "platform/exchange_file.h"
#include "platform/file_write.h"
#include "ui/environment.h"

#include <system_error>

namespace balcora::fiscal {

namespace {

std::string stored_in_settings() {
    return LEREGISTRO("balcora", kMailSection, kMailPasswordKey);
}

}  // namespace

std::filesystem::path mail_password_file() {
    return data_root().root() / "privado" / "smtp.senha";
}

std::string mail_password() {
    if (!move_mail_password_out_of_settings()) return stored_in_settings();
    platform::ExchangeFile file = platform::read_exchange_file(mail_password_file());
    if (!file.read()) return {};
    // One line, as an administrator might also write it.
    std::string& text = file.bytes;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

bool store_mail_password(const std::string& password, std::string* error) {
    const std::filesystem::path file = mail_password_file();
    int e = 0;
    if (password.empty()) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        e = ec.value();
    } else {
        e = platform::write_private_file(file, password);
    }
    if (e == 0) return true;
    if (error) *error = "Erro (" + std::to_string(e) + ") ao gravar o arquivo " + file.string();
    return false;
}

bool move_mail_password_out_of_settings() {
    const std::string password = stored_in_settings();
    if (password.find_first_not_of(' ') == std::string::npos) return true;
    if (!store_mail_password(password, nullptr)) return false;
    return GRAVAREGISTRO("balcora", kMailSection, kMailPasswordKey, "");
}

}  // namespace balcora::fiscal
