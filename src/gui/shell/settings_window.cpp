#include "gui/shell/settings_window.h"

#include "gui/log/log_windows.h"
#include "gui/qt_text.h"
#include "gui/shell/enter_navigation.h"
#include "shell/main_menu.h"
#include "ui/environment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace balcora {

namespace gui {

namespace {

// The field's editing widget when it is wrapped with a button.
template <typename T>
T* editor(QWidget* w) {
    if (auto* t = qobject_cast<T*>(w)) return t;
    return w ? w->findChild<T*>(w->objectName()) : nullptr;
}

}  // namespace

SettingsWindow::SettingsWindow(shell::SettingsScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(tr("Configuração"));
    setObjectName("settings_window");

    std::map<std::string, QGroupBox*> groups;
    std::vector<std::string> order;
    for (const auto& f : shell::settings_fields()) {
        const std::string group(f.group);
        if (!groups.count(group)) {
            auto* box = new QGroupBox(qs(f.group), this);
            auto* form = new QFormLayout(box);
            form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
            form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
            groups[group] = box;
            order.push_back(group);
        }
        auto* form = static_cast<QFormLayout*>(groups[group]->layout());
        QWidget* w = make_field(f);
        if (f.kind == shell::FieldKind::kCheck)
            form->addRow(QString(), w);
        else
            form->addRow(qs(f.label) + ":", w);
    }

    // Sale options on the left; the rest, which an installer sets once, on the right.
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    for (std::size_t i = 0; i < order.size(); ++i)
        (i == 0 ? left : right)->addWidget(groups[order[i]]);
    left->addStretch(1);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* hours = button(tr("&Horário Fechamento"), "horario_fechamento");
    QPushButton* payments = button(tr("Forma de &Pagamento"), "forma_pagamento");
    QPushButton* log = button(tr("&Log"), "log");
    QPushButton* save = button(tr("&Salvar"), "salvar");
    QPushButton* close = button(tr("&Fechar"), "fechar");
    for (auto [b, name] : {std::pair{hours, "HORARIOFECHAMENTO"}, {payments, "FORMAPAGAMENTO"}}) {
        const std::string screen_name = name;
        b->setEnabled(screens().available(screen_name));
        if (!b->isEnabled()) b->setToolTip(qs(shell::kNotYetAvailable));
        connect(b, &QPushButton::clicked, this, [screen_name] { screens().run(screen_name); });
    }
    connect(log, &QPushButton::clicked, this, [] { CONSULTALOG("", "configuracao", "", 0); });
    connect(save, &QPushButton::clicked, this, &SettingsWindow::save);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hours);
    buttons->addWidget(payments);
    buttons->addWidget(log);
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    certificate_type_changed();
}

QWidget* SettingsWindow::make_field(const shell::SettingField& f) {
    const std::string id(f.id);
    const QString value = QString::fromStdString(screen_.value(f.id));
    QWidget* w = nullptr;
    switch (f.kind) {
        case shell::FieldKind::kCheck: {
            auto* c = new QCheckBox(qs(f.label), this);
            c->setChecked(screen_.checked(f.id));
            w = c;
            break;
        }
        case shell::FieldKind::kChoice: {
            auto* c = new QComboBox(this);
            for (const auto& choice : f.choices) c->addItem(qs(choice.label), qs(choice.value));
            c->setCurrentIndex(std::max(0, c->findData(value)));
            if (f.id == "tipo_certificado")
                connect(c, &QComboBox::currentIndexChanged, this,
                        &SettingsWindow::certificate_type_changed);
            w = c;
            break;
        }
        case shell::FieldKind::kCertificateSerial:
            w = make_certificate_serial(f);
            break;
        case shell::FieldKind::kFile:
            w = make_file(f);
            break;
        default: {
            auto* e = new QLineEdit(value, this);
            if (f.max_length > 0) e->setMaxLength(f.max_length);
            if (f.kind == shell::FieldKind::kPassword) e->setEchoMode(QLineEdit::Password);
            if (f.kind == shell::FieldKind::kPercent) {
                e->setAlignment(Qt::AlignRight);
                e->setMaximumWidth(field_width(*e, 5));
            }
            w = e;
            break;
        }
    }
    w->setObjectName(QString::fromStdString(id));
    widgets_[id] = w;
    return w;
}

