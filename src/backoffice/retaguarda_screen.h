#pragma once

#include "backoffice/backoffice_link.h"
#include "backoffice/host_address.h"

#include <functional>
#include <string>

namespace balcora::backoffice {

// "Retaguarda": tab "Geral" with the last communications and "&Comunicar",
// tab "Configuração" with the link settings, which the view edits in
// `settings`.
class RetaguardaScreen {
  public:
    // Starts the back-office communication program without waiting; false
    // once its failure was shown. Injected: the program's runner lives above.
    using StartProgram = std::function<bool()>;

    explicit RetaguardaScreen(StartProgram start_program, HostResolver resolver = resolve_host);

    void open();
    LinkSettings settings;

    // Date, start and end of the last full ("t") and partial ("p") runs.
    struct Communication {
        std::string date, start, end;
    };
    const Communication& full() const { return full_; }
    const Communication& partial() const { return partial_; }

    bool noip_enabled() const { return settings.type == ConnectionType::kNoIp; }

    // "&Comunicar": the program starts in a normal window.
    bool comunicar();
    // "NOIP": the server's address by its name, into settings.ip.
    bool noip();
    // "Reseta RET": the link's extension made afresh after the database's
    // password changed.
    bool reseta_ret();
    // "&Gravar".
    bool gravar();

  private:
    StartProgram start_program_;
    HostResolver resolver_;
    Communication full_, partial_;
};

}  // namespace balcora::backoffice
