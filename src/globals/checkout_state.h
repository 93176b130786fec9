#pragma once
#ifndef Q_MOC_RUN  // the windows' code generator cannot read the fixed-point header first
#include "util/fixed_point.h"
#endif
#include <cstdint>

namespace balcora {

// What the checkout keeps between its screens for the life of the process:
// how far the sale under way has gone, which window holds the printer, and
// what the operator chose for the end of the run. One object, built by the
// program's composition root and handed to the screens and services that
// read or change it. The printer adapter shows the driver, in its exported
// globals, the fields the driver's interface names. Flags are 0/1 bytes, as
// the driver keeps them.
struct CheckoutState {
    using flag = std::uint8_t;

    flag fp_iniciada = 0;     // the coupon is totalled and payments have begun
    util::Money trocotela;    // change or balance shown on the payment screen
    flag jan_ecf_aberta = 0;  // a window that drives the printer is open
    flag flag_desligar = 0;   // switch the computer off when the program closes
};

}  // namespace balcora
