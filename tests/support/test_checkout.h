#pragma once

#include "ecf/driver_printer.h"
#include "ecf/fiscal_printer.h"
#include "globals/checkout_state.h"

namespace balcora::test {

// A fresh checkout for a test that drives the checkout's screens, with the
// driver's printer over it installed as the process's printer meanwhile.
class TestCheckout {
  protected:
    CheckoutState checkout_;
    ecf::DriverPrinter checkout_printer_{checkout_};
    ecf::UsePrinter use_checkout_printer_{checkout_printer_};
};

}  // namespace balcora::test
