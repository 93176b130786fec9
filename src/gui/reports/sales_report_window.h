#pragma once

#include "reports/sales_report_screen.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace balcora::gui {

// "&Relatórios" → "&Movimento" over its own SalesReportScreen, non-modal
// beside the frame. Combo "modelo", fields "periodo_de" and "ate", buttons
// "emitir" and "fechar"; Enter moves on and prints from the last field.
class SalesReportWindow : public QDialog {
    Q_OBJECT
  public:
    explicit SalesReportWindow(QWidget* parent = nullptr);
    // A window whose report goes to `output` instead of the printer dialog.
    SalesReportWindow(reports::SalesReportScreen::Output output, QWidget* parent);

    reports::SalesReportScreen& screen() { return screen_; }
    void reject() override;

  private:
    void build();
    void emit_report();
    void show_screen();

    reports::SalesReportScreen screen_;
    QComboBox* model_ = nullptr;
    QLineEdit* first_ = nullptr;
    QLineEdit* last_ = nullptr;
};

// RELCFISCAL, for the main menu: one window, raised when already open.
void open_sales_report(QWidget* parent);

}  // namespace balcora::gui
