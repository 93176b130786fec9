#include "ecf/printer_wrapper.h"

namespace balcora::ecf {

bool PrinterWrapper::open_port() {
    return pass(CMD_OPEN_PORT, [&] { return target_.open_port(); });
}

bool PrinterWrapper::close_port() {
    return pass(CMD_CLOSE_PORT, [&] { return target_.close_port(); });
}

bool PrinterWrapper::check_sale_state() {
    return pass(CMD_CHECK_SALE_STATE, [&] { return target_.check_sale_state(); });
}

bool PrinterWrapper::check_printer() {
    return pass(CMD_CHECK_PRINTER, [&] { return target_.check_printer(); });
}

bool PrinterWrapper::read_printer_info() {
    return pass(CMD_READ_PRINTER_INFO, [&] { return target_.read_printer_info(); });
}

bool PrinterWrapper::configure() {
    return pass(CMD_CONFIGURE_PRINTER, [&] { return target_.configure(); });
}

bool PrinterWrapper::program_link() {
    return pass(CMD_PROGRAM_LINK, [&] { return target_.program_link(); });
}

bool PrinterWrapper::program_payment_methods() {
    return pass(CMD_PROGRAM_PAYMENT_METHODS, [&] { return target_.program_payment_methods(); });
}

bool PrinterWrapper::program_tax_rates() {
    return pass(CMD_PROGRAM_TAX_RATES, [&] { return target_.program_tax_rates(); });
}

std::optional<Counters> PrinterWrapper::read_counters() {
    return pass(CMD_READ_COUNTERS, [&] { return target_.read_counters(); });
}

std::optional<CouponState> PrinterWrapper::read_coupon_state() {
    return pass(CMD_READ_COUPON_STATE, [&] { return target_.read_coupon_state(); });
}

std::optional<PrinterDateTime> PrinterWrapper::read_date_time() {
    return pass(CMD_READ_DATETIME, [&] { return target_.read_date_time(); });
}

std::optional<bool> PrinterWrapper::read_z_pending() {
    return pass(CMD_READ_Z_PENDING, [&] { return target_.read_z_pending(); });
}

bool PrinterWrapper::z_pending() const {
    return target_.z_pending();
}

void PrinterWrapper::forget_z_pending() {
    target_.forget_z_pending();
}

bool PrinterWrapper::summer_time() const {
    return target_.summer_time();
}

bool PrinterWrapper::open_day(util::Money supply) {
    return pass(CMD_OPEN_DAY, [&] { return target_.open_day(supply); });
}

bool PrinterWrapper::cash_movement(CashMovement kind, util::Money amount) {
    return pass(CMD_CASH_MOVEMENT, [&] { return target_.cash_movement(kind, amount); });
}

bool PrinterWrapper::toggle_summer_time() {
    return pass(CMD_TOGGLE_SUMMER_TIME, [&] { return target_.toggle_summer_time(); });
}

bool PrinterWrapper::x_reading() {
    return pass(CMD_X_READING, [&] { return target_.x_reading(); });
}

bool PrinterWrapper::z_reduction() {
    return pass(CMD_Z_REDUCTION, [&] { return target_.z_reduction(); });
}

bool PrinterWrapper::record_reg60m() {
    return pass(CMD_RECORD_REG60M, [&] { return target_.record_reg60m(); });
}

bool PrinterWrapper::recover_reg60m(util::DayNumber start, util::DayNumber end) {
    return pass(CMD_RECOVER_REG60M, [&] { return target_.recover_reg60m(start, end); });
}

bool PrinterWrapper::open_drawer() {
    return pass(CMD_OPEN_DRAWER, [&] { return target_.open_drawer(); });
}

bool PrinterWrapper::open_coupon(std::string_view cpf_cnpj) {
    return pass(CMD_OPEN_COUPON, [&] { return target_.open_coupon(cpf_cnpj); });
}

bool PrinterWrapper::sell_item(const SaleItem& item) {
    return pass(CMD_SELL_ITEM, [&] { return target_.sell_item(item); });
}

bool PrinterWrapper::cancel_item(int number) {
    return pass(CMD_CANCEL_ITEM, [&] { return target_.cancel_item(number); });
}

bool PrinterWrapper::start_closing(Adjustment kind, util::Money amount) {
    return pass(CMD_START_CLOSING, [&] { return target_.start_closing(kind, amount); });
}

bool PrinterWrapper::payment(const Payment& p) {
    return pass(CMD_PAYMENT, [&] { return target_.payment(p); });
}

bool PrinterWrapper::identify_consumer(const Consumer& c) {
    return pass(CMD_IDENTIFY_CONSUMER, [&] { return target_.identify_consumer(c); });
}

bool PrinterWrapper::close_coupon(std::string_view message, std::optional<std::int64_t> invoice) {
    return pass(CMD_CLOSE_COUPON, [&] { return target_.close_coupon(message, invoice); });
}

bool PrinterWrapper::cancel_coupon() {
    return pass(CMD_CANCEL_COUPON, [&] { return target_.cancel_coupon(); });
}

bool PrinterWrapper::cancel_current_coupon() {
    return pass(CMD_CANCEL_CURRENT_COUPON, [&] { return target_.cancel_current_coupon(); });
}

bool PrinterWrapper::cancel_open_document() {
    return pass(CMD_CANCEL_OPEN_DOCUMENT, [&] { return target_.cancel_open_document(); });
}

bool PrinterWrapper::recover_coupon() {
    return pass(CMD_RECOVER_COUPON, [&] { return target_.recover_coupon(); });
}

bool PrinterWrapper::open_report() {
    return pass(CMD_OPEN_REPORT, [&] { return target_.open_report(); });
}

bool PrinterWrapper::open_management_report() {
    return pass(CMD_OPEN_REPORT, [&] { return target_.open_management_report(); });
}

bool PrinterWrapper::report_line(std::string_view text) {
    return pass(CMD_REPORT_LINE, [&] { return target_.report_line(text); });
}

bool PrinterWrapper::close_report() {
    return pass(CMD_CLOSE_REPORT, [&] { return target_.close_report(); });
}

bool PrinterWrapper::open_credit_voucher(const CreditVoucher& v) {
    return pass(CMD_OPEN_CREDIT_VOUCHER, [&] { return target_.open_credit_voucher(v); });
}

bool PrinterWrapper::voucher_line(std::string_view text) {
    return pass(CMD_VOUCHER_LINE, [&] { return target_.voucher_line(text); });
}

bool PrinterWrapper::close_voucher() {
    return pass(CMD_CLOSE_VOUCHER, [&] { return target_.close_voucher(); });
}

bool PrinterWrapper::reverse_credit_voucher(const VoucherReversal& r) {
    return pass(CMD_REVERSE_CREDIT_VOUCHER, [&] { return target_.reverse_credit_voucher(r); });
}

bool PrinterWrapper::cancel_nonfiscal() {
    return pass(CMD_CANCEL_NONFISCAL, [&] { return target_.cancel_nonfiscal(); });
}

bool PrinterWrapper::register_document(Document kind, util::Money amount) {
    return pass(CMD_REGISTER_DOCUMENT, [&] { return target_.register_document(kind, amount); });
}

bool PrinterWrapper::cut_paper() {
    return pass(CMD_CUT_PAPER, [&] { return target_.cut_paper(); });
}

bool PrinterWrapper::enable_cutter() {
    return pass(CMD_ENABLE_CUTTER, [&] { return target_.enable_cutter(); });
}

bool PrinterWrapper::tef_mode_on() {
    return pass(CMD_TEF_MODE_ON, [&] { return target_.tef_mode_on(); });
}

bool PrinterWrapper::tef_mode_off() {
    return pass(CMD_TEF_MODE_OFF, [&] { return target_.tef_mode_off(); });
}

bool PrinterWrapper::print_reading_by_date(util::DayNumber start, util::DayNumber end,
                                           Reading kind) {
    return pass(CMD_LMF_PRINT_BY_DATE,
                [&] { return target_.print_reading_by_date(start, end, kind); });
}

bool PrinterWrapper::print_reading_by_crz(std::int64_t first, std::int64_t last, Reading kind) {
    return pass(CMD_LMF_PRINT_BY_CRZ,
                [&] { return target_.print_reading_by_crz(first, last, kind); });
}

bool PrinterWrapper::reading_file_by_date(const std::filesystem::path& file, util::DayNumber start,
                                          util::DayNumber end, Reading kind) {
    return pass(CMD_LMF_FILE_BY_DATE,
                [&] { return target_.reading_file_by_date(file, start, end, kind); });
}

bool PrinterWrapper::reading_file_by_crz(const std::filesystem::path& file, std::int64_t first,
                                         std::int64_t last, Reading kind) {
    return pass(CMD_LMF_FILE_BY_CRZ,
                [&] { return target_.reading_file_by_crz(file, first, last, kind); });
}

bool PrinterWrapper::download_mf(const std::filesystem::path& file) {
    return pass(CMD_DOWNLOAD_MF, [&] { return target_.download_mf(file); });
}

bool PrinterWrapper::download_mfd(const std::filesystem::path& file) {
    return pass(CMD_DOWNLOAD_MFD, [&] { return target_.download_mfd(file); });
}

bool PrinterWrapper::cotepe_file_by_date(const std::filesystem::path& file, util::DayNumber start,
                                         util::DayNumber end, int kind) {
    return pass(CMD_COTEPE_FILE_BY_DATE,
                [&] { return target_.cotepe_file_by_date(file, start, end, kind); });
}

bool PrinterWrapper::cotepe_file_by_coo(const std::filesystem::path& file, std::int64_t first,
                                        std::int64_t last, int kind) {
    return pass(CMD_COTEPE_FILE_BY_COO,
                [&] { return target_.cotepe_file_by_coo(file, first, last, kind); });
}

bool PrinterWrapper::mfd_mirror_by_date(const std::filesystem::path& file, util::DayNumber start,
                                        util::DayNumber end) {
    return pass(CMD_MFD_MIRROR_BY_DATE,
                [&] { return target_.mfd_mirror_by_date(file, start, end); });
}

bool PrinterWrapper::mfd_mirror_by_coo(const std::filesystem::path& file, std::int64_t first,
                                       std::int64_t last) {
    return pass(CMD_MFD_MIRROR_BY_COO,
                [&] { return target_.mfd_mirror_by_coo(file, first, last); });
}

bool PrinterWrapper::list_departments() {
    return pass(CMD_LIST_DEPARTMENTS, [&] { return target_.list_departments(); });
}

bool PrinterWrapper::test_command() {
    return pass(CMD_TEST, [&] { return target_.test_command(); });
}
}  // namespace balcora::ecf
