#include "gui/forms/people_entry.h"

#include "gui/forms/customer_browse_window.h"
#include "gui/forms/customer_form_dialog.h"
#include "gui/forms/seller_browse_window.h"

#include <QPointer>

namespace balcora::gui {

namespace {

template <class Window>
void open_single(QPointer<Window>& window, QWidget* parent) {
    if (!window) {
        window = new Window(parent);
        if (!window->opened()) {
            delete window;
            return;
        }
        window->show();
    }
    window->raise();
    window->activateWindow();
}

}  // namespace

void open_customer_browse(QWidget* parent) {
    static QPointer<CustomerBrowseWindow> window;
    open_single(window, parent);
}

void open_seller_browse(QWidget* parent) {
    static QPointer<SellerBrowseWindow> window;
    open_single(window, parent);
}

std::optional<std::int32_t> run_customer_form(forms::FormMode mode, std::int32_t id_cliente,
                                              QWidget* parent) {
    forms::CustomerForm form;
    const bool opened =
        mode == forms::FormMode::kInsert ? form.open_insert() : form.open(mode, id_cliente);
    if (!opened) return std::nullopt;
    CustomerFormDialog dialog(form, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return form.record().id_cliente;
}

}  // namespace balcora::gui
