#include "gui/forms/customer_lookup_window.h"

namespace balcora::gui {

CustomerLookupWindow::CustomerLookupWindow(QWidget* parent)
    : FilteredLookupWindow(parent, "customer_lookup",
                           {"Código", "Razão Social", "Nome Fantasia", "CNPJ/CPF", "Telefone"}) {
    load();
}

std::vector<QStringList> CustomerLookupWindow::rows() const {
    std::vector<QStringList> out;
    for (const forms::CustomerLine& l : lookup_.lines()) {
        out.push_back({QString::number(l.id_cliente), QString::fromStdString(l.razao),
                       QString::fromStdString(l.nome), QString::fromStdString(l.cgcpf),
                       QString::fromStdString(l.telef)});
    }
    return out;
}

}  // namespace balcora::gui
