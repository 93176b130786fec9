#include "gui/sale/payment_window.h"

#include "globals/checkout_state.h"
#include "gui/forms/lookup_entry.h"
#include "gui/qt_text.h"
#include "sale/coupon_tape.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/fixed_point_text.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

std::string text_of(const QLineEdit* e) {
    return e->text().toStdString();
}

QString day_text(util::DayNumber d) {
    return d > 0 ? qs(util::br_date(d)) : QString();
}

// A date typed as dd/mm/yyyy; 0 for a blank field, nullopt for a wrong one.
std::optional<util::DayNumber> typed_day(const QLineEdit* e) {
    const QString digits = e->text().remove(QRegularExpression("[^0-9]"));
    if (digits.isEmpty()) return 0;
    const util::DayNumber d = util::parse_br_date(e->text().trimmed().toStdString());
    if (d <= 0) return std::nullopt;
    return d;
}

QFont scaled(QFont f, double factor, bool bold = false) {
    f.setPointSizeF(f.pointSizeF() * factor);
    f.setBold(bold);
    return f;
}

}  // namespace

PaymentWindow::PaymentWindow(CheckoutState& checkout, std::string mode, QWidget* parent)
    : QDialog(parent), screen_(checkout, std::move(mode)) {
    setObjectName("finaliza_cupom");
    setWindowTitle(tr("Finaliza Cupom Fiscal"));
    screen_.set_finished_notice([this](const std::string& text) { show_finished(text); });

    tabs_ = new QTabWidget(this);
    tabs_->addTab(build_closing_tab(), tr("Fechamento (F2)"));
    tabs_->addTab(build_adjustment_tab(), tr("Acrescimo/Desconto (F3)"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(new QLabel(
        tr("F10 ou S - Confirma    N ou Esc - Sai    F2/F3 - Pastas    Enter - Próximo campo"),
        this));

    resize(760, 600);
    opened_ = screen_.open();
    if (!opened_) return;
    for (const auto& f : screen_.forms()) form_->addItem(qs(f.label), qs(f.code));
    refresh();
    const bool adjustment = screen_.first_tab() == sale::PaymentTab::kAdjustment;
    tabs_->setCurrentIndex(adjustment ? 1 : 0);
    sale::PaymentOutcome first;
    first.focus = screen_.first_focus();
    go_to(first);
}

QLineEdit* PaymentWindow::field(const char* name, int width, Qt::Alignment align) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setAlignment(align);
    e->setFixedWidth(QFontMetrics(e->font()).horizontalAdvance(QString(width, '0')) + 16);
    e->installEventFilter(this);
    return e;
}

QWidget* PaymentWindow::build_closing_tab() {
    auto* page = new QWidget(this);
    payments_ = new QTableWidget(0, 4, page);
    payments_->setObjectName("pagamentos");
    payments_->setHorizontalHeaderLabels({tr("Ordem"), tr("Tipo"), tr("Número"), tr("Valor")});
    payments_->verticalHeader()->hide();
    payments_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    payments_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    payments_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    payments_->setSelectionBehavior(QAbstractItemView::SelectRows);
    payments_->setFocusPolicy(Qt::NoFocus);
    payments_->setMinimumHeight(140);

    const QFont big = scaled(font(), 1.6, true);
    received_ = new QLabel(page);
    received_->setObjectName("valor_recebido");
    to_receive_ = new QLabel(page);
    to_receive_->setObjectName("a_receber");
    to_receive_->setFont(big);
    received_->setFont(big);

    form_ = new QComboBox(page);
    form_->setObjectName("forma");
    form_->installEventFilter(this);
    connect(form_, &QComboBox::activated, this, [this](int i) { choose_form(i); });
    amount_ = field("valor", 14);
    amount_->setFont(big);
    amount_->setFixedWidth(QFontMetrics(big).horizontalAdvance("0.000.000,00") + 20);
    change_label_ = new QLabel(tr("TROCO:"), page);
    change_label_->setObjectName("troco_saldo_rotulo");
    change_label_->setFont(big);
    change_ = new QLabel(page);
    change_->setObjectName("troco_saldo");
    change_->setFont(scaled(font(), 2.2, true));
    cheque_number_ = field("numero_cheque", 7);
    cheque_date_ = field("data_bom", 10, Qt::AlignLeft);
    cheque_date_->setInputMask("99/99/9999;_");
    auto* term_row = new QHBoxLayout;
    for (int i = 0; i < sale::kMaxInstalments; ++i) {
        terms_[i] = field(("prazo" + std::to_string(i + 1)).c_str(), 4);
        terms_[i]->setMaxLength(4);
        term_row->addWidget(terms_[i]);
    }
    term_row->addStretch();
    due_date_ = field("vencto", 10, Qt::AlignLeft);
    due_date_->setInputMask("99/99/9999;_");
    client_code_ = field("cliente", 8);
    client_name_ = new QLabel(page);
    client_name_->setObjectName("nome_cliente");
    auto* client_row = new QHBoxLayout;
    client_row->addWidget(client_code_);
    client_row->addWidget(client_name_, 1);
    confirm_closing_ = new QPushButton(tr("Confirma (F10)"), page);
    confirm_closing_->setObjectName("confirma_fechamento");
    confirm_closing_->setAutoDefault(false);
    confirm_closing_->setFocusPolicy(Qt::NoFocus);
    connect(confirm_closing_, &QPushButton::clicked, this, &PaymentWindow::confirm);

    auto* totals = new QFormLayout;
    totals->addRow(tr("Valor Recebido:"), received_);
    totals->addRow(tr("A Receber:"), to_receive_);
    auto* entry = new QFormLayout;
    entry->addRow(tr("&Forma:"), form_);
    entry->addRow(tr("&Valor:"), amount_);
    auto* change_row = new QHBoxLayout;
    change_row->addWidget(change_label_);
    change_row->addWidget(change_);
    change_row->addStretch();
    entry->addRow(tr("Troco/Saldo:"), change_row);
    entry->addRow(tr("Número:"), cheque_number_);
    entry->addRow(tr("Data Bom:"), cheque_date_);
    entry->addRow(tr("Prazo (dias):"), term_row);
    entry->addRow(tr("Vencto:"), due_date_);
    auto* client_label = new QLabel(tr("C&liente:"), page);
    client_label->setBuddy(client_code_);
    entry->addRow(client_label, client_row);

    auto* top = new QHBoxLayout;
    top->addWidget(payments_, 3);
    top->addLayout(totals, 2);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addLayout(entry);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirm_closing_);
    layout->addLayout(buttons);
    return page;
}

