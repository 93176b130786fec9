#pragma once

#include "forms/customer_lookup.h"
#include "gui/forms/filtered_lookup_window.h"

namespace balcora::gui {

// "Clientes": the coupon form's choice of a customer.
class CustomerLookupWindow : public FilteredLookupWindow<forms::CustomerLookup> {
  public:
    explicit CustomerLookupWindow(QWidget* parent);

  protected:
    std::vector<QStringList> rows() const override;
};

}  // namespace balcora::gui
