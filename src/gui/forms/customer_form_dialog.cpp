#include "gui/forms/customer_form_dialog.h"

#include "gui/forms/lookup_entry.h"
#include "gui/qt_text.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/form_dialog.h"
#include "gui/shell/list_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>

namespace balcora::gui {

namespace {

using forms::CustomerField;

QCheckBox* check(QWidget* parent, const QString& text, const char* name) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(name);
    return c;
}

}  // namespace

CustomerFormDialog::CustomerFormDialog(forms::CustomerForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    setWindowTitle(forms::CustomerForm::kTitle);
    setObjectName("customer_form");

    auto* rows = new QFormLayout;
    id_ = new QLabel(this);
    id_->setObjectName("id_cliente");
    rows->addRow("Código:", id_);
    pesso_ = new QComboBox(this);
    pesso_->setObjectName("pesso");
    pesso_->addItem("Física (CPF)", forms::kNaturalPerson);
    pesso_->addItem("Jurídica (CNPJ)", forms::kCompany);
    add_row(this, rows, "&Pessoa:", pesso_);
    cgcpf_ = form_line(this, rows, "CNP&J/CPF:", "cgcpf", 18, 19);
    inscr_ = form_line(this, rows, "&Inscr. Estadual/RG:", "inscr", 18, 19);
    razao_ = form_line(this, rows, "Nome/&Razão Social:", "razao", 65, 50);
    nome_ = form_line(this, rows, "Nome &Fantasia:", "nome", 40, 40);
    ender_ = form_line(this, rows, "En&dereço:", "ender", 50, 50);
    num_endereco_ = form_line(this, rows, "&Número:", "num_endereco", 20, 12);
    compl_ = form_line(this, rows, "Comp&lemento:", "compl", 40, 40);
    bairr_ = form_line(this, rows, "&Bairro:", "bairr", 20, 20);
    cep_ = form_line(this, rows, "C&EP:", "cep", 9, 10);

    id_municipio_ = line_edit(this, "id_municipio", 9, 10);
    id_municipio_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), id_municipio_));
    municipio_nome_ = new QLabel(this);
    municipio_nome_->setObjectName("municipio_nome");
    municipio_nome_->setMinimumWidth(field_width(*municipio_nome_, 30));
    QPushButton* choose = row_button(this, "... (F2)", "choose_municipality");
    choose->setFocusPolicy(Qt::NoFocus);
    auto* municipio_row = new QHBoxLayout;
    municipio_row->addWidget(id_municipio_);
    municipio_row->addWidget(municipio_nome_, 1);
    municipio_row->addWidget(choose);
    auto* municipio_label = new QLabel("M&unicípio:", this);
    municipio_label->setBuddy(id_municipio_);
    rows->addRow(municipio_label, municipio_row);

    telef_ = form_line(this, rows, "&Telefone:", "telef", 35, 25);
    e_mail_ = form_line(this, rows, "E-&mail:", "e_mail", 40, 40);
    consfinal_ = check(this, "Con&sumidor final", "consfinal");
    ativo_ = check(this, "&Ativo", "ativo");
    rows->addRow(QString(), consfinal_);
    rows->addRow(QString(), ativo_);

    fields_ = {{CustomerField::kPesso, pesso_},
               {CustomerField::kCgcpf, cgcpf_},
               {CustomerField::kInscr, inscr_},
               {CustomerField::kRazao, razao_},
               {CustomerField::kNome, nome_},
               {CustomerField::kEnder, ender_},
               {CustomerField::kNumEndereco, num_endereco_},
               {CustomerField::kCompl, compl_},
               {CustomerField::kBairr, bairr_},
               {CustomerField::kCep, cep_},
               {CustomerField::kMunicipio, id_municipio_},
               {CustomerField::kTelef, telef_},
               {CustomerField::kEmail, e_mail_}};

    QLabel* notice = nullptr;
    if (!form_.notice().empty()) {
        notice = new QLabel(qs(form_.notice()), this);
        notice->setObjectName("notice");
    }
    finish_form(
        this, rows,
        {pesso_, cgcpf_, inscr_, razao_, nome_, ender_, num_endereco_, compl_, bairr_, cep_,
         id_municipio_, telef_, e_mail_, consfinal_, ativo_},
        "&Ok", [this] { confirm(); }, notice);
    // Installed after the Enter navigation, so it sees the code's Enter first.
    id_municipio_->installEventFilter(this);
    connect(choose, &QPushButton::clicked, this, &CustomerFormDialog::choose_municipality);
    connect(new QShortcut(QKeySequence(Qt::Key_F2), this), &QShortcut::activated, this,
            &CustomerFormDialog::choose_municipality);
    connect(id_municipio_, &QLineEdit::textEdited, municipio_nome_, &QLabel::clear);

    show_record();
    apply_access();
    (form_.mode() == forms::FormMode::kInsert ? static_cast<QWidget*>(cgcpf_) : razao_)
        ->setFocus(Qt::OtherFocusReason);
}

