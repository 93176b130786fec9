#include "ecf/fiscal_printer.h"

#include "ecf/driver_printer.h"
#include "globals/checkout_state.h"

namespace balcora::ecf {

namespace {

Printer* installed = nullptr;

}  // namespace

Printer& printer() {
    // Never destroyed: a window closing at exit may still close the port.
    // Without a printer installed (a tool or test that needs no checkout) the
    // driver shares its coupon flag with a checkout of its own.
    static DriverPrinter* driver = new DriverPrinter(*new CheckoutState);
    return installed ? *installed : *driver;
}

UsePrinter::UsePrinter(Printer& p) : previous_(installed) {
    installed = &p;
}

UsePrinter::~UsePrinter() {
    installed = previous_;
}

}  // namespace balcora::ecf
