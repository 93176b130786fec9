#include "gui/provide_windows.h"

#include "gui/access/access_entry.h"
#include "gui/backoffice/backoffice_windows.h"
#include "gui/db/database_settings_window.h"
#include "gui/ecf/printer_functions_window.h"
#include "gui/ecf/tape_window.h"
#include "gui/fiscal/buyer_sales_window.h"
#include "gui/fiscal/fiscal_menu_dialog.h"
#include "gui/forms/lookup_entry.h"
#include "gui/forms/printer_registration_entry.h"
#include "gui/sale/payment_forms_window.h"
#include "gui/sale/quick_sale_window.h"
#include "gui/shell/settings_window.h"
#include "sale/coupon_cancellation.h"
#include "shell/startup.h"

#include <utility>

namespace balcora::gui {

namespace {

// A window of the menu: it answers nothing but that it ran.
void provide_window(ui::ScreenPort& port, std::string name, std::function<void()> open) {
    port.provide(std::move(name), [open = std::move(open)](const ui::ScreenPort::Arguments&) {
        open();
        return 0;
    });
}

}  // namespace

void provide_windows(ui::ScreenPort& port) {
    provide_database_windows(port);
    provide_access_views(port);
    provide_sale_windows(port);
    provide_cash_day_windows(port);
    sale::provide_coupon_cancellation(port);
    shell::provide_startup_steps(port);
}

void provide_frame_windows(ui::ScreenPort& port, QWidget* frame) {
    provide_window(port, "CONFIGURACAO", [] { CONFIGURACAO(); });
    provide_window(port, "CADASTROUSUARIOS", [frame] { open_operator_maintenance(frame); });
    provide_window(port, "TROCASENHA", [frame] { open_change_password(frame); });
    provide_window(port, "CONSULTAPRODUTO", [frame] { open_product_query(frame); });
    // The seller list of the menu is the coupon form's, browsed without a choice.
    provide_window(port, "CONSULTAVENDEDOR", [frame] { choose_seller(frame); });
    provide_window(port, "BROWSEMAQECF", [frame] { open_printer_registration(frame); });
    provide_window(port, "BOBINA", [frame] { open_tape_window(frame); });
    provide_window(port, "FORMAPAGAMENTO", [] { VALIDAFORMAPAGAMENTO(); });
    provide_buyer_sales_window(port, frame);
    provide_backoffice_windows(port, frame);
    provide_fiscal_windows(port);
}

}  // namespace balcora::gui
