#pragma once

namespace balcora::ui {
class ScreenPort;
}

// The back-office procedures other subsystems call by name and that need no
// window: "RETORNAPEDIDO" (the order of a coupon the browse cancelled given
// back, with the coupon's id).
namespace balcora::backoffice {

void provide_back_office_procedures(ui::ScreenPort& port);

}  // namespace balcora::backoffice
