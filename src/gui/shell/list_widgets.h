#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QHBoxLayout;
class QKeyEvent;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

namespace balcora::gui {

// A read-only list of whole rows, one chosen at a time, in alternating colours
// and without row numbers.
QTableWidget* list_table(QWidget* parent, const char* name, const QStringList& headers);

// A list whose rows are tall enough for check boxes.
QTableWidget* check_table(QWidget* parent, const char* name, const QStringList& headers);

// A cell of such a list: selectable, never edited.
QTableWidgetItem* list_cell(const QString& text);

// A check box cell; a disabled one shows its state but does not change.
QTableWidgetItem* check_cell(bool checked, bool enabled);

// A button named for tests and styles; in a dialog, Enter on it presses it.
QPushButton* dialog_button(QWidget* parent, const QString& text, const char* name);

// A button of a window's row of buttons, which Enter in a field does not press.
QPushButton* row_button(QWidget* parent, const QString& text, const char* name);

// A window's row of buttons: `left` from the left edge, `right` at the right.
QHBoxLayout* button_row(const std::vector<QPushButton*>& left,
                        const std::vector<QPushButton*>& right);
QHBoxLayout* button_row(const std::vector<QPushButton*>& left, QPushButton* right);

// Enter or Return: the key that chooses the current row of a list.
bool is_enter(const QKeyEvent* key);

// Up, Down, Page Up and Page Down typed in a filter field move the list
// instead, while the operator keeps typing the filter; true when the key was
// one of them.
bool pass_moving_key(QKeyEvent* key, QWidget* list);

}  // namespace balcora::gui
