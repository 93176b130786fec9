#include "gui/blocox/reg60m_form_dialog.h"

#include "gui/qt_text.h"
#include "gui/shell/form_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace balcora::gui {

using blocox::Reg60mForm;

Reg60mFormDialog::Reg60mFormDialog(Reg60mForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    setWindowTitle(Reg60mForm::kTitle);
    setObjectName("reg60m_form");
    auto* layout = new QFormLayout;
    std::vector<QWidget*> order;
    for (int k = 0; k < Reg60mForm::kFieldCount; ++k) {
        const auto& info = Reg60mForm::info(static_cast<Reg60mForm::Field>(k));
        const int width = info.kind == Reg60mForm::FieldInfo::kMoney ? 16 : 10;
        QLineEdit* field = form_line(this, layout, qs(info.label) + ":", info.name, width, width);
        field->setText(qs(form_.values[static_cast<std::size_t>(k)]));
        field->setReadOnly(form_.read_only());
        if (info.kind != Reg60mForm::FieldInfo::kDate) field->setAlignment(Qt::AlignRight);
        fields_[static_cast<std::size_t>(k)] = field;
        order.push_back(field);
    }
    auto* situation = new QLabel(qs(form_.situacao()), this);
    situation->setObjectName("situacao");
    add_row(this, layout, tr("Situação:"), situation);
    auto* receipt = new QLabel(qs(form_.recibo()), this);
    receipt->setObjectName("recibo");
    receipt->setTextInteractionFlags(Qt::TextSelectableByMouse);
    add_row(this, layout, tr("Recibo Bloco X:"), receipt);
    finish_form(this, layout, order, tr("&Ok"), [this] { ok(); });
}

void Reg60mFormDialog::ok() {
    if (form_.read_only()) {
        accept();
        return;
    }
    for (std::size_t k = 0; k < fields_.size(); ++k)
        form_.values[k] = fields_[k]->text().toStdString();
    if (form_.save()) {
        accept();
        return;
    }
    if (form_.focus()) focus_field(fields_[static_cast<std::size_t>(*form_.focus())]);
}

bool run_reg60m_form(forms::FormMode mode, std::int32_t id_reg60m, QWidget* parent) {
    Reg60mForm form;
    const bool opened =
        mode == forms::FormMode::kInsert ? form.open_insert() : form.open(mode, id_reg60m);
    if (!opened) return false;
    Reg60mFormDialog dialog(form, parent);
    return dialog.exec() == QDialog::Accepted && !form.read_only();
}

}  // namespace balcora::gui
