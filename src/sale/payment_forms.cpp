#include "sale/payment_forms.h"

#include "db/settings.h"
#include "util/text.h"

#include <array>

namespace balcora::sale {

namespace {

struct FormRow {
    const char* label;
    const char* code;
    const char* key;
    const char* printer_default;
};

constexpr std::array<FormRow, 8> kForms = {{
    {"Dinheiro", "DI", "DINHEIRO", "Dinheiro"},
    {"Cheque", "CH", "CHEQUE", "CHEQUE"},
    {"Cartão", "CA", "CARTAO", "CARTAO"},
    {"Vale", "VA", "VALE", "VALE"},
    {"Convênio", "CO", "CONVENIO", "CONVENIO"},
    {"Consulta Cheque", "CC", "CHEQUE", "CHEQUE"},
    {"Crediário", "CR", "CREDIARIO", "CREDIARIO"},
    {"PIX", "PI", "PIX", "PIX"},
}};

const FormRow* find(std::string_view code) {
    const std::string c = util::to_upper_ascii(util::trim(code));
    for (const FormRow& f : kForms)
        if (c == f.code) return &f;
    return nullptr;
}

}  // namespace

std::vector<PaymentForm> payment_form_list(bool tef_active) {
    std::vector<PaymentForm> out;
    for (const FormRow& f : kForms) {
        std::string label = f.label;
        if (std::string_view(f.code) == "CA" && tef_active) label = "Cartão TEF";
        out.push_back({label, f.code});
    }
    return out;
}

std::string payment_form_list_text(bool tef_active) {
    std::string out;
    for (const PaymentForm& f : payment_form_list(tef_active)) {
        if (!out.empty()) out += '|';
        out += f.label + "|#" + f.code;
    }
    return out;
}

bool is_payment_code(std::string_view code) {
    return find(code) != nullptr;
}

bool is_cheque(std::string_view code) {
    const std::string c = util::to_upper_ascii(util::trim(code));
    return c == "CH" || c == "CC";
}

PrinterFormKey printer_form_key(std::string_view code) {
    if (const FormRow* f = find(code)) return {f->key, f->printer_default};
    return {"OUTROS", "OUTROS"};
}

std::string payment_printer_name(std::string_view code) {
    const PrinterFormKey k = printer_form_key(code);
    // A name cleared by hand would make the printer refuse every payment of
    // the form; the default is what a fresh printer is programmed with.
    std::string name = util::trim(LEREGISTRO("balcora", "FormaPagto", k.key, k.default_name));
    return name.empty() ? k.default_name : name;
}

bool goes_to_card_manager(std::string_view code, bool tef_active) {
    const std::string c = util::to_upper_ascii(util::trim(code));
    return tef_active && (c == "CA" || c == "CC");
}

bool amount_is_typed(std::string_view code, bool tef_homologation) {
    const std::string c = util::to_upper_ascii(util::trim(code));
    if (c == "CA") return tef_homologation;
    return c != "CC" && c != "CR";
}

}  // namespace balcora::sale
