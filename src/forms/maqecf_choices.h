#pragma once

#include <string>
#include <vector>

namespace balcora::forms {

// One entry of a drop-down list: what the operator reads, what is stored.
struct Choice {
    std::string label;
    int value = 0;
};

// Printer port: com1 ... com8 (1 ... 8), usb (99).
const std::vector<Choice>& printer_port_choices();
// Scanner model: Nenhum (0), Metrologic (1), Symbol (2), Bematech (3).
const std::vector<Choice>& scanner_model_choices();
// Scanner port: com1 ... com4 (1 ... 4), usb/teclado (99).
const std::vector<Choice>& scanner_port_choices();

bool is_choice(const std::vector<Choice>& choices, int value);

// How the printer list shows a port: "USB" for 99, "com" + number, blank for none.
std::string port_text(int port);
// How the printer list shows a scanner model.
std::string scanner_model_text(int model);

}  // namespace balcora::forms
