#include "sale/sale_documents_printer.h"

#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "globals/globals.h"
#include "ui/environment.h"

#include <functional>

namespace balcora::sale {

namespace {

// The steps of one non-fiscal document on the printer.
struct Sequence {
    std::function<bool()> open;
    bool (ecf::Printer::*line)(std::string_view);
    bool (ecf::Printer::*close)();
};

// One pass over the document. `open` tells whether the document is still
// open on the printer when the pass stops.
bool print_once(const Sequence& s, const std::vector<std::string>& lines, bool& open) {
    open = s.open();
    if (!open) return false;
    ecf::Printer& printer = ecf::printer();
    for (const auto& l : lines)
        if (!(printer.*s.line)(ecf::document_line(l))) return false;
    if (!(printer.*s.close)()) return false;
    open = false;
    return true;
}

// The question waits for the operator: the printer's card-payment mode is
// off meanwhile and comes back for the new try.
bool operator_wants_another_try() {
    const bool tef_mode = glo::modotef_ativo != 0;
    if (tef_mode && ecf::printer().tef_mode_off()) glo::modotef_ativo = 0;
    const bool yes =
        prompt().confirm("ATENÇÃO!", "A impressora não responde!|Deseja tentar novamente?");
    if (yes && tef_mode && !glo::modotef_ativo && ecf::printer().tef_mode_on())
        glo::modotef_ativo = 1;
    return yes;
}

bool print_with_retries(const Sequence& s, const std::vector<std::string>& lines) {
    for (;;) {
        bool open = false;
        if (print_once(s, lines, open)) return true;
        const bool again = operator_wants_another_try();
        if (open) (ecf::printer().*s.close)();
        if (!again) return false;
    }
}

}  // namespace

bool print_credit_voucher(const CreditVoucher& v, const std::vector<std::string>& lines) {
    const Sequence s{
        [&] {
            return ecf::printer().open_credit_voucher({v.method, v.amount, v.coo, v.instalments});
        },
        &ecf::Printer::voucher_line, &ecf::Printer::close_voucher};
    if (!print_with_retries(s, lines)) return false;
    ecf::printer().register_document(ecf::Document::kCreditVoucher, v.amount);
    return true;
}

bool print_management_report(const std::vector<std::string>& lines) {
    const Sequence s{[] { return ecf::printer().open_management_report(); },
                     &ecf::Printer::report_line, &ecf::Printer::close_report};
    if (!print_with_retries(s, lines)) return false;
    ecf::printer().register_document(ecf::Document::kManagementReport, util::Money{});
    return true;
}

}  // namespace balcora::sale
