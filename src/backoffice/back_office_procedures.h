#pragma once

namespace balcora::ui {
class ServicePort;
}

// The back office's services to the sale that need no window: the order of a
// coupon the browse cancelled given back (sale::BackOfficeOrders).
namespace balcora::backoffice {

void provide_back_office_procedures(ui::ServicePort& services);

}  // namespace balcora::backoffice
