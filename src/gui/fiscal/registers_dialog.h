#pragma once

#include "fiscal/registers_window.h"
#include "gui/shell/screen_dialog.h"

#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace balcora::gui {

// "Registros do PAF-ECF" over a RegistersWindow: the stock option ("total",
// "partial"), the period ("start_date", "end_date"), the products of a
// partial stock ("product_code", "add", "remove", list "products") and
// "&Gerar" ("generate") / "&Fechar" ("close"). Enter in the product code adds
// it; Delete in the list removes the current one.
class RegistersDialog : public ScreenDialog<fiscal::RegistersWindow> {
    Q_OBJECT
  public:
    explicit RegistersDialog(fiscal::RegistersWindow& window, QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void add();
    void remove();
    void generate();
    void refresh_products();
    void settle_products();

    std::vector<QRadioButton*> option_;
    QLineEdit* start_date_;
    QLineEdit* end_date_;
    QLineEdit* product_code_;
    QPushButton* add_;
    QPushButton* remove_;
    QListWidget* products_;
};

}  // namespace balcora::gui
