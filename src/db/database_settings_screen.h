#pragma once

#include <string>

namespace balcora {

namespace db {

// "Configuração do BD": the user, password and port of the database settings
// in balcora.ini. Each entry opens with the stored value, or its default when
// the stored one is blank.
class DatabaseSettingsScreen {
  public:
    static constexpr int kUsuarioWidth = 20;
    static constexpr int kSenhaWidth = 20;
    static constexpr int kPortaWidth = 10;

    void open();
    // "&OK": writes the three values and closes.
    bool ok();
    // "&Fechar": closes without writing.
    void close() { open_ = false; }
    bool is_open() const { return open_; }

    std::string usuario;
    std::string senha;
    std::string porta;

  private:
    bool open_ = false;
};

}  // namespace db

// Shows the screen modally through the screen port; without a window the
// defaults are accepted as if "&OK" was pressed, so an unattended start can
// go on.
void GRAVAPORTA();

}  // namespace balcora
