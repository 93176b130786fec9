#include "ecf/printer_layouts.h"

#include "ecf/cp1252.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <algorithm>

namespace balcora::ecf {

namespace {

std::string zero_filled(std::string_view text, std::size_t width) {
    return text.size() >= width ? std::string(text)
                                : std::string(width - text.size(), '0') + std::string(text);
}

std::string reading_letter(Reading kind) {
    return kind == Reading::kComplete ? "C" : "S";
}

std::size_t digit_count(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

// Optional pieces joined only when all are present.
template <typename... Parts>
std::optional<std::string> joined(const Parts&... parts) {
    if ((!parts || ...)) return std::nullopt;
    return (std::string() + ... + *parts);
}

std::optional<std::string> text(std::string s) {
    return s;
}

}  // namespace

std::optional<std::string> counter_digits(std::int64_t value, int width) {
    return util::scaled_digits(value, 0, 0, width);
}

std::optional<std::string> item_record(const ItemRecordFields& item) {
    const std::string code = zero_filled(util::trim(item.code), 13);
    std::string description = "#";
    if (item.cest > 0) {
        auto cest = counter_digits(item.cest, 7);
        if (!cest) return std::nullopt;
        description += *cest;
    }
    description += "#";
    if (item.ncm > 0) {
        auto ncm = counter_digits(item.ncm, 8);
        if (!ncm) return std::nullopt;
        description += *ncm;
    }
    description += "#" + util::trim(item.description);
    return joined(
        text(code.substr(code.size() - 13)), text(fit(description, 40)),
        util::printer_digits(item.unit_price, 3, 9), util::printer_digits(item.quantity, 3, 7),
        util::printer_digits(item.total, 3, 12),
        text(fit(item.tax_code, 2) + "0" + fit(item.unit, 2)),
        util::printer_digits(item.discount, 2, 10), util::printer_digits(item.tax_rate, 2, 4));
}

std::string item_code(std::string_view code) {
    return zero_filled(util::trim(code), 13);
}

std::string consumer_document(std::string_view cpf_cnpj) {
    return fit(util::trim(cpf_cnpj), 18);
}

std::string consumer_identification(std::string_view name, std::string_view address,
                                    std::string_view cpf_cnpj, std::optional<bool> company) {
    const std::string document = util::trim(cpf_cnpj);
    std::string labelled;
    if (!document.empty())
        labelled = (company.value_or(digit_count(document) == 14) ? "CNPJ: " : "CPF: ") + document;
    return fit(util::trim(name), 65) + fit(util::trim(address), 80) + fit(labelled, 30);
}

std::optional<std::string> start_closing(Adjustment kind, util::Money amount) {
    if (kind == Adjustment::kNone) amount = {};
    return joined(util::printer_digits(amount, 3, 13),
                  text(kind == Adjustment::kDiscount ? "00000" : "00002"));
}

std::optional<std::string> payment(std::string_view method, util::Money amount,
                                   std::string_view free_text) {
    return joined(text(fit(util::trim(method), 16)), util::printer_digits(amount, 3, 13),
                  text(fit(free_text, 40)));
}

std::string payment_terms(std::string_view terms) {
    return "PRAZO: " + fit(terms, 38);
}

std::string coupon_footer(std::string_view message) {
    // A longer footer is cut rather than refused: the coupon is already paid.
    std::string footer(message);
    if (printer_length(footer) > 400) footer = fit(footer, 400);
    return footer + std::string(255, ' ');
}

std::optional<std::string> coupon_invoice_number(std::int64_t number) {
    if (number == 0) return std::string(6, ' ');
    return counter_digits(number, 6);
}

std::optional<std::string> opening_supply(util::Money amount) {
    return util::printer_digits(amount, 2, 14);
}

std::optional<std::string> cash_movement(CashMovement kind, util::Money amount) {
    return joined(text(kind == CashMovement::kWithdrawal ? "SA" : "SU"),
                  util::printer_digits(amount, 2, 14));
}

std::optional<std::string> printer_date(util::DayNumber day) {
    std::string d = util::br_date(day);
    if (d.empty()) return std::nullopt;
    return d;
}

std::optional<std::string> date_range(util::DayNumber start, util::DayNumber end) {
    return joined(printer_date(start), printer_date(end));
}

std::optional<std::string> reading_by_date(util::DayNumber start, util::DayNumber end,
                                           Reading kind) {
    return joined(date_range(start, end), text(reading_letter(kind)));
}

std::optional<std::string> reading_by_crz(std::int64_t first, std::int64_t last, Reading kind) {
    return joined(counter_digits(first, 4), counter_digits(last, 4), text(reading_letter(kind)));
}

std::optional<std::string> path_field(const std::filesystem::path& file) {
    const std::string p = file.string();
    if (p.empty() || printer_length(p) > 200) return std::nullopt;
    return fit(p, 200);
}

std::optional<std::string> reading_file_by_date(const std::filesystem::path& file,
                                                util::DayNumber start, util::DayNumber end,
                                                Reading kind) {
    return joined(path_field(file), reading_by_date(start, end, kind));
}

std::optional<std::string> reading_file_by_crz(const std::filesystem::path& file,
                                               std::int64_t first, std::int64_t last,
                                               Reading kind) {
    return joined(path_field(file), reading_by_crz(first, last, kind));
}

std::optional<std::string> file_by_date(const std::filesystem::path& file, util::DayNumber start,
                                        util::DayNumber end) {
    return joined(path_field(file), date_range(start, end));
}

std::optional<std::string> cotepe_file_by_coo(const std::filesystem::path& file, std::int64_t first,
                                              std::int64_t last) {
    return joined(path_field(file), counter_digits(first, 4), counter_digits(last, 4));
}

std::optional<std::string> mirror_file_by_coo(const std::filesystem::path& file, std::int64_t first,
                                              std::int64_t last) {
    return joined(path_field(file), counter_digits(first, 6), counter_digits(last, 6));
}

std::optional<std::string> whole_tape_download(const std::filesystem::path& file) {
    return joined(path_field(file), text("01/01/1990"), text("31/12/2050"));
}

std::string document_line(std::string_view line) {
    return std::string(line) + "\r\n";
}

std::string document_amount(util::Money amount) {
    return std::to_string(amount.units());
}

std::string plain_amount(util::Money amount) {
    return util::to_plain(amount);
}

std::string voucher_consumer_document(std::string_view cpf_cnpj) {
    const std::string document = util::trim(cpf_cnpj);
    return fit(document.empty() ? "000.000.000-00" : document, 18);
}

std::string voucher_consumer_name(std::string_view name) {
    return fit(util::trim(name), 65);
}

std::string voucher_consumer_address(std::string_view address) {
    return fit(util::trim(address), 50);
}

}  // namespace balcora::ecf
