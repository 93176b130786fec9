#include "gui/sale/coupon_form_window.h"

#include "globals/checkout_state.h"
#include "gui/forms/lookup_entry.h"
#include "gui/qt_text.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/list_widgets.h"
#include "util/fixed_point_text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

const char* const kAmountFields[] = {"quantidade", "unitario", "desconto_pct", "desconto_valor",
                                     "total_item"};

}  // namespace

CouponFormWindow::CouponFormWindow(CheckoutState& checkout, const sale::CouponFormStart& start,
                                   QWidget* parent)
    : QDialog(parent),
      form_(checkout, {.choose_customer = [this] { return choose_customer(this); },
                       .choose_seller = [this] { return choose_seller(this); },
                       .product_query =
                           [this](std::optional<std::string> d) {
                               return CONSULTAPRODUTO(this, std::move(d));
                           }}) {
    setObjectName("coupon_form");
    setWindowTitle(tr(sale::CouponFormScreen::kTitle));
    opened_ = form_.open(start);
    const bool edit = !form_.read_only();
    auto& h = form_.header;
    auto& e = form_.entry;

    auto* coupon = new QGroupBox(tr("Cupom Fiscal"), this);
    auto* cg = new QGridLayout(coupon);
    const std::pair<const char*, const char*> ids[] = {{"id_cfiscal", "Id"}, {"data", "Data"},
                                                       {"hora", "Hora"},     {"coo", "COO"},
                                                       {"ccf", "CCF"},       {"cro", "CRO"}};
    int col = 0;
    for (const auto& [name, label] : ids) {
        cg->addWidget(new QLabel(tr(label), coupon), 0, col);
        cg->addWidget(add_field(name, 10, false), 1, col++);
    }

    auto* people = new QGroupBox(tr("Cliente e Vendedor"), this);
    auto* pg = new QGridLayout(people);
    QLineEdit* customer = add_field("cliente", 7, edit);
    QLineEdit* seller = add_field("vendedor", 7, edit);
    QLineEdit* commission_form = add_field("forma_comissao", 2, edit);
    commission_form->setMaxLength(1);
    pg->addWidget(new QLabel(tr("Cliente:"), people), 0, 0);
    pg->addWidget(customer, 0, 1);
    pg->addWidget(add_field("nome_cliente", 40, false), 0, 2, 1, 3);
    pg->addWidget(new QLabel(tr("CNPJ/CPF:"), people), 0, 5);
    pg->addWidget(add_field("cgcpf", 18, false), 0, 6);
    pg->addWidget(new QLabel(tr("Endereço:"), people), 1, 0);
    pg->addWidget(add_field("endereco", 40, false), 1, 1, 1, 4);
    pg->addWidget(new QLabel(tr("Município/UF:"), people), 1, 5);
    auto* town = new QHBoxLayout;
    town->addWidget(add_field("municipio", 20, false));
    town->addWidget(add_field("uf", 2, false));
    pg->addLayout(town, 1, 6);
    pg->addWidget(new QLabel(tr("Vendedor:"), people), 2, 0);
    pg->addWidget(seller, 2, 1);
    pg->addWidget(add_field("nome_vendedor", 40, false), 2, 2, 1, 3);
    pg->addWidget(new QLabel(tr("Comissão %:"), people), 2, 5);
    auto* com = new QHBoxLayout;
    com->addWidget(add_field("taxa_comissao", 6, false));
    com->addWidget(new QLabel(tr("Pagto (F/R/M):"), people));
    com->addWidget(commission_form);
    com->addStretch();
    pg->addLayout(com, 2, 6);

    items_ = list_table(this, "itens",
                        {tr("Item"), tr("Código"), tr("Descrição Produto"), tr("Qtdade"), tr("Und"),
                         tr("Unitário"), tr("Total"), tr("Desconto"), tr("Valor")});
    items_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    items_->setMinimumSize(900, 220);
    items_->installEventFilter(this);

    auto* line = new QGroupBox(tr("Item"), this);
    auto* lg = new QGridLayout(line);
    const std::pair<const char*, const char*> entry_fields[] = {
        {"codigo", "Código"},           {"descricao", "Descrição"},
        {"quantidade", "Qtdade"},       {"unidade", "Und"},
        {"unitario", "Unitário"},       {"desconto_pct", "Desc. %"},
        {"desconto_valor", "Desc. R$"}, {"total_item", "Total"}};
    const int widths[] = {14, 30, 9, 4, 10, 6, 9, 10};
    col = 0;
    for (std::size_t i = 0; i < std::size(entry_fields); ++i) {
        const auto& [name, label] = entry_fields[i];
        lg->addWidget(new QLabel(tr(label), line), 0, col);
        lg->addWidget(add_field(name, widths[i], edit && std::string(name) != "unidade"), 1, col++);
    }
    confirm_auto_ = new QCheckBox(tr("Confirma Item Automaticamente"), line);
    confirm_auto_->setObjectName("confirma_auto");
    confirm_auto_->setChecked(form_.confirm_auto());
    confirm_auto_->setEnabled(edit);
    lg->addWidget(confirm_auto_, 2, 0, 1, 4);

    auto* invoice = new QGroupBox(tr("Nota Fiscal"), this);
    auto* ig = new QHBoxLayout(invoice);
    ig->addWidget(new QLabel(tr("Número:"), invoice));
    ig->addWidget(add_field("numero_nf", 8, edit));
    ig->addWidget(new QLabel(tr("Série:"), invoice));
    ig->addWidget(add_field("serie_nf", 3, edit));
    ig->addWidget(new QLabel(tr("Emissão:"), invoice));
    ig->addWidget(add_field("dt_emissao_nf", 10, edit));
    ig->addStretch();
    field("serie_nf")->setMaxLength(3);
    field("numero_nf")->setMaxLength(9);
    field("dt_emissao_nf")->setInputMask("99/99/9999;_");

    total_ = new QLabel(this);
    total_->setObjectName("total_cupom");
    QFont big = total_->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    total_->setFont(big);
    total_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    cancel_item_ = new QPushButton(tr("Ca&ncelar Item (F3)"), this);
    cancel_item_->setObjectName("cancelar_item");
    confirm_ = new QPushButton(tr("&Confirma Item"), this);
    confirm_->setObjectName("confirma_item");
    finalize_ = new QPushButton(tr("&Finaliza Cupom (F10)"), this);
    finalize_->setObjectName("finaliza_cupom");
    auto* close = new QPushButton(tr("&Fechar"), this);
    close->setObjectName("fechar");
    for (QPushButton* b : {cancel_item_, confirm_, finalize_, close}) b->setAutoDefault(false);
    for (QPushButton* b : {cancel_item_, confirm_, finalize_}) b->setEnabled(edit);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel_item_);
    buttons->addWidget(confirm_);
    buttons->addWidget(finalize_);
    buttons->addStretch();
    buttons->addWidget(new QLabel(tr("Total do Cupom R$"), this));
    buttons->addWidget(total_);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(coupon);
    layout->addWidget(people);
    layout->addWidget(items_, 1);
    layout->addWidget(line);
    layout->addWidget(invoice);
    layout->addLayout(buttons);

    // Each field tells the controller when it is left.
    bind(customer, &h.customer_code, &sale::CouponFormScreen::customer_code_entered);
    bind(seller, &h.seller_code, &sale::CouponFormScreen::seller_code_entered);
    bind(commission_form, &h.commission_form, &sale::CouponFormScreen::commission_form_entered);
    bind(field("codigo"), &e.code, &sale::CouponFormScreen::code_entered);
    bind(field("descricao"), &e.description, &sale::CouponFormScreen::description_entered);
    bind(field("quantidade"), &e.quantity, &sale::CouponFormScreen::quantity_entered);
    bind(field("unitario"), &e.unit_price, &sale::CouponFormScreen::unit_price_entered);
    bind(field("desconto_pct"), &e.discount_percent, &sale::CouponFormScreen::discount_entered);
    bind(field("desconto_valor"), &e.discount_value, &sale::CouponFormScreen::discount_entered);
    bind(field("total_item"), &e.total, &sale::CouponFormScreen::total_entered);
    for (const char* name : {"numero_nf", "serie_nf", "dt_emissao_nf"}) {
        std::string* target = std::string(name) == "numero_nf"  ? &h.numero_nf
                              : std::string(name) == "serie_nf" ? &h.serie_nf
                                                                : &h.dt_emissao_nf;
        bound_.emplace_back(field(name), target);
    }
    for (const char* name : kAmountFields) field(name)->installEventFilter(this);

    auto* enter = new EnterNavigation(this);
    enter->watch({customer, seller, commission_form, field("codigo"), field("descricao"),
                  field("quantidade"), field("unitario"), field("desconto_pct"),
                  field("desconto_valor"), field("total_item")});

    connect(confirm_auto_, &QCheckBox::toggled, this,
            [this](bool on) { form_.set_confirm_auto(on); });
    connect(confirm_, &QPushButton::clicked, this, &CouponFormWindow::confirm_item);
    connect(cancel_item_, &QPushButton::clicked, this, &CouponFormWindow::cancel_item);
    connect(finalize_, &QPushButton::clicked, this, &CouponFormWindow::finalize);
    connect(close, &QPushButton::clicked, this, &CouponFormWindow::reject);
    if (edit) {
        new QShortcut(QKeySequence(Qt::Key_F3), this, [this] { cancel_item(); });
        new QShortcut(QKeySequence(Qt::Key_F10), this, [this] { finalize(); });
    }
    show_form();
    if (edit) field("cliente")->setFocus();
}