QWidget* PaymentWindow::build_adjustment_tab() {
    auto* page = new QWidget(this);
    const QFont big = scaled(font(), 1.4, true);
    subtotal_ = field("subtotal", 14);
    subtotal_->setReadOnly(true);
    subtotal_->setFont(big);
    total_ = new QLabel(page);
    total_->setObjectName("total");
    total_->setFont(big);
    surcharge_percent_ = field("acrescimo_percentual", 7);
    surcharge_ = field("acrescimo_valor", 12);
    discount_percent_ = field("desconto_percentual", 7);
    discount_ = field("desconto_valor", 12);
    confirm_adjustment_ = new QPushButton(tr("Confirma (F10)"), page);
    confirm_adjustment_->setObjectName("confirma_ajuste");
    confirm_adjustment_->setAutoDefault(false);
    confirm_adjustment_->setFocusPolicy(Qt::NoFocus);
    connect(confirm_adjustment_, &QPushButton::clicked, this, &PaymentWindow::confirm);

    auto pair = [page](QLineEdit* pct, QLineEdit* value) {
        auto* row = new QHBoxLayout;
        row->addWidget(pct);
        row->addWidget(new QLabel("%", page));
        row->addSpacing(12);
        row->addWidget(new QLabel(tr("R$"), page));
        row->addWidget(value);
        row->addStretch();
        return row;
    };
    auto* form = new QFormLayout;
    form->addRow(tr("Sub-Total:"), subtotal_);
    form->addRow(tr("&Acrescimo:"), pair(surcharge_percent_, surcharge_));
    form->addRow(tr("&Desconto:"), pair(discount_percent_, discount_));
    form->addRow(tr("Total:"), total_);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirm_adjustment_);
    layout->addLayout(buttons);
    return page;
}

void PaymentWindow::choose_form(int index) {
    if (refreshing_) return;
    screen_.set_form(index >= 0 ? form_->itemData(index).toString().toStdString() : "");
    refresh();
}