void CustomerFormDialog::show_record() {
    const forms::CustomerRecord& r = form_.record();
    id_->setText(r.id_cliente ? QString::number(r.id_cliente) : QString("Novo"));
    pesso_->setCurrentIndex(pesso_->findData(r.pesso));
    cgcpf_->setText(qs(r.cgcpf));
    inscr_->setText(qs(r.inscr));
    razao_->setText(qs(r.razao));
    nome_->setText(qs(r.nome));
    ender_->setText(qs(r.ender));
    num_endereco_->setText(qs(r.num_endereco));
    compl_->setText(qs(r.compl_));
    bairr_->setText(qs(r.bairr));
    cep_->setText(qs(r.cep));
    id_municipio_->setText(r.id_municipio ? QString::number(r.id_municipio) : QString());
    municipio_nome_->setText(qs(form_.municipality_name()));
    telef_->setText(qs(r.telef));
    e_mail_->setText(qs(r.e_mail));
    consfinal_->setChecked(r.consfinal);
    ativo_->setChecked(r.ativo);
}

void CustomerFormDialog::take_record() {
    forms::CustomerRecord& r = form_.record();
    r.pesso = pesso_->currentData().toInt();
    r.cgcpf = cgcpf_->text().toStdString();
    r.inscr = inscr_->text().toStdString();
    r.razao = razao_->text().toStdString();
    r.nome = nome_->text().toStdString();
    r.ender = ender_->text().toStdString();
    r.num_endereco = num_endereco_->text().toStdString();
    r.compl_ = compl_->text().toStdString();
    r.bairr = bairr_->text().toStdString();
    r.cep = cep_->text().toStdString();
    r.id_municipio = id_municipio_->text().toInt();
    r.telef = telef_->text().toStdString();
    r.e_mail = e_mail_->text().toStdString();
    r.consfinal = consfinal_->isChecked();
    r.ativo = ativo_->isChecked();
}

void CustomerFormDialog::apply_access() {
    const bool editable = !form_.read_only();
    for (auto& [field, widget] : fields_) widget->setEnabled(editable);
    consfinal_->setEnabled(editable);
    ativo_->setEnabled(editable);
    if (auto* ok = findChild<QPushButton*>("ok")) ok->setEnabled(editable);
    findChild<QPushButton*>("choose_municipality")->setEnabled(editable);
}

void CustomerFormDialog::confirm() {
    if (form_.read_only()) return;
    take_record();
    if (form_.save()) {
        accept();
        return;
    }
    show_record();
    if (auto field = form_.focus_field()) {
        QWidget* w = fields_.at(*field);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            focus_field(e);
        } else {
            w->setFocus(Qt::OtherFocusReason);
        }
    }
}

void CustomerFormDialog::choose_municipality() {
    if (form_.read_only()) return;
    const auto chosen = gui::choose_municipality(this);
    if (!chosen) return;
    id_municipio_->setText(QString::number(*chosen));
    take_municipality_code();
    id_municipio_->setFocus(Qt::OtherFocusReason);
}

bool CustomerFormDialog::take_municipality_code() {
    const bool known = form_.set_municipality(id_municipio_->text().toInt());
    municipio_nome_->setText(qs(form_.municipality_name()));
    return known;
}

bool CustomerFormDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == id_municipio_ && event->type() == QEvent::KeyPress &&
        is_enter(static_cast<QKeyEvent*>(event))) {
        if (id_municipio_->text().isEmpty()) {
            choose_municipality();
            return true;
        }
        // An unknown code keeps the operator on the field; a known one lets
        // the Enter move on.
        return !take_municipality_code();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace balcora::gui