// Hiding the window moves the focus out of a field, which must no longer
// reach a form being destroyed.
CouponFormWindow::~CouponFormWindow() {
    for (auto& [f, target] : bound_) QObject::disconnect(f, nullptr, this, nullptr);
}

QLineEdit* CouponFormWindow::add_field(const char* name, int chars, bool editable) {
    auto* f = new QLineEdit(this);
    f->setObjectName(name);
    f->setMinimumWidth(field_width(*f, chars));
    // Short fields keep their size; names and descriptions take the room.
    if (chars <= 10) f->setMaximumWidth(field_width(*f, chars + 3));
    f->setReadOnly(!editable);
    if (!editable) {
        f->setFocusPolicy(Qt::ClickFocus);
        f->setStyleSheet("QLineEdit { background: #eceff3; color: #333; }");
    }
    return f;
}

QLineEdit* CouponFormWindow::field(const char* name) const {
    return findChild<QLineEdit*>(name);
}

template <class R>
void CouponFormWindow::bind(QLineEdit* f, std::string* target,
                            R (sale::CouponFormScreen::*handler)()) {
    bound_.emplace_back(f, target);
    // Leaving a field as the form filled it in is no entry of the operator's
    // (a description passed through must not open the product query).
    connect(f, &QLineEdit::editingFinished, this, [this, f, handler] {
        if (f->text() == f->property("shown").toString()) return;
        run([this, handler] { (form_.*handler)(); });
    });
}