QWidget* SettingsWindow::make_certificate_serial(const shell::SettingField& f) {
    auto* combo = new QComboBox(this);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    auto* model = new QStandardItemModel(0, 4, combo);
    model->setHorizontalHeaderLabels(
        {tr("Número de Série"), tr("CNPJ"), tr("Vencto"), tr("Razão Social")});
    for (const auto& c : screen_.certificates())
        model->appendRow({new QStandardItem(QString::fromStdString(c.serial)),
                          new QStandardItem(QString::fromStdString(c.cnpj)),
                          new QStandardItem(QString::fromStdString(c.expires)),
                          new QStandardItem(QString::fromStdString(c.company))});
    auto* view = new QTableView(combo);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->setVisible(false);
    view->horizontalHeader()->setStretchLastSection(true);
    combo->setModel(model);
    combo->setView(view);
    combo->setModelColumn(0);
    view->resizeColumnsToContents();
    view->setMinimumWidth(520);
    if (f.max_length > 0) combo->lineEdit()->setMaxLength(f.max_length);
    combo->setMinimumWidth(field_width(*combo, 24));
    combo->setEditText(QString::fromStdString(screen_.value(f.id)));
    return combo;
}

QWidget* SettingsWindow::make_file(const shell::SettingField& f) {
    auto* holder = new QWidget(this);
    auto* edit = new QLineEdit(QString::fromStdString(screen_.value(f.id)), holder);
    edit->setObjectName(qs(f.id));
    if (f.max_length > 0) edit->setMaxLength(f.max_length);
    auto* browse = new QToolButton(holder);
    browse->setText("...");
    browse->setToolTip(tr("Escolher o arquivo do certificado"));
    // The shop's own certificate comes as PFX; the authority's server
    // certificate, trusted for HTTPS, as PEM.
    const bool authority = f.id == "certificado_fisco";
    const QString title = authority ? tr("Certificado do Fisco") : tr("Certificado A1");
    const QString filter = authority ? tr("Certificados (*.pem *.crt *.cer);;Todos (*)")
                                     : tr("Certificados (*.pfx *.p12);;Todos (*)");
    connect(browse, &QToolButton::clicked, this, [this, edit, title, filter] {
        QString file = QFileDialog::getOpenFileName(this, title, edit->text(), filter);
        if (!file.isEmpty()) edit->setText(file);
    });
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(edit, 1);
    row->addWidget(browse);
    holder->setFocusProxy(edit);
    return holder;
}

void SettingsWindow::certificate_type_changed() {
    auto* type = qobject_cast<QComboBox*>(field_widget("tipo_certificado"));
    const bool a3 = type && type->currentData().toString() == "A3";
    if (QWidget* serial = field_widget("num_serie")) serial->setEnabled(a3);
    if (QWidget* file = field_widget("certificado")) file->setEnabled(!a3);
}

QWidget* SettingsWindow::field_widget(const std::string& id) const {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
}

void SettingsWindow::collect() {
    for (const auto& f : shell::settings_fields()) {
        QWidget* w = field_widget(std::string(f.id));
        switch (f.kind) {
            case shell::FieldKind::kCheck:
                screen_.set_checked(f.id, static_cast<QCheckBox*>(w)->isChecked());
                break;
            case shell::FieldKind::kChoice:
                screen_.set_value(
                    f.id, static_cast<QComboBox*>(w)->currentData().toString().toStdString());
                break;
            case shell::FieldKind::kCertificateSerial:
                screen_.set_value(f.id, static_cast<QComboBox*>(w)->currentText().toStdString());
                break;
            default:
                screen_.set_value(f.id, editor<QLineEdit>(w)->text().toStdString());
                break;
        }
    }
}

void SettingsWindow::save() {
    collect();
    std::string focus;
    if (screen_.save(&focus)) return;
    if (QWidget* w = field_widget(focus)) {
        w->setFocus();
        if (auto* e = editor<QLineEdit>(w)) e->selectAll();
    }
}

}  // namespace gui

void CONFIGURACAO() {
    shell::SettingsScreen screen;
    if (!screen.open()) return;
    gui::SettingsWindow window(screen, QApplication::activeWindow());
    window.exec();
}

}  // namespace balcora
