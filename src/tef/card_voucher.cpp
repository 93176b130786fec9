#include "tef/card_voucher.h"

#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "tef/tef_mode.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::tef {

namespace {

enum class Open { kNothing, kReceipt, kReport };

constexpr int kBlankLines = 6;

// Each copy line by line, trimmed; six blank lines and the cut after the
// first. The cut's own answer does not stop the voucher.
bool print_copies(bool (ecf::Printer::*line)(std::string_view),
                  const std::vector<std::string>& lines) {
    ecf::Printer& printer = ecf::printer();
    auto copy = [&] {
        for (const std::string& l : lines)
            if (!(printer.*line)(ecf::document_line(util::trim(l)))) return false;
        return true;
    };
    if (!copy()) return false;
    for (int i = 0; i < kBlankLines; ++i)
        if (!(printer.*line)(ecf::document_line("  "))) return false;
    printer.cut_paper();
    return copy();
}

bool as_receipt(const CardVoucher& v, Open& open) {
    ecf::Printer& printer = ecf::printer();
    const std::string method = util::trim(v.method);
    if (!printer.open_credit_voucher(
            {method, v.amount, v.coo, v.instalments < 1 ? 1 : v.instalments}))
        return false;
    open = Open::kReceipt;
    if (!print_copies(&ecf::Printer::voucher_line, v.lines) || !printer.close_voucher())
        return false;
    open = Open::kNothing;
    printer.register_document(ecf::Document::kCreditVoucher, v.amount);
    return true;
}

bool as_report(const CardVoucher& v, Open& open) {
    ecf::Printer& printer = ecf::printer();
    if (!printer.open_management_report()) return false;
    open = Open::kReport;
    if (!print_copies(&ecf::Printer::report_line, v.lines) || !printer.close_report()) return false;
    open = Open::kNothing;
    printer.register_document(ecf::Document::kManagementReport, v.amount);
    return true;
}

void close_left_open(Open& open) {
    if (open == Open::kReceipt) ecf::printer().close_voucher();
    if (open == Open::kReport) ecf::printer().close_report();
    open = Open::kNothing;
}

}  // namespace

VoucherPrint print_card_voucher(const CardVoucher& v) {
    Open open = Open::kNothing;
    if (as_receipt(v, open)) return VoucherPrint::kReceipt;
    for (;;) {
        // The printer is free of the card mode while the operator reads.
        DESATIVAMODOTEF();
        if (!prompt().confirm("ATENÇÃO!", "A impressora não responde!|Deseja tentar novamente?")) {
            close_left_open(open);
            return VoucherPrint::kGivenUp;
        }
        ATIVAMODOTEF();
        close_left_open(open);
        if (as_report(v, open)) return VoucherPrint::kReport;
    }
}

}  // namespace balcora::tef
