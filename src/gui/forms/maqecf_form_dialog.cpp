#include "gui/forms/maqecf_form_dialog.h"

#include "forms/maqecf_choices.h"
#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"
#include "ui/environment.h"
#include "util/day_number.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

using forms::MaqecfField;

QLineEdit* line(QWidget* parent, const char* name, int max_length, const char* digits = nullptr) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(max_length);
    if (digits) {
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(digits), e));
    }
    return e;
}

QLineEdit* date_field(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setInputMask("99/99/9999;_");
    e->setMaximumWidth(e->fontMetrics().horizontalAdvance("00/00/00000") + 16);
    return e;
}

QComboBox* combo(QWidget* parent, const char* name, const std::vector<forms::Choice>& choices) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    for (const auto& choice : choices) c->addItem(qs(choice.label), choice.value);
    return c;
}

void select_value(QComboBox* c, int value) {
    c->setCurrentIndex(c->findData(value));
}

int value_of(const QComboBox* c) {
    return c->currentIndex() < 0 ? 0 : c->currentData().toInt();
}

QString date_text(util::DayNumber d) {
    return qs(util::br_date(d));
}

// A date field read back: blank is no date; false for a date that does not exist.
bool read_date(const QLineEdit* e, util::DayNumber& out) {
    QString digits = e->text();
    digits.remove(QRegularExpression("[^0-9]"));
    if (digits.isEmpty()) {
        out = 0;
        return true;
    }
    out = util::parse_br_date(e->text().toStdString());
    return out > 0;
}

}  // namespace

