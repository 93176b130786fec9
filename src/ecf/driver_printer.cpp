#include "ecf/driver_printer.h"

#include "ecf/printer.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "util/text.h"

namespace balcora::ecf {

DriverPrinter::DriverPrinter(CheckoutState& checkout) : checkout_(checkout) {}

bool DriverPrinter::command(Command c, std::initializer_list<Param> params) {
    // The driver's exported globals show the checkout's payment flag while a
    // command runs.
    glo::fp_iniciada = checkout_.fp_iniciada;
    return send(c, params);
}

bool DriverPrinter::command_laid_out(Command c, const std::optional<std::string>& p1,
                                     std::optional<std::string_view> p2) {
    // A value the layout could not lay out never reaches the printer: it
    // fails as the printer's refusal would.
    if (!p1) return false;
    return p2 ? command(c, {*p1, *p2}) : command(c, {*p1});
}

bool DriverPrinter::open_port() {
    return command(CMD_OPEN_PORT);
}
bool DriverPrinter::close_port() {
    return command(CMD_CLOSE_PORT);
}
bool DriverPrinter::check_sale_state() {
    return command(CMD_CHECK_SALE_STATE);
}
bool DriverPrinter::check_printer() {
    return command(CMD_CHECK_PRINTER);
}
bool DriverPrinter::read_printer_info() {
    return command(CMD_READ_PRINTER_INFO);
}
bool DriverPrinter::configure() {
    return command(CMD_CONFIGURE_PRINTER);
}
bool DriverPrinter::program_link() {
    return command(CMD_PROGRAM_LINK);
}
bool DriverPrinter::program_payment_methods() {
    return command(CMD_PROGRAM_PAYMENT_METHODS);
}
bool DriverPrinter::program_tax_rates() {
    return command(CMD_PROGRAM_TAX_RATES);
}

std::optional<Counters> DriverPrinter::read_counters() {
    if (!command(CMD_READ_COUNTERS)) return std::nullopt;
    return Counters{::n_coo, ::n_ccf, ::n_cro};
}

std::optional<CouponState> DriverPrinter::read_coupon_state() {
    if (!command(CMD_READ_COUPON_STATE)) return std::nullopt;
    return CouponState{glo::cf_aberto != 0, glo::cf_permcanc != 0};
}

std::optional<PrinterDateTime> DriverPrinter::read_date_time() {
    if (!command(CMD_READ_DATETIME)) return std::nullopt;
    return PrinterDateTime{glo::datahora_ecf};
}

std::optional<bool> DriverPrinter::read_z_pending() {
    if (!command(CMD_READ_Z_PENDING)) return std::nullopt;
    return glo::rz_pendente != 0;
}

bool DriverPrinter::z_pending() const {
    return glo::rz_pendente != 0;
}

void DriverPrinter::forget_z_pending() {
    glo::rz_pendente = 0;
}

bool DriverPrinter::summer_time() const {
    return glo::hr_ativo != 0;
}

bool DriverPrinter::open_day(util::Money supply) {
    return command_laid_out(CMD_OPEN_DAY, opening_supply(supply));
}
bool DriverPrinter::cash_movement(CashMovement kind, util::Money amount) {
    return command_laid_out(CMD_CASH_MOVEMENT, ecf::cash_movement(kind, amount));
}
bool DriverPrinter::toggle_summer_time() {
    return command(CMD_TOGGLE_SUMMER_TIME);
}
bool DriverPrinter::x_reading() {
    return command(CMD_X_READING);
}
bool DriverPrinter::z_reduction() {
    return command(CMD_Z_REDUCTION);
}
bool DriverPrinter::record_reg60m() {
    return command(CMD_RECORD_REG60M);
}
bool DriverPrinter::recover_reg60m(util::DayNumber start, util::DayNumber end) {
    return command_laid_out(CMD_RECOVER_REG60M, date_range(start, end));
}
bool DriverPrinter::open_drawer() {
    return command(CMD_OPEN_DRAWER);
}

bool DriverPrinter::open_coupon(std::string_view cpf_cnpj) {
    return command(CMD_OPEN_COUPON, {consumer_document(cpf_cnpj)});
}

bool DriverPrinter::sell_item(const SaleItem& item) {
    const auto record = item_record(item.record);
    if (!record) return false;
    return command(CMD_SELL_ITEM,
                   {*record, plain_amount(item.surcharge), item.rounding, item_code(item.code)});
}

bool DriverPrinter::cancel_item(int number) {
    return command(CMD_CANCEL_ITEM, {std::to_string(number)});
}

bool DriverPrinter::start_closing(Adjustment kind, util::Money amount) {
    return command_laid_out(CMD_START_CLOSING, ecf::start_closing(kind, amount));
}

bool DriverPrinter::payment(const Payment& p) {
    const auto p1 = ecf::payment(p.method, p.amount, p.text);
    if (!p.terms) return command_laid_out(CMD_PAYMENT, p1);
    return command_laid_out(CMD_PAYMENT, p1, payment_terms(*p.terms));
}

bool DriverPrinter::identify_consumer(const Consumer& c) {
    return command(CMD_IDENTIFY_CONSUMER,
                   {consumer_identification(c.name, c.address, c.cpf_cnpj, c.company)});
}

bool DriverPrinter::close_coupon(std::string_view message, std::optional<std::int64_t> invoice) {
    const std::string footer = coupon_footer(message);
    if (!invoice) return command(CMD_CLOSE_COUPON, {footer});
    // An invoice number wider than the field cannot be linked on the coupon;
    // the coupon is still closed, unlinked.
    return command(CMD_CLOSE_COUPON,
                   {footer, coupon_invoice_number(*invoice).value_or(std::string(6, ' '))});
}

bool DriverPrinter::cancel_coupon() {
    return command(CMD_CANCEL_COUPON);
}
bool DriverPrinter::cancel_current_coupon() {
    return command(CMD_CANCEL_CURRENT_COUPON);
}
bool DriverPrinter::cancel_open_document() {
    return command(CMD_CANCEL_OPEN_DOCUMENT);
}
bool DriverPrinter::recover_coupon() {
    return command(CMD_RECOVER_COUPON);
}

bool DriverPrinter::open_report() {
    return command(CMD_OPEN_REPORT);
}
bool DriverPrinter::open_management_report() {
    return command(CMD_OPEN_REPORT, {"RG"});
}
bool DriverPrinter::report_line(std::string_view text) {
    return command(CMD_REPORT_LINE, {text});
}
bool DriverPrinter::close_report() {
    return command(CMD_CLOSE_REPORT);
}

bool DriverPrinter::open_credit_voucher(const CreditVoucher& v) {
    return command(CMD_OPEN_CREDIT_VOUCHER, {v.method, plain_amount(v.amount),
                                             std::to_string(v.coo), std::to_string(v.instalments)});
}
bool DriverPrinter::voucher_line(std::string_view text) {
    return command(CMD_VOUCHER_LINE, {text});
}
bool DriverPrinter::close_voucher() {
    return command(CMD_CLOSE_VOUCHER);
}

bool DriverPrinter::reverse_credit_voucher(const VoucherReversal& r) {
    return command(CMD_REVERSE_CREDIT_VOUCHER,
                   {voucher_consumer_document(r.cpf_cnpj), voucher_consumer_name(r.name),
                    voucher_consumer_address(r.address), util::zero_filled(r.coo, 6)});
}

bool DriverPrinter::cancel_nonfiscal() {
    return command(CMD_CANCEL_NONFISCAL);
}

bool DriverPrinter::register_document(Document kind, util::Money amount) {
    return command(CMD_REGISTER_DOCUMENT,
                   {kind == Document::kCreditVoucher ? "CC" : "RG", document_amount(amount)});
}

bool DriverPrinter::cut_paper() {
    return command(CMD_CUT_PAPER);
}
bool DriverPrinter::enable_cutter() {
    return command(CMD_ENABLE_CUTTER);
}
bool DriverPrinter::tef_mode_on() {
    return command(CMD_TEF_MODE_ON);
}
bool DriverPrinter::tef_mode_off() {
    return command(CMD_TEF_MODE_OFF);
}

bool DriverPrinter::print_reading_by_date(util::DayNumber start, util::DayNumber end,
                                          Reading kind) {
    return command_laid_out(CMD_LMF_PRINT_BY_DATE, reading_by_date(start, end, kind));
}
bool DriverPrinter::print_reading_by_crz(std::int64_t first, std::int64_t last, Reading kind) {
    return command_laid_out(CMD_LMF_PRINT_BY_CRZ, reading_by_crz(first, last, kind));
}
bool DriverPrinter::reading_file_by_date(const std::filesystem::path& file, util::DayNumber start,
                                         util::DayNumber end, Reading kind) {
    return command_laid_out(CMD_LMF_FILE_BY_DATE,
                            ecf::reading_file_by_date(file, start, end, kind));
}
bool DriverPrinter::reading_file_by_crz(const std::filesystem::path& file, std::int64_t first,
                                        std::int64_t last, Reading kind) {
    return command_laid_out(CMD_LMF_FILE_BY_CRZ, ecf::reading_file_by_crz(file, first, last, kind));
}
bool DriverPrinter::download_mf(const std::filesystem::path& file) {
    return command_laid_out(CMD_DOWNLOAD_MF, path_field(file));
}
bool DriverPrinter::download_mfd(const std::filesystem::path& file) {
    return command_laid_out(CMD_DOWNLOAD_MFD, whole_tape_download(file));
}
bool DriverPrinter::cotepe_file_by_date(const std::filesystem::path& file, util::DayNumber start,
                                        util::DayNumber end, int kind) {
    return command_laid_out(CMD_COTEPE_FILE_BY_DATE, file_by_date(file, start, end),
                            std::to_string(kind));
}
bool DriverPrinter::cotepe_file_by_coo(const std::filesystem::path& file, std::int64_t first,
                                       std::int64_t last, int kind) {
    return command_laid_out(CMD_COTEPE_FILE_BY_COO, ecf::cotepe_file_by_coo(file, first, last),
                            std::to_string(kind));
}
bool DriverPrinter::mfd_mirror_by_date(const std::filesystem::path& file, util::DayNumber start,
                                       util::DayNumber end) {
    return command_laid_out(CMD_MFD_MIRROR_BY_DATE, file_by_date(file, start, end));
}
bool DriverPrinter::mfd_mirror_by_coo(const std::filesystem::path& file, std::int64_t first,
                                      std::int64_t last) {
    return command_laid_out(CMD_MFD_MIRROR_BY_COO, mirror_file_by_coo(file, first, last));
}

bool DriverPrinter::list_departments() {
    return command(CMD_LIST_DEPARTMENTS);
}
bool DriverPrinter::test_command() {
    return command(CMD_TEST);
}

std::string last_printer_date_time() {
    return glo::datahora_ecf;
}

}  // namespace balcora::ecf
