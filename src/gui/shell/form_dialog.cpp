#include "gui/shell/form_dialog.h"

#include "gui/shell/dialog_buttons.h"
#include "gui/shell/enter_navigation.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

QLineEdit* line_edit(QWidget* parent, const char* name, int max_chars, int width, bool secret) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(max_chars);
    e->setFixedWidth(field_width(*e, width));
    if (secret) e->setEchoMode(QLineEdit::Password);
    return e;
}

void add_row(QWidget* parent, QFormLayout* form, const QString& label, QWidget* field) {
    auto* l = new QLabel(label, parent);
    l->setBuddy(field);
    form->addRow(l, field);
}

QLineEdit* form_line(QWidget* parent, QFormLayout* form, const QString& label, const char* name,
                     int max_chars, int width, bool secret) {
    QLineEdit* e = line_edit(parent, name, max_chars, width, secret);
    add_row(parent, form, label, e);
    return e;
}

QVBoxLayout* form_column(QDialog* dialog, QFormLayout* form, QWidget* above, QWidget* below) {
    auto* layout = new QVBoxLayout(dialog);
    if (above) {
        layout->addWidget(above);
        layout->addSpacing(6);
    }
    layout->addLayout(form);
    if (below) layout->addWidget(below);
    layout->addSpacing(6);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return layout;
}

void finish_form(QDialog* dialog, QFormLayout* form, const std::vector<QWidget*>& fields,
                 const QString& ok_text, const std::function<void()>& on_ok, QWidget* above,
                 QWidget* below) {
    QDialogButtonBox* buttons = ok_cancel(dialog, ok_text, on_ok);
    form_column(dialog, form, above, below)->addWidget(buttons);
    auto* enter = new EnterNavigation(dialog, on_ok);
    enter->watch(fields);
    std::vector<QWidget*> chain = fields;
    chain.push_back(ok_button(buttons));
    chain.push_back(cancel_button(buttons));
    tab_chain(chain);
}

void tab_chain(const std::vector<QWidget*>& widgets) {
    for (std::size_t i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}

bool ended_with_screen(QDialog* dialog, bool screen_open, bool succeeded) {
    if (screen_open) return false;
    // done() and not reject(): the dialogs' reject() cancels the screen,
    // which has closed by itself here.
    dialog->done(succeeded ? QDialog::Accepted : QDialog::Rejected);
    return true;
}

void focus_field(QLineEdit* field) {
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

}  // namespace balcora::gui
