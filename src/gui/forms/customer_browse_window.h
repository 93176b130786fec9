#pragma once

#include "forms/customer_browse.h"
#include "forms/form_mode.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace balcora::gui {

// "Clientes": the filters "filtro_nome", "filtro_fantasia", "cod_cidade" and
// "documento" over the list "customers", the note "note" and the buttons
// "consult", "add", "edit" and "close". Typing in a filter narrows the list
// at once, arrows move in it, Enter opens the customer, Ins adds one, Esc
// closes. A window of its own, not modal.
class CustomerBrowseWindow : public QWidget {
    Q_OBJECT
  public:
    // Opens the form for a customer and gives the code saved, or nothing when
    // nothing was; the default shows the modal customer form.
    using FormOpener =
        std::function<std::optional<std::int32_t>(forms::FormMode mode, std::int32_t id)>;

    explicit CustomerBrowseWindow(QWidget* parent = nullptr, FormOpener opener = {});

    // False when the list could not be read (the error was shown).
    bool opened() const { return opened_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QLineEdit* filter_field(const char* name, forms::CustomerFilter which, int width);
    void fill(std::int32_t select_id = 0);
    void open_form(forms::FormMode mode);

    forms::CustomerBrowse browse_;
    FormOpener opener_;
    bool opened_ = false;
    std::vector<QLineEdit*> filters_;
    QTableWidget* customers_;
    QLabel* note_;
};

}  // namespace balcora::gui
