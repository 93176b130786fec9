#pragma once

#include "forms/maqecf_browse.h"
#include "forms/maqecf_form.h"

#include <QWidget>

#include <cstdint>
#include <functional>

class QTableWidget;

namespace balcora::gui {

// " Máquina ECF": the printer list ("printers") with the buttons "consult",
// "add", "edit", "remove" and "close". A window of its own, not modal.
class MaqecfBrowseWindow : public QWidget {
    Q_OBJECT
  public:
    // Opens the form for a printer and tells whether it was saved; the
    // default shows the modal form dialog.
    using FormOpener = std::function<bool(forms::FormMode mode, std::int32_t id_maqecf)>;

    explicit MaqecfBrowseWindow(QWidget* parent = nullptr, FormOpener opener = {});

  private:
    void fill(std::int32_t select_id = 0);
    void open_form(forms::FormMode mode);
    void remove_selected();
    int selected_row() const;

    forms::MaqecfBrowse browse_;
    FormOpener opener_;
    QTableWidget* printers_;
};

// The modal form for one printer (UPDATEMAQECF's window); true when saved.
bool run_printer_form(forms::FormMode mode, std::int32_t id_maqecf, QWidget* parent);

}  // namespace balcora::gui
