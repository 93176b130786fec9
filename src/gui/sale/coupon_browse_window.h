#pragma once

#include "sale/coupon_browse.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTableWidget;

namespace balcora {
struct CheckoutState;
}

namespace balcora::gui {

// "Cupom Fiscal": the coupons under three tabs with the situation and COO
// filters, and the buttons that start, consult or cancel a coupon.
class CouponBrowseWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CouponBrowseWindow(CheckoutState& checkout, QWidget* parent = nullptr);
    bool opened() const { return browse_.is_open(); }
    sale::CouponBrowse& browse() { return browse_; }
    // The coupon of the selected row, 0 without a selection.
    std::int64_t selected() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void reload();
    void new_coupon(bool invoice_registration);
    void consult();

    CheckoutState& checkout_;
    sale::CouponBrowse browse_;
    QTabBar* tabs_;
    QComboBox* situation_;
    QLineEdit* coo_;
    QTableWidget* table_;
    QLabel* note_;
    QPushButton* pre_sale_;
    QPushButton* spool_;
};

}  // namespace balcora::gui

namespace balcora {

// The coupon browse, modal over the active window; returns when it closes.
void BRWCFISCAL(CheckoutState& checkout);

}  // namespace balcora
