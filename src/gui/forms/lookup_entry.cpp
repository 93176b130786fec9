#include "gui/forms/lookup_entry.h"

#include "gui/forms/customer_lookup_window.h"
#include "gui/forms/product_query_window.h"
#include "gui/forms/seller_lookup_window.h"

#include <QPointer>

namespace balcora::gui {

std::optional<forms::ProductChoice> CONSULTAPRODUTO(QWidget* parent,
                                                    std::optional<std::string> description) {
    ProductQueryWindow window(parent, ProductQueryWindow::Mode::kSelect, std::move(description));
    if (!window.opened()) return std::nullopt;
    window.exec();
    return window.choice();
}

void open_product_query(QWidget* parent) {
    static QPointer<ProductQueryWindow> window;
    if (!window) {
        window = new ProductQueryWindow(parent, ProductQueryWindow::Mode::kBrowse);
        if (!window->opened()) {
            delete window;
            return;
        }
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setModal(false);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

std::optional<std::int32_t> choose_customer(QWidget* parent) {
    CustomerLookupWindow window(parent);
    if (!window.opened()) return std::nullopt;
    window.exec();
    return window.chosen();
}

std::optional<std::int32_t> choose_seller(QWidget* parent) {
    SellerLookupWindow window(parent);
    if (!window.opened()) return std::nullopt;
    window.exec();
    return window.chosen();
}

}  // namespace balcora::gui
