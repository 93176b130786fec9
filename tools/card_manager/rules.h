#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace gerenciador {

// How the manager behaves, read from section [Gerenciador] of the rules
// file before every request, so a demo or a test can change it while the
// manager runs. A missing file or key keeps the friendly default: every
// request answered at once and every sale approved.
struct Rules {
    // Amounts whose cents equal this are declined; -1 declines nothing.
    int decline_cents = -1;
    std::string decline_message = "TRANSACAO NEGADA";
    // Request kinds taken from the folder and never answered, not even with
    // the status file, as when the manager is not running.
    std::set<std::string> never_answered;
    // Request kinds that get the status file and never their response, as
    // when the card reader waits on a customer who walked away.
    std::set<std::string> status_only;
    // What the operator picks in the administrative menu: "relatorio" (a
    // summary of the journal as the voucher), "cancelada" (left the menu:
    // no voucher, a message) or "vazia" (no voucher and no message).
    std::string adm_choice = "relatorio";
    int status_delay_ms = 0;
    int response_delay_ms = 0;
    std::string network = "REDE SIMULADA";
};

Rules read_rules(const std::filesystem::path& file);

}  // namespace gerenciador