// A handler may open a window, which moves the focus and would finish the
// editing of another field meanwhile: one handler at a time.
void CouponFormWindow::run(const std::function<void()>& work) {
    if (busy_ || form_.read_only()) return;
    busy_ = true;
    take();
    const std::size_t items_before = form_.items().size();
    work();
    busy_ = false;
    show_form();
    if (form_.items().size() != items_before && form_.entry.code.empty())
        field("codigo")->setFocus();
}

void CouponFormWindow::take() {
    for (auto& [f, target] : bound_) *target = f->text().toStdString();
}

void CouponFormWindow::show_form() {
    const auto& h = form_.header;
    const auto& e = form_.entry;
    const std::pair<const char*, std::string> values[] = {
        {"id_cfiscal", h.id_cfiscal ? std::to_string(h.id_cfiscal) : std::string()},
        {"data", h.data},
        {"hora", h.hora},
        {"coo", h.coo},
        {"ccf", h.ccf},
        {"cro", h.cro},
        {"cliente", h.customer_code},
        {"nome_cliente", h.customer_name},
        {"cgcpf", h.cgcpf},
        {"endereco", h.address},
        {"municipio", h.municipality},
        {"uf", h.uf},
        {"vendedor", h.seller_code},
        {"nome_vendedor", h.seller_name},
        {"taxa_comissao", h.commission_rate},
        {"forma_comissao", h.commission_form},
        {"numero_nf", h.numero_nf},
        {"serie_nf", h.serie_nf},
        {"dt_emissao_nf", h.dt_emissao_nf},
        {"codigo", e.code},
        {"descricao", e.description},
        {"quantidade", e.quantity},
        {"unidade", e.unit},
        {"unitario", e.unit_price},
        {"desconto_pct", e.discount_percent},
        {"desconto_valor", e.discount_value},
        {"total_item", e.total},
    };
    for (const auto& [name, value] : values) {
        QLineEdit* f = field(name);
        if (!f) continue;
        if (f->text() != qs(value)) f->setText(qs(value));
        f->setProperty("shown", f->text());
    }
    const bool edit = !form_.read_only();
    // The unit price is typed only where the setting allows it; otherwise grey.
    QLineEdit* price = field("unitario");
    price->setReadOnly(!form_.unit_price_editable());
    price->setStyleSheet(form_.unit_price_editable() ? QString()
                                                     : "QLineEdit { background: #e3e6ea; }");
    field("desconto_pct")->setEnabled(edit && form_.discount_enabled());
    field("desconto_valor")->setEnabled(edit && form_.discount_enabled());
    field("desconto_valor")->setReadOnly(form_.discount_value_locked());
    show_items();
    total_->setText(qs(util::to_br(form_.total())));
}

