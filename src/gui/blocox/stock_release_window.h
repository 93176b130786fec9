#pragma once

#include "blocox/stock_release.h"

#include <QDialog>
#include <QWidget>

#include <cstdint>
#include <functional>

class QComboBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace balcora::gui {

// "Envio do Estoque - Bloco X": the year filter ("year"), the periods
// ("periods") and the buttons "consult", "add", "edit", "remove", "query"
// and "close". A window of its own, not modal.
class StockReleaseWindow : public QWidget {
    Q_OBJECT
  public:
    // Opens the form on a period and tells whether it was saved; the default
    // shows the modal form dialog.
    using FormOpener = std::function<bool(blocox::ReleaseFormMode mode, std::int32_t id)>;

    explicit StockReleaseWindow(QWidget* parent = nullptr, FormOpener opener = {});
    QTableWidget* periods() const { return periods_; }

  private:
    void fill(std::int32_t select_id = 0);
    void open_form(blocox::ReleaseFormMode mode);
    void remove_selected();
    int selected_row() const;

    blocox::StockReleaseBrowse browse_;
    FormOpener opener_;
    QSpinBox* year_;
    QTableWidget* periods_;
};

// "Form estoquex": the period, its release and its four totals.
class StockReleaseDialog : public QDialog {
    Q_OBJECT
  public:
    explicit StockReleaseDialog(blocox::StockReleaseForm& form, QWidget* parent = nullptr);

  private:
    void confirm();

    blocox::StockReleaseForm& form_;
    QLineEdit* periodo_;
    QComboBox* release_;
    QLineEdit* totals_[4];
};

// The modal form; true when saved.
bool run_stock_release_form(blocox::ReleaseFormMode mode, std::int32_t id, QWidget* parent);

// "Envio do Estoque - Bloco X", one at a time; asking again brings it forward.
void open_stock_release(QWidget* parent);

}  // namespace balcora::gui
