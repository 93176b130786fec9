#pragma once

#include "ecf/fiscal_printer.h"
#include "ecf/printer.h"
#include "globals/checkout_state.h"

#include <initializer_list>

namespace balcora::ecf {

// The printer behind the driver's single entry: each method is one command,
// its values laid out as the command takes them, and its results read from
// the status globals the driver writes during that command. The only code of
// the program that reads those globals, and the one that keeps the
// checkout's copy of those the driver shares with the program in step.
class DriverPrinter final : public Printer {
  public:
    explicit DriverPrinter(CheckoutState& checkout);

    bool open_port() override;
    bool close_port() override;
    bool check_sale_state() override;
    bool check_printer() override;
    bool read_printer_info() override;
    bool configure() override;
    bool program_link() override;
    bool program_payment_methods() override;
    bool program_tax_rates() override;

    std::optional<Counters> read_counters() override;
    std::optional<CouponState> read_coupon_state() override;
    std::optional<PrinterDateTime> read_date_time() override;
    std::optional<bool> read_z_pending() override;
    bool z_pending() const override;
    void forget_z_pending() override;
    bool summer_time() const override;

    bool open_day(util::Money supply) override;
    bool cash_movement(CashMovement kind, util::Money amount) override;
    bool toggle_summer_time() override;
    bool x_reading() override;
    bool z_reduction() override;
    bool record_reg60m() override;
    bool recover_reg60m(util::DayNumber start, util::DayNumber end) override;
    bool open_drawer() override;

    bool open_coupon(std::string_view cpf_cnpj) override;
    bool sell_item(const SaleItem& item) override;
    bool cancel_item(int number) override;
    bool start_closing(Adjustment kind, util::Money amount) override;
    bool payment(const Payment& p) override;
    bool identify_consumer(const Consumer& c) override;
    bool close_coupon(std::string_view message, std::optional<std::int64_t> invoice) override;
    bool cancel_coupon() override;
    bool cancel_current_coupon() override;
    bool cancel_open_document() override;
    bool recover_coupon() override;

    bool open_report() override;
    bool open_management_report() override;
    bool report_line(std::string_view text) override;
    bool close_report() override;
    bool open_credit_voucher(const CreditVoucher& v) override;
    bool voucher_line(std::string_view text) override;
    bool close_voucher() override;
    bool reverse_credit_voucher(const VoucherReversal& r) override;
    bool cancel_nonfiscal() override;
    bool register_document(Document kind, util::Money amount) override;
    bool cut_paper() override;
    bool enable_cutter() override;
    bool tef_mode_on() override;
    bool tef_mode_off() override;

    bool print_reading_by_date(util::DayNumber start, util::DayNumber end, Reading kind) override;
    bool print_reading_by_crz(std::int64_t first, std::int64_t last, Reading kind) override;
    bool reading_file_by_date(const std::filesystem::path& file, util::DayNumber start,
                              util::DayNumber end, Reading kind) override;
    bool reading_file_by_crz(const std::filesystem::path& file, std::int64_t first,
                             std::int64_t last, Reading kind) override;
    bool download_mf(const std::filesystem::path& file) override;
    bool download_mfd(const std::filesystem::path& file) override;
    bool cotepe_file_by_date(const std::filesystem::path& file, util::DayNumber start,
                             util::DayNumber end, int kind) override;
    bool cotepe_file_by_coo(const std::filesystem::path& file, std::int64_t first,
                            std::int64_t last, int kind) override;
    bool mfd_mirror_by_date(const std::filesystem::path& file, util::DayNumber start,
                            util::DayNumber end) override;
    bool mfd_mirror_by_coo(const std::filesystem::path& file, std::int64_t first,
                           std::int64_t last) override;

    bool list_departments() override;
    bool test_command() override;

  private:
    bool command(Command c, std::initializer_list<Param> params = {});
    bool command_laid_out(Command c, const std::optional<std::string>& p1,
                          std::optional<std::string_view> p2 = std::nullopt);

    CheckoutState& checkout_;
};

// The date and time the printer last read, as the driver left it: the
// document register, called back by the driver, stamps its rows with it.
std::string last_printer_date_time();

}  // namespace balcora::ecf
