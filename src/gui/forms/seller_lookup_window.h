#pragma once

#include "forms/seller_lookup.h"
#include "gui/forms/name_lookup_dialog.h"

namespace balcora::gui {

// "Vendedores": the coupon form's choice of a seller.
class SellerLookupWindow : public NameLookupDialog {
  public:
    explicit SellerLookupWindow(QWidget* parent);
    // False when the list could not be read (the error was shown).
    bool opened() const { return opened_; }

  protected:
    bool apply_filter(const std::string& text) override { return lookup_.set_filter(text); }
    std::vector<QStringList> rows() const override;
    std::string note() const override { return lookup_.note(); }
    std::optional<std::int32_t> choose(std::size_t index) const override {
        return lookup_.choose(index);
    }
    void remember() override { lookup_.close(); }

  private:
    forms::SellerLookup lookup_;
    bool opened_ = false;
};

}  // namespace balcora::gui
