#include "shell/closing.h"

#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "ui/environment.h"

namespace balcora::shell {

bool confirm_close(const CheckoutState& checkout) {
    if (checkout.flag_desligar) return true;
    return prompt().confirm("Confirme", "Confirma fechar Balcora?");
}

bool shutdown_check(const CheckoutState& checkout, CommandRunner& runner) {
    if (!checkout.flag_desligar) return false;
    const std::string primary = command_line_of(kShutdownProgram);
    CommandOutcome first = runner.run(primary);
    if (first.started && first.exit_code == 0) return true;
    const std::string fallback = command_line_of(kShutdownFallbackProgram);
    CommandOutcome second = runner.run(fallback);
    if (second.started && second.exit_code == 0) return true;
    // The program still closes; the operator must know the machine stays on.
    prompt().message("Aviso",
                     "Não foi possível desligar o computador.|Comando: " + primary + "|" +
                         first.error + "|Comando: " + fallback + "|" + second.error,
                     ui::Icon::kWarning);
    return true;
}

void record_frame_size(int width, int height) {
    glo::appxsize = width;
    glo::appysize = height;
}

}  // namespace balcora::shell
