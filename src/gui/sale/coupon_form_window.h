#pragma once

#include "sale/coupon_form.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace balcora {
struct CheckoutState;
}

namespace balcora::gui {

// "Form cfiscal": header, customer and seller, the item list, the entry line
// and the invoice fields of one coupon. Enter moves to the next field; the
// keypad's decimal key types a comma.
class CouponFormWindow : public QDialog {
    Q_OBJECT
  public:
    CouponFormWindow(CheckoutState& checkout, const sale::CouponFormStart& start,
                     QWidget* parent = nullptr);
    ~CouponFormWindow() override;
    bool opened() const { return opened_; }
    sale::CouponFormScreen& form() { return form_; }

    // The field of that object name (tests and the focus order).
    QLineEdit* field(const char* name) const;

  public slots:
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* add_field(const char* name, int chars, bool editable);
    template <class R>
    void bind(QLineEdit* field, std::string* target, R (sale::CouponFormScreen::*handler)());
    void run(const std::function<void()>& work);
    void take();
    void show_form();
    void show_items();
    void confirm_item();
    void cancel_item();
    void finalize();
    std::optional<int> selected_item() const;

    sale::CouponFormScreen form_;
    bool opened_ = false;
    bool busy_ = false;
    std::vector<std::pair<QLineEdit*, std::string*>> bound_;
    QTableWidget* items_;
    QLabel* total_;
    QCheckBox* confirm_auto_;
    QPushButton* cancel_item_;
    QPushButton* confirm_;
    QPushButton* finalize_;
};

// Opens the form modally over `parent`; returns when it closes.
void open_coupon_form(CheckoutState& checkout, const sale::CouponFormStart& start, QWidget* parent);

}  // namespace balcora::gui
