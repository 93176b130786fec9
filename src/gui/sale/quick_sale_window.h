#pragma once

#include "sale/quick_sale_screen.h"
#include "ui/screen_port.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;

namespace balcora {
struct CheckoutState;
}

namespace balcora::gui {

// The Quick Sale view: a full-screen checkout with the tape on the left, the
// product and the coupon's total in large type on the right, the code and
// quantity fields below, and the keys it answers to along the bottom. Every
// key the fields do not type goes to the controller's key table.
class QuickSaleWindow : public QWidget {
    Q_OBJECT
  public:
    explicit QuickSaleWindow(CheckoutState& checkout, QWidget* parent = nullptr);
    ~QuickSaleWindow() override;

    // Whether the opening checks passed (otherwise the window must not show).
    bool opened() const { return opened_; }
    sale::QuickSaleScreen& screen() { return screen_; }
    // The timer's work, also for tests that do not wait for it.
    void tick();

  signals:
    void finished();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* build_header();
    QWidget* build_product_panel();
    QWidget* build_entry();
    QWidget* build_hints();
    bool handle_key(QKeyEvent* event, QObject* source);
    void enter_code();
    void after_action();
    void refresh();
    void refresh_tape();
    void refresh_picture();
    void refresh_clock();
    void take_fields();
    void give_fields();

    sale::QuickSaleScreen screen_;
    bool opened_ = false;
    bool finished_ = false;
    QTimer* timer_;
    QLabel* logo_;
    QLabel* store_;
    QLabel* port_;
    QLabel* date_;
    QLabel* time_;
    QLabel* status_;
    QLabel* coupon_;
    QLabel* operator_;
    QLabel* supervisor_;
    QListWidget* tape_;
    QLabel* picture_;
    QLabel* description_;
    QLabel* code_;
    QLabel* quantity_;
    QLabel* unit_price_;
    QLabel* item_total_;
    QLabel* total_;
    QLabel* message_;
    QLabel* quantity_prompt_;
    QLineEdit* code_field_;
    QLineEdit* quantity_field_;
};

// "QUICKBALCORA", "BRWCFISCAL", "FINALIZACUPOM" and the options menu, so the
// menu, F6 and the sale screens reach them.
void provide_sale_windows(ui::ScreenPort& port, CheckoutState& checkout);

}  // namespace balcora::gui

namespace balcora {

// The Quick Sale, full screen and modal; returns when it closes.
void QUICKBALCORA(CheckoutState& checkout);

}  // namespace balcora
