#pragma once

#include <QString>

#include <functional>
#include <vector>

class QDialog;
class QFormLayout;
class QLineEdit;
class QVBoxLayout;
class QWidget;

namespace balcora::gui {

// A line of at most `max_chars` characters, `width` characters wide, named
// for tests; a `secret` one hides what is typed.
QLineEdit* line_edit(QWidget* parent, const char* name, int max_chars, int width,
                     bool secret = false);

// A row of the form: the label, whose mnemonic moves to the field, and the field.
void add_row(QWidget* parent, QFormLayout* form, const QString& label, QWidget* field);

// line_edit() on a row of the form under its label.
QLineEdit* form_line(QWidget* parent, QFormLayout* form, const QString& label, const char* name,
                     int max_chars, int width, bool secret = false);

// The column of a small form dialog: `above` (when given) and a gap, the
// form, `below` (when given) and a gap; the caller adds its buttons. The
// dialog keeps the size of its content.
QVBoxLayout* form_column(QDialog* dialog, QFormLayout* form, QWidget* above = nullptr,
                         QWidget* below = nullptr);

// The rest of a form dialog with "ok_text" and "&Cancelar" (ok_cancel()) under
// its column (form_column()): Enter moves through the fields and confirms in
// the last, Tab goes through the fields and then the two buttons.
void finish_form(QDialog* dialog, QFormLayout* form, const std::vector<QWidget*>& fields,
                 const QString& ok_text, const std::function<void()>& on_ok,
                 QWidget* above = nullptr, QWidget* below = nullptr);

// Tab goes through the widgets in the order given.
void tab_chain(const std::vector<QWidget*>& widgets);

// After the screen's ok(): false while the screen stays open; once it has
// closed, the dialog ends as well, accepted when the screen did its work.
bool ended_with_screen(QDialog* dialog, bool screen_open, bool succeeded);

// The field the screen points the operator to, its text selected for retyping.
void focus_field(QLineEdit* field);

}  // namespace balcora::gui