void CouponFormWindow::show_items() {
    const auto& items = form_.items();
    items_->setRowCount(static_cast<int>(items.size()));
    for (int r = 0; r < static_cast<int>(items.size()); ++r) {
        const auto& it = items[static_cast<std::size_t>(r)];
        const QStringList cells = {
            QString("%1").arg(it.num_item, 3, 10, QChar('0')),
            qs(it.code),
            qs(it.descricao) + (it.cancelled ? tr("  (CANCELADO)") : QString()),
            qs(util::to_br(it.qtdade)),
            qs(it.unidade),
            qs(sale::price_text(it.preco)),
            qs(util::to_br(it.total)),
            qs(util::to_br(it.vl_desconto)),
            qs(util::to_br(it.net()))};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, it.num_item);
            if (c == 0 || c >= 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == 4) item->setTextAlignment(Qt::AlignCenter);
            if (it.cancelled) item->setForeground(QColor("#b03a2e"));
            items_->setItem(r, c, item);
        }
    }
    items_->resizeColumnsToContents();
    items_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    if (!items.empty()) items_->scrollToBottom();
}

std::optional<int> CouponFormWindow::selected_item() const {
    const auto rows = items_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return items_->item(rows.first().row(), 0)->data(Qt::UserRole).toInt();
}

bool CouponFormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == items_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            cancel_item();
            return true;
        }
        // The keypad's decimal key types the comma amounts are written with.
        if (key->key() == Qt::Key_Period && (key->modifiers() & Qt::KeypadModifier)) {
            if (auto* f = qobject_cast<QLineEdit*>(watched)) {
                f->insert(",");
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CouponFormWindow::confirm_item() {
    run([this] { form_.confirm_item(); });
    if (form_.entry.code.empty()) field("codigo")->setFocus();
}

void CouponFormWindow::cancel_item() {
    const auto row = selected_item();
    run([this, row] { form_.cancel_item(row); });
}

void CouponFormWindow::finalize() {
    run([this] { form_.finalize(); });
}

void CouponFormWindow::reject() {
    take();
    if (!form_.may_close()) return;
    QDialog::reject();
}

void open_coupon_form(CheckoutState& checkout, const sale::CouponFormStart& start,
                      QWidget* parent) {
    CouponFormWindow window(checkout, start, parent);
    if (!window.opened()) return;
    window.exec();
}

}  // namespace balcora::gui
