#pragma once

#include "shell/external_command.h"

#include <string>
#include <string_view>
#include <vector>

namespace balcora::shell {

// One item of the main menu. `screen` is the procedure it runs through the
// screen port; an item whose procedure this build lacks is shown disabled
// with the reason, never pretending to work.
struct MenuEntry {
    std::string text;         // with its mnemonic: "&Configurações"
    std::string screen;       // procedure name; empty for a submenu
    std::string shortcut;     // "Esc", "F6" or empty
    bool own_window = false;  // opens beside the menu instead of over it
    bool shutdown_check_after = false;
    bool enabled = true;
    std::string disabled_reason;
    std::vector<MenuEntry> children;  // a submenu's items
};

struct Menu {
    std::string text;
    std::vector<MenuEntry> entries;
};

// Screens the menu opens that are no window of their own: the frame
// handles these itself.
inline constexpr std::string_view kExitScreen = "SAIR";
inline constexpr std::string_view kInvoiceScreen = "NFE";
inline constexpr std::string_view kQuickSaleScreen = "QUICKBALCORA";
inline constexpr std::string_view kNotYetAvailable =
    "Disponível em uma próxima versão do programa.";

// Whether the Quick Sale item belongs in the menu ("QuickSale" of "PAF-ECF" is 1).
bool quick_sale_in_menu();

// The menu bar in order, each item enabled when its procedure is available.
std::vector<Menu> build_main_menu(bool with_quick_sale);

// "&NFe": refused under the Simples Nacional edition, else the invoice
// program starts (a missing program is reported).
void run_invoice_program(CommandRunner& runner);

}  // namespace balcora::shell
