#include "backoffice/back_office_procedures.h"

#include "backoffice/pre_sale_updates.h"
#include "sale/coupon_procedures.h"
#include "ui/service_port.h"

namespace balcora::backoffice {

namespace {

class Orders : public sale::BackOfficeOrders {
  public:
    void return_order(std::int64_t id_cfiscal) override {
        update_order_after_browse_cancellation(id_cfiscal);
    }
};

}  // namespace

void provide_back_office_procedures(ui::ServicePort& services) {
    static Orders orders;
    services.provide<sale::BackOfficeOrders>(&orders);
}

}  // namespace balcora::backoffice