// Hands a field's text to the screen; false leaves the focus on it.
bool PaymentWindow::accept_field(QWidget* w) {
    sale::PaymentScreen& s = screen_;
    if (w == form_) {
        choose_form(form_->currentIndex());
        return true;
    }
    auto* e = qobject_cast<QLineEdit*>(w);
    if (!e || e->isReadOnly() || !e->isEnabled()) return true;
    bool ok = true;
    const std::string t = text_of(e);
    if (e == amount_) {
        ok = s.set_amount_text(t);
    } else if (e == cheque_number_) {
        ok = s.set_cheque_number_text(t);
    } else if (e == cheque_date_ || e == due_date_) {
        auto d = typed_day(e);
        ok = d && (e == cheque_date_ ? s.set_cheque_date(*d) : s.set_due_date(*d));
    } else if (e == client_code_) {
        ok = s.set_client_code(t, [this](std::string_view) { return choose_customer(this); });
    } else if (e == surcharge_percent_) {
        ok = s.set_surcharge_percent_text(t);
    } else if (e == surcharge_) {
        ok = s.set_surcharge_value_text(t);
    } else if (e == discount_percent_) {
        ok = s.set_discount_percent_text(t);
    } else if (e == discount_) {
        ok = s.set_discount_value_text(t);
    } else {
        for (int i = 0; i < sale::kMaxInstalments; ++i)
            if (e == terms_[i]) ok = s.set_term_text(i + 1, t);
    }
    if (!ok) {
        prompt().beep();
        e->selectAll();
        return false;
    }
    refresh();
    return true;
}

// Enter moves through the fields the chosen form uses and, past the last,
// confirms: cash is the form, the amount and Enter.
void PaymentWindow::focus_next(QWidget* from) {
    const auto& st = screen_.state();
    std::vector<QWidget*> order;
    if (tabs_->currentIndex() == 0) {
        order = {form_, amount_, cheque_number_, cheque_date_};
        for (auto* t : terms_) order.push_back(t);
        order.push_back(due_date_);
        if (st.form == "CR") order.push_back(client_code_);
    } else {
        order = {surcharge_percent_, surcharge_, discount_percent_, discount_};
    }
    auto it = std::find(order.begin(), order.end(), from);
    if (it == order.end()) {
        // A field off the path (the client of a cash sale) goes back to it.
        order.front()->setFocus();
        return;
    }
    {
        for (++it; it != order.end(); ++it) {
            if ((*it)->isEnabled()) {
                (*it)->setFocus();
                if (auto* e = qobject_cast<QLineEdit*>(*it)) e->selectAll();
                return;
            }
        }
    }
    confirm();
}

void PaymentWindow::confirm() {
    if (QWidget* w = focusWidget(); w && (w == form_ || qobject_cast<QLineEdit*>(w))) {
        auto* e = qobject_cast<QLineEdit*>(w);
        if ((w == form_ || (e && e->isModified())) && !accept_field(w)) return;
    }
    const sale::PaymentOutcome o =
        tabs_->currentIndex() == 1 ? screen_.confirm_adjustment() : screen_.confirm_payment();
    if (o.close) {
        QDialog::accept();
        return;
    }
    refresh();
    go_to(o);
}

void PaymentWindow::go_to(const sale::PaymentOutcome& o) {
    using F = sale::PaymentField;
    if (o.focus == F::kNone) return;
    using Place = std::pair<F, QWidget*>;
    const Place payment_tab[] = {
        {F::kForm, form_},
        {F::kAmount, amount_},
        {F::kChequeNumber, cheque_number_},
        {F::kChequeDate, cheque_date_},
        {F::kTerm, terms_[std::clamp(o.term, 1, sale::kMaxInstalments) - 1]},
        {F::kDueDate, due_date_},
        {F::kClient, client_code_}};
    const Place adjustment_tab[] = {{F::kSubtotal, subtotal_},
                                    {F::kSurchargePercent, surcharge_percent_},
                                    {F::kSurchargeValue, surcharge_},
                                    {F::kDiscountPercent, discount_percent_},
                                    {F::kDiscountValue, discount_}};
    QWidget* target = form_;
    int tab = 0;
    for (const auto& [field, widget] : payment_tab)
        if (field == o.focus) target = widget;
    for (const auto& [field, widget] : adjustment_tab)
        if (field == o.focus) target = widget, tab = 1;
    if (tab == 1 && !screen_.state().adjustment_tab) tab = 0, target = form_;
    tabs_->setCurrentIndex(tab);
    if (!target->isEnabled()) target = form_;
    target->setFocus();
    if (auto* e = qobject_cast<QLineEdit*>(target)) e->selectAll();
}

