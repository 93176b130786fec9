#include "tef/card_voucher.h"

#include "ecf/printer.h"
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
bool print_copies(ecf::Command line, const std::vector<std::string>& lines) {
    auto copy = [&] {
        for (const std::string& l : lines)
            if (!ecf::send(line, {ecf::document_line(util::trim(l))})) return false;
        return true;
    };
    if (!copy()) return false;
    for (int i = 0; i < kBlankLines; ++i)
        if (!ecf::send(line, {ecf::document_line("  ")})) return false;
    ecf::send(ecf::CMD_CUT_PAPER);
    return copy();
}

bool as_receipt(const CardVoucher& v, Open& open) {
    const std::string amount = ecf::plain_amount(v.amount);
    const std::string coo = std::to_string(v.coo);
    const std::string instalments = std::to_string(v.instalments < 1 ? 1 : v.instalments);
    if (!ecf::send(ecf::CMD_OPEN_CREDIT_VOUCHER, {util::trim(v.method), amount, coo, instalments}))
        return false;
    open = Open::kReceipt;
    if (!print_copies(ecf::CMD_VOUCHER_LINE, v.lines) || !ecf::send(ecf::CMD_CLOSE_VOUCHER))
        return false;
    open = Open::kNothing;
    ecf::send(ecf::CMD_REGISTER_DOCUMENT, {"CC", ecf::document_amount(v.amount)});
    return true;
}

bool as_report(const CardVoucher& v, Open& open) {
    if (!ecf::send(ecf::CMD_OPEN_REPORT, {"RG"})) return false;
    open = Open::kReport;
    if (!print_copies(ecf::CMD_REPORT_LINE, v.lines) || !ecf::send(ecf::CMD_CLOSE_REPORT))
        return false;
    open = Open::kNothing;
    ecf::send(ecf::CMD_REGISTER_DOCUMENT, {"RG", ecf::document_amount(v.amount)});
    return true;
}

void close_left_open(Open& open) {
    if (open == Open::kReceipt) ecf::send(ecf::CMD_CLOSE_VOUCHER);
    if (open == Open::kReport) ecf::send(ecf::CMD_CLOSE_REPORT);
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