MaqecfFormDialog::MaqecfFormDialog(forms::MaqecfForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    setWindowTitle(forms::MaqecfForm::kTitle);
    setObjectName("maqecf_form");

    id_ = line(this, "id_maqecf", 9, "[0-9]{0,9}");
    numero_ = line(this, "numero", 9, "[0-9]{0,9}");
    num_serie_ = line(this, "num_serie", 30);
    model_choice_ = new QComboBox(this);
    model_choice_->setObjectName("model_choice");
    model_choice_->addItem(QString());
    for (const auto& m : form_.models()) model_choice_->addItem(qs(m.label()));
    marca_ = line(this, "marca", 30);
    modelo_ = line(this, "modelo", 30);
    dt1_ = date_field(this, "dt1");
    situacao_ = new QComboBox(this);
    situacao_->setObjectName("situacao");
    situacao_->addItem("Aberto", "A");
    situacao_->addItem("Fechado", "F");
    data_sit_ = date_field(this, "data_sit");
    porta_com_ = combo(this, "porta_com", forms::printer_port_choices());
    modelo_scanner_ = combo(this, "modelo_scanner", forms::scanner_model_choices());
    porta_com_scanner_ = combo(this, "porta_com_scanner", forms::scanner_port_choices());
    num_cred_ecf_ = line(this, "num_cred_ecf", 15, "[0-9]{0,15}");

    fields_ = {{MaqecfField::kIdMaqecf, id_},
               {MaqecfField::kNumero, numero_},
               {MaqecfField::kNumSerie, num_serie_},
               {MaqecfField::kMarca, marca_},
               {MaqecfField::kModelo, modelo_},
               {MaqecfField::kDt1, dt1_},
               {MaqecfField::kSituacao, situacao_},
               {MaqecfField::kDataSit, data_sit_},
               {MaqecfField::kPortaCom, porta_com_},
               {MaqecfField::kModeloScanner, modelo_scanner_},
               {MaqecfField::kPortaComScanner, porta_com_scanner_},
               {MaqecfField::kNumCredEcf, num_cred_ecf_}};

    auto* printer = new QFormLayout;
    printer->addRow("Código:", id_);
    printer->addRow("Número:", numero_);
    printer->addRow("Nº de Série de Fabricação:", num_serie_);
    printer->addRow("Marca/Modelo cadastrado:", model_choice_);
    printer->addRow("Marca:", marca_);
    printer->addRow("Modelo:", modelo_);
    printer->addRow("Data Intervenção Técnica:", dt1_);
    printer->addRow("Situação:", situacao_);
    printer->addRow("Data:", data_sit_);
    printer->addRow("Porta de comunicação:", porta_com_);
    printer->addRow("Modelo Scanner:", modelo_scanner_);
    printer->addRow("Porta de Comunicação:", porta_com_scanner_);
    printer->addRow("Nº Credenciamento do ECF:", num_cred_ecf_);

    QPushButton* ok = dialog_button(this, "&Ok", "ok");
    ok->setDefault(true);
    QPushButton* cancel = row_button(this, "&Cancelar", "cancel");
    connect(ok, &QPushButton::clicked, this, &MaqecfFormDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(model_choice_, &QComboBox::activated, this, &MaqecfFormDialog::model_chosen);
    ok->setEnabled(!form_.read_only());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(printer);
    layout->addLayout(button_row({}, {ok, cancel}));

    auto* reveal = new QShortcut(QKeySequence("Ctrl+A"), this);
    connect(reveal, &QShortcut::activated, this, &MaqecfFormDialog::reveal_situation);
    auto* duplicate = new QShortcut(QKeySequence("Ctrl+H"), this);
    connect(duplicate, &QShortcut::activated, this, &MaqecfFormDialog::duplicate_focused);

    show_record();
    apply_access();
    (form_.mode() == forms::FormMode::kInsert ? id_ : numero_)->setFocus(Qt::OtherFocusReason);
}

void MaqecfFormDialog::show_record() {
    const MaqecfRecord& r = form_.record();
    id_->setText(QString::number(r.id_maqecf));
    numero_->setText(QString::number(r.numero));
    num_serie_->setText(qs(r.num_serie));
    const auto chosen = form_.chosen_model();
    model_choice_->setCurrentIndex(chosen ? static_cast<int>(*chosen) + 1 : 0);
    marca_->setText(qs(r.marca));
    modelo_->setText(qs(r.modelo));
    dt1_->setText(date_text(r.dt1));
    situacao_->setCurrentIndex(situacao_->findData(qs(r.situacao)));
    data_sit_->setText(date_text(r.data_sit));
    select_value(porta_com_, r.porta_com);
    select_value(modelo_scanner_, r.modelo_scanner);
    select_value(porta_com_scanner_, r.porta_com_scanner);
    num_cred_ecf_->setText(r.num_cred_ecf ? QString::number(r.num_cred_ecf) : QString());
}

void MaqecfFormDialog::apply_access() {
    const bool editable = !form_.read_only();
    for (auto& [field, widget] : fields_) widget->setEnabled(editable);
    model_choice_->setEnabled(editable);
    id_->setEnabled(editable && form_.mode() == forms::FormMode::kInsert);
    situacao_->setEnabled(editable && form_.situation_revealed());
    data_sit_->setEnabled(editable && form_.situation_revealed());
}

bool MaqecfFormDialog::take_record() {
    MaqecfRecord& r = form_.record();
    util::DayNumber dt1 = 0, data_sit = 0;
    for (auto [field, edit, out] : {std::tuple{MaqecfField::kDt1, dt1_, &dt1},
                                    std::tuple{MaqecfField::kDataSit, data_sit_, &data_sit}}) {
        if (!read_date(edit, *out)) {
            prompt().message("Aviso", "Data inválida!", ui::Icon::kWarning);
            fields_.at(field)->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    r.id_maqecf = id_->text().toInt();
    r.numero = numero_->text().toInt();
    r.num_serie = num_serie_->text().toStdString();
    r.marca = marca_->text().toStdString();
    r.modelo = modelo_->text().toStdString();
    r.dt1 = dt1;
    r.situacao = situacao_->currentData().toString().toStdString();
    r.data_sit = data_sit;
    r.porta_com = value_of(porta_com_);
    r.modelo_scanner = value_of(modelo_scanner_);
    r.porta_com_scanner = value_of(porta_com_scanner_);
    r.num_cred_ecf = num_cred_ecf_->text().toLongLong();
    return true;
}

void MaqecfFormDialog::confirm() {
    if (form_.read_only() || !take_record()) return;
    if (form_.save()) {
        accept();
        return;
    }
    // The form may have loaded another station's values.
    show_record();
    if (auto field = form_.focus_field()) fields_.at(*field)->setFocus(Qt::OtherFocusReason);
}

void MaqecfFormDialog::duplicate_focused() {
    for (auto& [field, widget] : fields_) {
        if (widget->hasFocus() || widget->isAncestorOf(focusWidget())) {
            if (!take_record()) return;
            if (form_.duplicate_field(field)) show_record();
            return;
        }
    }
}

void MaqecfFormDialog::reveal_situation() {
    form_.reveal_situation();
    apply_access();
}

void MaqecfFormDialog::model_chosen(int index) {
    if (index <= 0 || !take_record()) return;
    form_.choose_model(static_cast<std::size_t>(index - 1));
    show_record();
}

}  // namespace balcora::gui
