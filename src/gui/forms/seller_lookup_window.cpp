#include "gui/forms/seller_lookup_window.h"

namespace balcora::gui {

SellerLookupWindow::SellerLookupWindow(QWidget* parent)
    : FilteredLookupWindow(parent, "seller_lookup",
                           {"Código", "Nome", "Comissão %", "Pagto. Comissão"}) {
    load();
}

std::vector<QStringList> SellerLookupWindow::rows() const {
    std::vector<QStringList> out;
    for (const forms::SellerLine& l : lookup_.lines()) {
        out.push_back({QString::number(l.id_vendedor), QString::fromStdString(l.nome),
                       QString::fromStdString(l.taxa_com), QString::fromStdString(l.forma_pag)});
    }
    return out;
}

}  // namespace balcora::gui
