#pragma once

#include <string>

namespace balcora::ecf {

// What the start-up learned about the authorised printer (glo::numfab).
struct PrinterCheck {
    enum class Outcome {
        demo,                  // brand "DEMO": nothing checked
        not_registered,        // no printer row for the serial: warned, goes on
        model_missing,         // the row's brand/model is not in modecf: warned, closes
        configured,            // CMD_CONFIGURE_PRINTER accepted
        configuration_failed,  // the printer refused it (the driver said why): closes
        needs_convenio_0909,   // intervention from 1 July 2015 on a model without it: closes
    };
    Outcome outcome = Outcome::not_registered;
    std::string marca;
    std::string modelo;
    int porta_com = 0;

    bool program_goes_on() const {
        return outcome == Outcome::demo || outcome == Outcome::not_registered ||
               outcome == Outcome::configured;
    }
};

// The printer configuration check of the start-up: reads the printer and its
// model, sets glo::mfd and glo::cv0909, leaves brand, model and port in the
// shared printer record, warns as needed and configures the printer.
PrinterCheck check_printer_configuration();

}  // namespace balcora::ecf
