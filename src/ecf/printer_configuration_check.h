#pragma once

#include <string>

namespace balcora::ecf {

// What the start-up learned about the authorised printer (glo::numfab).
struct PrinterCheck {
    enum class Outcome {
        kDemo,                 // brand "DEMO": nothing checked
        kNotRegistered,        // no printer row for the serial: warned, goes on
        kModelMissing,         // the row's brand/model is not in modecf: warned, closes
        kConfigured,           // CMD_CONFIGURE_PRINTER accepted
        kConfigurationFailed,  // the printer refused it (the driver said why): closes
        kNeedsConvenio0909,    // intervention from 1 July 2015 on a model without it: closes
    };
    Outcome outcome = Outcome::kNotRegistered;
    std::string marca;
    std::string modelo;
    int porta_com = 0;

    bool program_goes_on() const {
        return outcome == Outcome::kDemo || outcome == Outcome::kNotRegistered ||
               outcome == Outcome::kConfigured;
    }
};

// The printer configuration check of the start-up: reads the printer and its
// model, sets glo::mfd and glo::cv0909, leaves brand, model and port in the
// shared printer record, warns as needed and configures the printer.
PrinterCheck check_printer_configuration();

}  // namespace balcora::ecf
