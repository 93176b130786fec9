#include "gui/forms/printer_registration_entry.h"

#include "gui/forms/maqecf_browse_window.h"

#include <QApplication>
#include <QPointer>

namespace balcora::gui {

void open_printer_registration(QWidget* parent) {
    static QPointer<MaqecfBrowseWindow> window;
    if (!window) {
        window = new MaqecfBrowseWindow(parent);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

}  // namespace balcora::gui

namespace balcora {

void BROWSEMAQECF() {
    gui::open_printer_registration(QApplication::activeWindow());
}

bool UPDATEMAQECF(forms::FormMode mode, std::int32_t id_maqecf) {
    return gui::run_printer_form(mode, id_maqecf, QApplication::activeWindow());
}

}  // namespace balcora
