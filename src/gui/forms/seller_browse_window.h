#pragma once

#include "forms/seller_browse.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace balcora::gui {

// "Vendedores": the name filter "filter" over the list "sellers", the note
// "note" and the button "close". Only a list: sellers are kept in the back
// office and arrive with its update. A window of its own, not modal; Esc closes.
class SellerBrowseWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SellerBrowseWindow(QWidget* parent = nullptr);

    // False when the list could not be read (the error was shown).
    bool opened() const { return opened_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void fill();

    forms::SellerBrowse browse_;
    bool opened_ = false;
    QLineEdit* filter_;
    QTableWidget* sellers_;
    QLabel* note_;
};

}  // namespace balcora::gui
