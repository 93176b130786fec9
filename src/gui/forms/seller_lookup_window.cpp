#include "gui/forms/seller_lookup_window.h"

namespace balcora::gui {

SellerLookupWindow::SellerLookupWindow(QWidget* parent)
    : NameLookupDialog(parent, forms::SellerLookup::kTitle, "seller_lookup",
                       "Nome:", {"Código", "Nome", "Comissão %", "Pagto. Comissão"},
                       static_cast<int>(forms::SellerLookup::kFilterLimit)) {
    opened_ = lookup_.open();
    show_lines(lookup_.filter());
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
