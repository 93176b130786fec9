#pragma once

#include "forms/product_query.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace balcora::gui {

class ProductModel;

// The product list: Enter chooses, and letters typed in it look for the row
// whose key begins with them (the text grows while the operator keeps typing).
class ProductTable;

// "Produtos". As the sale screens' lookup (modal) "&Selecionar" hands the
// product back; opened from the main menu it only shows the products.
class ProductQueryWindow : public QDialog {
    Q_OBJECT
  public:
    enum class Mode { kSelect, kBrowse };

    ProductQueryWindow(QWidget* parent, Mode mode,
                       std::optional<std::string> description = std::nullopt);

    // False when the list could not be read (the error was shown).
    bool opened() const { return opened_; }
    const std::optional<forms::ProductChoice>& choice() const { return choice_; }
    const forms::ProductQueryScreen& screen() const { return screen_; }

    void done(int result) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void show_key(forms::ProductKey key);
    void reload_view(int select_row = 0);
    void search_in_list(const QString& text);
    void select_current();

    forms::ProductQueryScreen screen_;
    Mode mode_;
    bool opened_ = false;
    bool closed_ = false;
    std::optional<forms::ProductChoice> choice_;

    QTabBar* tabs_;
    QLabel* filter_label_;
    QLineEdit* filter_;
    QComboBox* prices_;
    ProductTable* table_;
    ProductModel* model_;
    QLabel* note_;
    QLabel* locator_;
    QPushButton* select_;
};

}  // namespace balcora::gui
