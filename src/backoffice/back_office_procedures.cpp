#include "backoffice/back_office_procedures.h"

#include "backoffice/pre_sale_updates.h"
#include "ui/screen_port.h"
#include "util/fixed_point_text.h"

namespace balcora::backoffice {

void provide_back_office_procedures(ui::ScreenPort& port) {
    port.provide("RETORNAPEDIDO", [](const ui::ScreenPort::Arguments& args) {
        if (args.empty()) return 0;
        return int(update_order_after_browse_cancellation(util::read_integer(args[0]).value));
    });
}

}  // namespace balcora::backoffice