void PaymentWindow::refresh() {
    refreshing_ = true;
    const sale::PaymentState& s = screen_.state();
    payments_->setRowCount(static_cast<int>(s.payments.size()));
    for (int r = 0; r < payments_->rowCount(); ++r) {
        const sale::PaymentRow& p = s.payments[r];
        const QStringList cells = {QString::number(p.ordem), qs(sale::payment_method_name(p.tipo)),
                                   p.numero ? QString::number(p.numero) : QString(),
                                   money(p.valor)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c != 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            payments_->setItem(r, c, item);
        }
    }
    received_->setText(money(s.received));
    to_receive_->setText(money(s.balance.units() > 0 ? s.balance : util::Money{}));
    form_->setCurrentIndex(s.form.empty() ? -1 : form_->findData(qs(s.form)));
    amount_->setText(money(s.amount));
    amount_->setEnabled(s.amount_editable);
    change_label_->setText(qs(s.change_label()));
    change_->setText(money(s.change_shown()));
    change_->setStyleSheet(s.change_or_balance.units() <= 0 ? "color: #1b7f3b;"
                                                            : "color: #b3261e;");
    cheque_number_->setText(s.cheque_number ? QString::number(s.cheque_number) : QString());
    cheque_date_->setText(day_text(s.cheque_date));
    cheque_number_->setEnabled(s.cheque_fields);
    cheque_date_->setEnabled(s.cheque_fields);
    for (int i = 0; i < sale::kMaxInstalments; ++i) {
        terms_[i]->setText(s.terms[i] || (i == 0 && s.credit_fields) ? QString::number(s.terms[i])
                                                                     : QString());
        terms_[i]->setEnabled(s.credit_fields);
    }
    due_date_->setText(day_text(s.due_date));
    due_date_->setEnabled(s.credit_fields);
    client_code_->setText(s.client_id ? QString::number(s.client_id) : QString());
    client_name_->setText(qs(s.client));

    subtotal_->setText(money(s.subtotal));
    total_->setText(money(s.total()));
    surcharge_percent_->setText(money(s.surcharge_percent));
    surcharge_->setText(money(s.surcharge));
    discount_percent_->setText(money(s.discount_percent));
    discount_->setText(money(s.discount));
    for (auto* e : {surcharge_percent_, surcharge_}) e->setEnabled(s.surcharge_fields);
    for (auto* e : {discount_percent_, discount_}) e->setEnabled(s.discount_fields);
    tabs_->setTabEnabled(1, s.adjustment_tab);
    for (auto* e : findChildren<QLineEdit*>()) e->setModified(false);
    refreshing_ = false;
}

bool PaymentWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && event->type() == QEvent::FocusOut && !refreshing_) {
        // A field left by Tab or the mouse counts as accepted too.
        auto* e = qobject_cast<QLineEdit*>(w);
        if (e && e->isModified() && !accept_field(e)) refresh();
    }
    if (w && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (accept_field(w)) focus_next(w);
                return true;
            case Qt::Key_S:
                if (!plain) break;
                confirm();
                return true;
            case Qt::Key_N:
                if (!plain) break;
                reject();
                return true;
            case Qt::Key_Period:
            case Qt::Key_Comma:
                if (auto* e = qobject_cast<QLineEdit*>(w); e && e->inputMask().isEmpty()) {
                    e->insert(",");
                    return true;
                }
                break;
            case Qt::Key_F2:
            case Qt::Key_F3:
            case Qt::Key_F10:
                keyPressEvent(key);
                return true;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PaymentWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_F2:
            tabs_->setCurrentIndex(0);
            form_->setFocus();
            return;
        case Qt::Key_F3:
            if (!tabs_->isTabEnabled(1)) {
                prompt().beep();
                return;
            }
            tabs_->setCurrentIndex(1);
            (screen_.state().surcharge_fields ? surcharge_percent_ : discount_percent_)->setFocus();
            return;
        case Qt::Key_F10:
            confirm();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void PaymentWindow::show_finished(const std::string& text) {
    // Behind the notice the window shows the payments that closed the sale.
    refresh();
    QDialog notice(this);
    notice.setObjectName("venda_finalizada");
    notice.setWindowTitle(tr("Venda Finalizada"));
    auto* label = new QLabel(qs(text), &notice);
    label->setObjectName("mensagem");
    label->setFont(scaled(font(), 1.8, true));
    auto* close = new QPushButton(tr("Fechar (ESC)"), &notice);
    close->setObjectName("fechar");
    connect(close, &QPushButton::clicked, &notice, &QDialog::accept);
    auto* layout = new QVBoxLayout(&notice);
    layout->addWidget(label);
    layout->addWidget(close, 0, Qt::AlignRight);
    close->setFocus();
    notice.exec();
}

}  // namespace balcora::gui

namespace balcora {

int FINALIZACUPOM(CheckoutState& checkout, std::string_view mode) {
    gui::PaymentWindow window(checkout, std::string(mode), QApplication::activeWindow());
    if (!window.opened()) return 0;
    window.exec();
    return window.screen().result();
}

}  // namespace balcora
