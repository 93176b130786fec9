#pragma once

#include "ecf/driver_printer.h"
#include "ecf/fiscal_printer.h"
#include "globals/checkout_state.h"

namespace balcora::app {

// The program's composition root for the checkout: its one state, and the
// printer adapter that keeps the driver's globals in step with it, installed
// as the process's printer for the life of the object. Built once, at the
// start of the run, and handed down to the screens and services.
class CheckoutRoot {
  public:
    CheckoutRoot() = default;
    CheckoutRoot(const CheckoutRoot&) = delete;
    CheckoutRoot& operator=(const CheckoutRoot&) = delete;

    CheckoutState& state() { return state_; }
    ecf::Printer& printer() { return printer_; }

  private:
    CheckoutState state_;
    ecf::DriverPrinter printer_{state_};
    ecf::UsePrinter installed_{printer_};
};

}  // namespace balcora::app
