#pragma once

#include <string>
#include <string_view>
#include <vector>

// The eight payment forms the payment screen offers, by their two-letter
// codes, and the names the fiscal printer knows them by.
namespace balcora::sale {

struct PaymentForm {
    std::string label;  // what the drop list shows
    std::string code;   // DI, CH, CA, VA, CO, CC, CR, PI
};

// The drop list in its order; the card is "Cartão TEF" when the card-payment
// manager is active.
std::vector<PaymentForm> payment_form_list(bool tef_active);
// The drop list's literal ("Dinheiro|#DI|Cheque|#CH|...").
std::string payment_form_list_text(bool tef_active);

bool is_payment_code(std::string_view code);
bool is_cheque(std::string_view code);  // CH or CC: number and good-for date

// The settings key under section "FormaPagto" that names the form on the
// printer ("DINHEIRO", ...; "OUTROS" for an unknown code) and its default.
struct PrinterFormKey {
    std::string key;
    std::string default_name;
};
PrinterFormKey printer_form_key(std::string_view code);

// The name the printer registers the form under, read from the settings each
// time (an installer may rename it while the program runs).
std::string payment_printer_name(std::string_view code);

// The "CA" or "CC" that goes to the card-payment manager instead of being
// registered here (the manager answers for the card and the cheque query).
bool goes_to_card_manager(std::string_view code, bool tef_active);

// Whether the operator types the amount; otherwise it is the balance.
bool amount_is_typed(std::string_view code, bool tef_homologation);

}  // namespace balcora::sale
