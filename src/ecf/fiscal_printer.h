#pragma once

#include "ecf/printer_layouts.h"
#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The fiscal printer as the program sees it: one method per operation, values
// in and values out. A false result or an empty optional means the printer did
// not do it; the driver has already told the operator why, and the caller only
// words what its own screen adds. A value the printer's field cannot hold is
// refused without reaching the printer, as a failure.
namespace balcora::ecf {

// The printer's counters of documents (COO), fiscal coupons (CCF) and
// restarts (CRO).
struct Counters {
    std::int32_t coo = 0;
    std::int32_t ccf = 0;
    std::int32_t cro = 0;
};

// Whether a fiscal coupon is open on the printer, and whether the printer
// still allows cancelling it (the open one, or else the last one).
struct CouponState {
    bool open = false;
    bool may_cancel = false;
};

// The printer's clock as it reads it: "ddmmyyhhmmss".
struct PrinterDateTime {
    std::string ddmmyyhhmmss;
};

// An item for the open coupon: the record the layout renders, the surcharge
// (0 at registration), the product's rounding/truncation indicator and its
// code as printed.
struct SaleItem {
    ItemRecordFields record;
    util::Money surcharge;
    std::string_view rounding;
    std::string_view code;
};

// A payment of the coupon being closed; `terms` only for a pre-sale on credit.
struct Payment {
    std::string_view method;
    util::Money amount;
    std::string_view text;
    std::optional<std::string_view> terms;
};

// The customer named on the coupon before it closes.
struct Consumer {
    std::string_view name;
    std::string_view address;
    std::string_view cpf_cnpj;
    std::optional<bool> company;  // unknown: a 14-digit document is a CNPJ
};

// A credit or debit voucher linked to a coupon.
struct CreditVoucher {
    std::string_view method;
    util::Money amount;
    std::int64_t coo = 0;
    int instalments = 1;
};

// The voucher reversed before its coupon is cancelled.
struct VoucherReversal {
    std::string_view cpf_cnpj;  // "000.000.000-00" is sent when blank
    std::string_view name;
    std::string_view address;
    std::int64_t coo = 0;
};

// The non-fiscal documents the register keeps.
enum class Document { kManagementReport, kCreditVoucher };

class Printer {
  public:
    virtual ~Printer() = default;

    // Connection and gates: a gate that fails ends the operation silently.
    virtual bool open_port() = 0;
    virtual bool close_port() = 0;
    virtual bool check_sale_state() = 0;
    virtual bool check_printer() = 0;
    virtual bool read_printer_info() = 0;
    virtual bool configure() = 0;
    virtual bool program_link() = 0;
    virtual bool program_payment_methods() = 0;
    virtual bool program_tax_rates() = 0;

    // Readings.
    virtual std::optional<Counters> read_counters() = 0;
    virtual std::optional<CouponState> read_coupon_state() = 0;
    virtual std::optional<PrinterDateTime> read_date_time() = 0;
    // Asks the printer whether a Z reduction of an earlier day is pending.
    virtual std::optional<bool> read_z_pending() = 0;
    // What the printer last said about a pending reduction, until the
    // program forgets it after a reduction.
    virtual bool z_pending() const = 0;
    virtual void forget_z_pending() = 0;
    // Whether the printer's clock is in summer time.
    virtual bool summer_time() const = 0;

    // The cash day.
    virtual bool open_day(util::Money supply) = 0;
    virtual bool cash_movement(CashMovement kind, util::Money amount) = 0;
    virtual bool toggle_summer_time() = 0;
    virtual bool x_reading() = 0;
    virtual bool z_reduction() = 0;
    virtual bool record_reg60m() = 0;
    virtual bool recover_reg60m(util::DayNumber start, util::DayNumber end) = 0;
    virtual bool open_drawer() = 0;

    // The fiscal coupon.
    virtual bool open_coupon(std::string_view cpf_cnpj) = 0;
    virtual bool sell_item(const SaleItem& item) = 0;
    virtual bool cancel_item(int number) = 0;
    virtual bool start_closing(Adjustment kind, util::Money amount) = 0;
    virtual bool payment(const Payment& p) = 0;
    virtual bool identify_consumer(const Consumer& c) = 0;
    // `invoice` only from the coupon screen (0 goes blank).
    virtual bool close_coupon(std::string_view message, std::optional<std::int64_t> invoice) = 0;
    // The open coupon or, when none is open, the last one.
    virtual bool cancel_coupon() = 0;
    virtual bool cancel_current_coupon() = 0;
    virtual bool cancel_open_document() = 0;
    virtual bool recover_coupon() = 0;

    // Non-fiscal documents. Lines are sent as given (callers end them with
    // CR LF).
    virtual bool open_report() = 0;             // with no kind given
    virtual bool open_management_report() = 0;  // "RG"
    virtual bool report_line(std::string_view text) = 0;
    virtual bool close_report() = 0;
    virtual bool open_credit_voucher(const CreditVoucher& v) = 0;
    virtual bool voucher_line(std::string_view text) = 0;
    virtual bool close_voucher() = 0;
    virtual bool reverse_credit_voucher(const VoucherReversal& r) = 0;
    virtual bool cancel_nonfiscal() = 0;
    virtual bool register_document(Document kind, util::Money amount) = 0;
    virtual bool cut_paper() = 0;
    virtual bool enable_cutter() = 0;
    virtual bool tef_mode_on() = 0;
    virtual bool tef_mode_off() = 0;

    // Fiscal memory and tape memory, printed or written to files.
    virtual bool print_reading_by_date(util::DayNumber start, util::DayNumber end,
                                       Reading kind) = 0;
    virtual bool print_reading_by_crz(std::int64_t first, std::int64_t last, Reading kind) = 0;
    virtual bool reading_file_by_date(const std::filesystem::path& file, util::DayNumber start,
                                      util::DayNumber end, Reading kind) = 0;
    virtual bool reading_file_by_crz(const std::filesystem::path& file, std::int64_t first,
                                     std::int64_t last, Reading kind) = 0;
    virtual bool download_mf(const std::filesystem::path& file) = 0;
    virtual bool download_mfd(const std::filesystem::path& file) = 0;
    // `kind` is the file kind the printer is told (2 when sent automatically).
    virtual bool cotepe_file_by_date(const std::filesystem::path& file, util::DayNumber start,
                                     util::DayNumber end, int kind) = 0;
    virtual bool cotepe_file_by_coo(const std::filesystem::path& file, std::int64_t first,
                                    std::int64_t last, int kind) = 0;
    virtual bool mfd_mirror_by_date(const std::filesystem::path& file, util::DayNumber start,
                                    util::DayNumber end) = 0;
    virtual bool mfd_mirror_by_coo(const std::filesystem::path& file, std::int64_t first,
                                   std::int64_t last) = 0;

    // Service buttons.
    virtual bool list_departments() = 0;
    virtual bool test_command() = 0;
};

// The printer of the process: the one installed at start-up (or by a test),
// else the adapter over the configured driver.
Printer& printer();

// Installs a printer for the life of the object and puts the previous one
// back after (start-up, tests that wrap the printer).
class UsePrinter {
  public:
    explicit UsePrinter(Printer& p);
    ~UsePrinter();
    UsePrinter(const UsePrinter&) = delete;
    UsePrinter& operator=(const UsePrinter&) = delete;

  private:
    Printer* previous_;
};

}  // namespace balcora::ecf
