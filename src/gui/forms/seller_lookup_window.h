#pragma once

#include "forms/seller_lookup.h"
#include "gui/forms/filtered_lookup_window.h"

namespace balcora::gui {

// "Vendedores": the coupon form's choice of a seller.
class SellerLookupWindow : public FilteredLookupWindow<forms::SellerLookup> {
  public:
    explicit SellerLookupWindow(QWidget* parent);

  protected:
    std::vector<QStringList> rows() const override;
};

}  // namespace balcora::gui
