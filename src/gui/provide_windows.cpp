#include "gui/provide_windows.h"

#include "backoffice/back_office_procedures.h"
#include "backup/backup.h"
#include "globals/checkout_state.h"
#include "gui/access/access_entry.h"
#include "gui/backoffice/backoffice_windows.h"
#include "gui/backoffice/pre_sale_window.h"
#include "gui/backoffice/print_spool_window.h"
#include "gui/backoffice/stock_export_window.h"
#include "gui/blocox/blocox_windows.h"
#include "gui/blocox/transmission_windows.h"
#include "gui/db/database_settings_window.h"
#include "gui/ecf/printer_functions_window.h"
#include "gui/ecf/tape_window.h"
#include "gui/fiscal/buyer_sales_window.h"
#include "gui/fiscal/fiscal_menu_dialog.h"
#include "gui/forms/lookup_entry.h"
#include "gui/forms/people_entry.h"
#include "gui/forms/printer_registration_entry.h"
#include "gui/reports/sales_report_window.h"
#include "gui/sale/payment_forms_window.h"
#include "gui/sale/quick_sale_window.h"
#include "gui/shell/backup_window.h"
#include "gui/shell/settings_window.h"
#include "gui/tef/tef_message_dialog.h"
#include "shell/startup.h"
#include "tef/card_manager.h"
#include "tef/funcao_tef.h"

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

void provide_windows(ui::ScreenPort& port, ui::ServicePort& services, CheckoutState& checkout) {
    provide_database_windows(port);
    provide_access_views(port);
    provide_sale_windows(port, checkout);
    provide_cash_day_windows(port, checkout);
    provide_tef_views(port);
    backoffice::provide_back_office_procedures(services);
    provide_pre_sale_window(port, checkout);
    provide_print_spool_window(port);
    provide_stock_export_window(port);
    shell::provide_startup_steps(services);
    shell::provide_backup(port);
    provide_backup_window(port);
    tef::provide_card_functions(port);
    tef::provide_card_manager(services);
    provide_transmission_windows(port);
}

void provide_frame_windows(ui::ScreenPort& port, QWidget* frame) {
    provide_window(port, "CONFIGURACAO", [] { CONFIGURACAO(); });
    provide_window(port, "CADASTROUSUARIOS", [frame] { open_operator_maintenance(frame); });
    provide_window(port, "TROCASENHA", [frame] { open_change_password(frame); });
    provide_window(port, "CONSULTAPRODUTO", [frame] { open_product_query(frame); });
    provide_window(port, "BROWSEMAQECF", [frame] { open_printer_registration(frame); });
    provide_window(port, "BROWSECLIENTES", [frame] { open_customer_browse(frame); });
    provide_window(port, "CONSULTAVENDEDOR", [frame] { open_seller_browse(frame); });
    provide_window(port, "BOBINA", [frame] { open_tape_window(frame); });
    provide_window(port, "FORMAPAGAMENTO", [] { VALIDAFORMAPAGAMENTO(); });
    provide_window(port, "RELCFISCAL", [frame] { open_sales_report(frame); });
    provide_buyer_sales_window(port, frame);
    provide_backoffice_windows(port, frame);
    provide_fiscal_windows(port);
    provide_blocox_windows(port, frame);
    provide_reg60m_browse(port, frame);
}

}  // namespace balcora::gui
