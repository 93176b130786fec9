#include "gui/forms/lookup_entry.h"

#include "forms/customer_lookup.h"
#include "forms/municipality_lookup.h"
#include "forms/seller_lookup.h"
#include "gui/forms/filtered_lookup_window.h"
#include "gui/forms/people_entry.h"
#include "gui/forms/product_query_window.h"

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

namespace {

template <class Lookup>
std::optional<std::int32_t> choose_in(QWidget* parent, const char* object_name,
                                      const QStringList& headers,
                                      typename FilteredLookupWindow<Lookup>::RowTexts row_texts,
                                      typename FilteredLookupWindow<Lookup>::AddRow add = {}) {
    FilteredLookupWindow<Lookup> window(parent, object_name, headers, std::move(row_texts),
                                        std::move(add));
    if (!window.opened()) return std::nullopt;
    window.exec();
    return window.chosen();
}

}  // namespace

std::optional<std::int32_t> choose_customer(QWidget* parent) {
    return choose_in<forms::CustomerLookup>(
        parent, "customer_lookup",
        {"Código", "Razão Social", "Nome Fantasia", "CNPJ/CPF", "Telefone"},
        [](const forms::CustomerLine& l) -> QStringList {
            return {QString::number(l.id_cliente), QString::fromStdString(l.razao),
                    QString::fromStdString(l.nome), QString::fromStdString(l.cgcpf),
                    QString::fromStdString(l.telef)};
        },
        // A customer not yet known is keyed in on the spot and taken.
        [](QWidget* over) { return run_customer_form(forms::FormMode::kInsert, 0, over); });
}

std::optional<std::int32_t> choose_municipality(QWidget* parent) {
    return choose_in<forms::MunicipalityLookup>(
        parent, "municipality_lookup", {"Código", "Município", "UF", "Cód. IBGE"},
        [](const forms::MunicipalityLine& l) -> QStringList {
            return {QString::number(l.id_municipio), QString::fromStdString(l.nome),
                    QString::fromStdString(l.estado), QString::fromStdString(l.codigo_ibge)};
        });
}

std::optional<std::int32_t> choose_seller(QWidget* parent) {
    return choose_in<forms::SellerLookup>(
        parent, "seller_lookup", {"Código", "Nome", "Comissão %", "Pagto. Comissão"},
        [](const forms::SellerLine& l) -> QStringList {
            return {QString::number(l.id_vendedor), QString::fromStdString(l.nome),
                    QString::fromStdString(l.taxa_com), QString::fromStdString(l.forma_pag)};
        });
}

}  // namespace balcora::gui
