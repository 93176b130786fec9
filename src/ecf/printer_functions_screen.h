#pragma once

#include "ecf/cash_day_services.h"
#include "ecf/maqecf_record.h"

#include <string>
#include <string_view>
#include <vector>

// "Funções Impressora Fiscal - ECF" (FUNCOESMAQECF): the cash day and the
// printer's own functions. The sale screens call it with "AbreCaixa" or
// "FechaCaixa" to run one of them without the window.
namespace balcora {
struct CheckoutState;
}

namespace balcora::ecf {

class PrinterFunctionsScreen {
  public:
    static constexpr const char* kTitle = "Funções Impressora Fiscal - ECF";

    enum class Control {
        kRecoverCoupon,
        kOpenDay,
        kCashMovement,
        kCloseDay,
        kXReading,
        kSummerTime,
        kCancelCurrentCoupon,
        kCancelNonFiscal,
        kEnableCutter,
        kListDepartments,
        kRecoverReg60m,
        kProgramTaxRates,
        kTest,
        kProgramLink,
        kLog,
        kClose,
    };
    struct ControlText {
        Control control;
        std::string_view caption;
        std::string_view hint;
        bool hidden;  // shown only after Ctrl+A
    };
    // Every control in the window's order.
    static const std::vector<ControlText>& controls();

    PrinterFunctionsScreen(CheckoutState& checkout, CashDayServices services);
    ~PrinterFunctionsScreen();
    PrinterFunctionsScreen(const PrinterFunctionsScreen&) = delete;
    PrinterFunctionsScreen& operator=(const PrinterFunctionsScreen&) = delete;

    // The opening checks that both ways of calling share; false when the
    // procedure ends here (the reason was shown). `window` adds the check of
    // the exclusive window flag.
    bool check(bool window);
    // The window opening proper: the printer port and gates, the flag, the
    // monthly file and the recovery of an unfinished closing.
    void open();
    // "AbreCaixa" or "FechaCaixa" without the window (after check(false));
    // 1 when it was done.
    int run_parameter(std::string_view parameter);
    // Releases the port and the flag (the destructor does it too).
    void close();
    bool is_open() const { return open_; }

    // Ctrl+A: the hidden controls stay visible until the window closes.
    void reveal_hidden() { revealed_ = true; }
    bool visible(Control c) const;
    bool enabled(Control c) const;
    void act(Control c);
    // "Horário de Verão": stores the new value and tells when it applies.
    void set_summer_time(bool on);
    bool summer_time() const { return printer_.horario_verao != 0; }

    // ---- status fields -----------------------------------------------------
    std::string point_of_sale_text() const;
    std::string brand() const { return printer_.marca; }
    std::string summer_time_status() const;  // "Ativo" / "Inativo"
    const std::string& status_line() const { return status_; }
    const MaqecfRecord& printer() const { return printer_; }

  private:
    void refresh();
    void refresh_status();
    bool day_open() const;

    CheckoutState& checkout_;
    CashDayServices services_;
    MaqecfRecord printer_;
    std::string status_;
    bool open_ = false;
    bool revealed_ = false;
};

}  // namespace balcora::ecf

namespace balcora {

// The procedure: "" opens the window; "AbreCaixa" / "FechaCaixa" run that
// function and return (the calling sale screen keeps its port and flag);
// anything else is refused. 1 when the function was done.
int FUNCOESMAQECF(CheckoutState& checkout, std::string_view parameter,
                  const ecf::CashDayServices& services);

}  // namespace balcora
