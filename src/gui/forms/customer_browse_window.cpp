#include "gui/forms/customer_browse_window.h"

#include "gui/forms/people_entry.h"
#include "gui/qt_text.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/list_widgets.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

CustomerBrowseWindow::CustomerBrowseWindow(QWidget* parent, FormOpener opener)
    : QWidget(parent, Qt::Window), opener_(std::move(opener)) {
    setWindowTitle(forms::CustomerBrowse::kTitle);
    setObjectName("customer_browse");
    setAttribute(Qt::WA_DeleteOnClose);
    if (!opener_) {
        opener_ = [this](forms::FormMode mode, std::int32_t id) {
            return run_customer_form(mode, id, this);
        };
    }
    opened_ = browse_.open();

    auto* filters = new QGridLayout;
    auto add_filter = [&](int row, int column, const QString& label, QLineEdit* field) {
        auto* l = new QLabel(label, this);
        l->setBuddy(field);
        filters->addWidget(l, row, column * 2);
        filters->addWidget(field, row, column * 2 + 1);
    };
    add_filter(0, 0,
               "&Razão Social:", filter_field("filtro_nome", forms::CustomerFilter::kRazao, 30));
    add_filter(0, 1, "Nome &Fantasia:",
               filter_field("filtro_fantasia", forms::CustomerFilter::kFantasia, 24));
    add_filter(1, 0,
               "Cód. M&unicípio:", filter_field("cod_cidade", forms::CustomerFilter::kCidade, 10));
    add_filter(1, 1,
               "CNP&J/CPF:", filter_field("documento", forms::CustomerFilter::kDocumento, 19));
    filters_.back()->setToolTip("Os primeiros dígitos do número, com ou sem pontuação");
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);

    customers_ = list_table(
        this, "customers",
        {"Código", "Razão Social", "Nome Fantasia", "CNPJ/CPF", "Município", "Telefone", "Ativo"});
    customers_->setTabKeyNavigation(false);
    customers_->horizontalHeader()->setStretchLastSection(true);
    customers_->installEventFilter(this);
    connect(customers_, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { open_form(forms::FormMode::kChange); });
    note_ = new QLabel(this);
    note_->setObjectName("note");

    QPushButton* consult = row_button(this, "Con&sulta", "consult");
    QPushButton* add = row_button(this, "&Novo (Ins)", "add");
    QPushButton* edit = row_button(this, "&Editar", "edit");
    QPushButton* close = row_button(this, "Fe&char", "close");
    connect(consult, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kView); });
    connect(add, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kInsert); });
    connect(edit, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kChange); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Insert), this), &QShortcut::activated, this,
            [this] { open_form(forms::FormMode::kInsert); });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(customers_, 1);
    layout->addWidget(note_);
    layout->addLayout(button_row({consult, add, edit}, close));
    resize(900, 480);

    fill();
    filters_.front()->setFocus(Qt::OtherFocusReason);
}

QLineEdit* CustomerBrowseWindow::filter_field(const char* name, forms::CustomerFilter which,
                                              int width) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setMaxLength(static_cast<int>(forms::CustomerBrowse::kFilterLimit));
    e->setMinimumWidth(field_width(*e, width));
    if (which == forms::CustomerFilter::kCidade) {
        e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), e));
    }
    e->setText(qs(browse_.filter(which)));
    e->installEventFilter(this);
    connect(e, &QLineEdit::textEdited, this, [this, which](const QString& text) {
        browse_.set_filter(which, text.toStdString());
        fill();
    });
    filters_.push_back(e);
    return e;
}

void CustomerBrowseWindow::fill(std::int32_t select_id) {
    fill_rows(customers_, browse_.lines(), [this](int row, const forms::CustomerBrowseLine& l) {
        set_row(customers_, row,
                {QString::number(l.id_cliente), qs(l.razao), qs(l.nome), qs(l.cgcpf),
                 qs(l.municipio), qs(l.telef), l.ativo ? "Sim" : "Não"});
    });
    customers_->resizeColumnsToContents();
    note_->setText(qs(browse_.note()));
    const auto index = select_id ? browse_.index_of(select_id) : std::nullopt;
    if (index) {
        customers_->selectRow(static_cast<int>(*index));
    } else if (!browse_.lines().empty()) {
        customers_->selectRow(0);
    }
}

void CustomerBrowseWindow::open_form(forms::FormMode mode) {
    std::int32_t id = 0;
    if (mode != forms::FormMode::kInsert) {
        const int row = customers_->currentRow();
        if (row < 0 || row >= static_cast<int>(browse_.lines().size())) return;
        id = browse_.lines()[static_cast<std::size_t>(row)].id_cliente;
    }
    if (const auto saved = opener_(mode, id)) {
        browse_.reload();
        fill(*saved);
    }
}

bool CustomerBrowseWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (is_enter(key)) {
            open_form(forms::FormMode::kChange);
            return true;
        }
        if (watched != customers_ && pass_moving_key(key, customers_)) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CustomerBrowseWindow::closeEvent(QCloseEvent* event) {
    browse_.close();
    QWidget::closeEvent(event);
}

}  // namespace balcora::gui
