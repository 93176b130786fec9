#pragma once

#include "shell/external_command.h"

namespace balcora {
struct CheckoutState;
}

namespace balcora::shell {

// Whether the frame may close: asks "Confirma fechar Balcora?" unless the
// computer is being switched off, when nobody is there to answer.
bool confirm_close(const CheckoutState& checkout);

// After the Quick Sale screen returns: when the operator chose to switch the
// computer off at the day's close, asks the system to shut down (and tries
// the alternative command when that fails). True: the frame closes now.
bool shutdown_check(const CheckoutState& checkout, CommandRunner& runner);

// The frame's size, kept for the screens that size themselves after it.
void record_frame_size(int width, int height);

}  // namespace balcora::shell
