#include "sale/payment_forms_validation.h"

#include "db/settings.h"
#include "ecf/fiscal_printer.h"
#include "globals/globals.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

constexpr const char* kSystemNames[] = {"DINHEIRO", "CHEQUE",    "CARTAO", "VALE",
                                        "CONVENIO", "CREDIARIO", "OUTROS", "PIX"};
constexpr const char* kExhaustedKey = "Forma Pagamento Esgotada";

// No stored setting can hold this, so it tells a key that is absent from one
// that is present but blank.
constexpr const char* kAbsent = "\x01";

}  // namespace

std::string printer_flags_section() {
    return "PAF-ECF." + glo::numfab;
}

PaymentFormsValidation::PaymentFormsValidation() {
    reload();
}

void PaymentFormsValidation::reload() {
    rows_.clear();
    for (const char* name : kSystemNames) {
        PaymentFormRow row;
        row.system = name;
        std::string value = LEREGISTRO("balcora", "FormaPagto", name, kAbsent);
        row.registered = value != kAbsent;
        row.printer = row.registered ? util::trim(value) : kNotRegistered;
        rows_.push_back(std::move(row));
    }
}

void PaymentFormsValidation::validate() {
    const std::string section = printer_flags_section();
    const bool exhausted = util::trim(LEREGISTRO("balcora", section, kExhaustedKey, "0")) == "1";
    if (!exhausted) {
        ecf::printer().program_payment_methods();
    } else if (GRAVAREGISTRO("balcora", section, kExhaustedKey, "2")) {
        // The command goes only with the "2" stored: a failed write (already
        // shown) leaves the flag and the printer as they were.
        ecf::printer().program_payment_methods();
        GRAVAREGISTRO("balcora", section, kExhaustedKey, "1");
    }
    reload();
}

}  // namespace balcora::sale
