#include "ecf/fiscal_printer.h"

#include "ecf/driver_printer.h"

namespace balcora::ecf {

namespace {

Printer* installed = nullptr;

}  // namespace

Printer& printer() {
    // Never destroyed: a window closing at exit may still close the port.
    static DriverPrinter* driver = new DriverPrinter;
    return installed ? *installed : *driver;
}

UsePrinter::UsePrinter(Printer& p) : previous_(installed) {
    installed = &p;
}

UsePrinter::~UsePrinter() {
    installed = previous_;
}

}  // namespace balcora::ecf
