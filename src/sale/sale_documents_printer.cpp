#include "sale/sale_documents_printer.h"

#include "ecf/printer.h"
#include "ecf/printer_layouts.h"
#include "globals/globals.h"
#include "ui/environment.h"

#include <functional>

namespace balcora::sale {

namespace {

using ecf::Command;

struct Sequence {
    std::function<bool()> open;
    Command line;
    Command close;
};

// One pass over the document. `open` tells whether the document is still
// open on the printer when the pass stops.
bool print_once(const Sequence& s, const std::vector<std::string>& lines, bool& open) {
    open = s.open();
    if (!open) return false;
    for (const auto& l : lines)
        if (!ecf::send(s.line, {ecf::document_line(l)})) return false;
    if (!ecf::send(s.close)) return false;
    open = false;
    return true;
}

// The question waits for the operator: the printer's card-payment mode is
// off meanwhile and comes back for the new try.
bool operator_wants_another_try() {
    const bool tef_mode = glo::modotef_ativo != 0;
    if (tef_mode && ecf::send(ecf::CMD_TEF_MODE_OFF)) glo::modotef_ativo = 0;
    const bool yes =
        prompt().confirm("ATENÇÃO!", "A impressora não responde!|Deseja tentar novamente?");
    if (yes && tef_mode && !glo::modotef_ativo && ecf::send(ecf::CMD_TEF_MODE_ON))
        glo::modotef_ativo = 1;
    return yes;
}

bool print_with_retries(const Sequence& s, const std::vector<std::string>& lines) {
    for (;;) {
        bool open = false;
        if (print_once(s, lines, open)) return true;
        const bool again = operator_wants_another_try();
        if (open) ecf::send(s.close);
        if (!again) return false;
    }
}

}  // namespace

bool print_credit_voucher(const CreditVoucher& v, const std::vector<std::string>& lines) {
    const std::string amount = ecf::plain_amount(v.amount);
    const std::string coo = std::to_string(v.coo);
    const std::string instalments = std::to_string(v.instalments);
    const Sequence s{
        [&] {
            return ecf::send(ecf::CMD_OPEN_CREDIT_VOUCHER, {v.method, amount, coo, instalments});
        },
        ecf::CMD_VOUCHER_LINE, ecf::CMD_CLOSE_VOUCHER};
    if (!print_with_retries(s, lines)) return false;
    ecf::send(ecf::CMD_REGISTER_DOCUMENT, {"CC", ecf::document_amount(v.amount)});
    return true;
}

bool print_management_report(const std::vector<std::string>& lines) {
    const Sequence s{[] { return ecf::send(ecf::CMD_OPEN_REPORT, {"RG"}); }, ecf::CMD_REPORT_LINE,
                     ecf::CMD_CLOSE_REPORT};
    if (!print_with_retries(s, lines)) return false;
    ecf::send(ecf::CMD_REGISTER_DOCUMENT, {"RG", "0"});
    return true;
}

}  // namespace balcora::sale
