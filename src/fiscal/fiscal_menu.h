#pragma once

#include "ecf/maqecf_record.h"
#include "ui/screen_port.h"

#include <array>
#include <string>

namespace balcora::fiscal {

// "Menu Fiscal": one button per fiscal duty of the program. It holds a
// session with the printer from open() to close(); each button checks the
// printer where the duty asks for it and does nothing further when a check
// fails (the driver told why).
class FiscalMenu {
  public:
    static constexpr const char* kCaption = "Menu Fiscal";
    static constexpr std::size_t kLineWidth = 30;

    enum class Button {
        kLx,
        kLmf,
        kMfFile,
        kMfdFile,
        kCotepe,
        kSendReduction,
        kSendStock,
        kTestCommand,
        kRegisters,
        kIdentification,
        kProductionIndex,
        kConfiguration,
        kMfdMirror,
        kSalesByBuyer,
        kClose,
    };
    struct ButtonCaption {
        Button button;
        const char* caption;
    };
    // Every button in its order in the window.
    static const std::array<ButtonCaption, 15> kButtons;

    // Shows the printer in the display lines and opens the printer session.
    // False (after a message) when the checkout's printer is not configured:
    // the menu closes then.
    bool open();
    // Ends the printer session of the printer shown.
    void close();

    // Runs a button; false for "&Fechar", which ends the menu.
    bool press(Button button);

    const std::string& line1() const { return line1_; }
    const std::string& line2() const { return line2_; }

  private:
    void open_lmf();
    void open_cotepe();
    void open_mfd_mirror();
    void open_registers();
    void run_elsewhere(ui::Window window, const std::string& argument, const char* what);

    MaqecfRecord printer_;
    bool printer_found_ = false;
    std::string line1_;
    std::string line2_;
};

// Display line 1 of a printer: "Caixa: 001 - USB" or "Caixa: 001 - com1: ".
std::string printer_line1(const MaqecfRecord& printer);
// Display line 2: brand and model.
std::string printer_line2(const MaqecfRecord& printer);

}  // namespace balcora::fiscal

namespace balcora {

// The fiscal menu, modal, through the view the screen port provides.
void MENUFISCAL();

}  // namespace balcora
