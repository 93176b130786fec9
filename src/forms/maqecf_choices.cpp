#include "forms/maqecf_choices.h"

#include <algorithm>

namespace balcora::forms {

namespace {

std::vector<Choice> com_ports(int last, const char* usb_label) {
    std::vector<Choice> out;
    for (int i = 1; i <= last; ++i) out.push_back({"com" + std::to_string(i), i});
    out.push_back({usb_label, 99});
    return out;
}

}  // namespace

const std::vector<Choice>& printer_port_choices() {
    static const std::vector<Choice> choices = com_ports(8, "usb");
    return choices;
}

const std::vector<Choice>& scanner_model_choices() {
    static const std::vector<Choice> choices = {
        {"Nenhum", 0}, {"Metrologic", 1}, {"Symbol", 2}, {"Bematech", 3}};
    return choices;
}

const std::vector<Choice>& scanner_port_choices() {
    static const std::vector<Choice> choices = com_ports(4, "usb/teclado");
    return choices;
}

bool is_choice(const std::vector<Choice>& choices, int value) {
    return std::any_of(choices.begin(), choices.end(),
                       [value](const Choice& c) { return c.value == value; });
}

std::string port_text(int port) {
    if (port == 99) return "USB";
    return port > 0 ? "com" + std::to_string(port) : std::string();
}

std::string scanner_model_text(int model) {
    return model == 1 ? "Metrologic MS7320" : "Nenhum";
}

}  // namespace balcora::forms
