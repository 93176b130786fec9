#include "db/database_settings_screen.h"

#include "db/connection_settings.h"
#include "platform/ini_file.h"
#include "ui/environment.h"

namespace balcora {

namespace db {

namespace {

std::string fit(std::string v, int width) {
    if (v.size() > static_cast<std::size_t>(width)) v.resize(static_cast<std::size_t>(width));
    return v;
}

std::string stored_or(std::string_view key, std::string_view fallback) {
    std::string v = platform::ini_read(data_root().ini_file(kSettingsFile), kSettingsSection, key);
    if (v.find_first_not_of(' ') == std::string::npos) return std::string(fallback);
    return v;
}

}  // namespace

void DatabaseSettingsScreen::open() {
    usuario = stored_or("Usuario", kDefaultUser);
    senha = stored_or("Senha", kDefaultPassword);
    porta = stored_or("Porta", std::to_string(kDefaultPort));
    open_ = true;
}

bool DatabaseSettingsScreen::ok() {
    const auto file = data_root().ini_file(kSettingsFile);
    bool written =
        platform::ini_write(file, kSettingsSection, "Usuario", fit(usuario, kUsuarioWidth)) &&
        platform::ini_write(file, kSettingsSection, "Senha", fit(senha, kSenhaWidth),
                            platform::Privacy::kPrivate) &&
        platform::ini_write(file, kSettingsSection, "Porta", fit(porta, kPortaWidth));
    if (!written)
        prompt().message("Erro", "Erro ao gravar o arquivo " + file.string(), ui::Icon::kError);
    open_ = false;
    return written;
}

}  // namespace db

void GRAVAPORTA() {
    db::DatabaseSettingsScreen screen;
    screen.open();
    if (!screens().show(screen)) screen.ok();
}

}  // namespace balcora
