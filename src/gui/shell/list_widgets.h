#pragma once

#include <QString>
#include <QStringList>
#include <QTableWidget>

#include <vector>

class QHBoxLayout;
class QKeyEvent;
class QPushButton;
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

// Cells of such a list from the first column on, one per text.
void set_row(QTableWidget* table, int row, const QStringList& texts);

// One row per element of `list`, each filled by `fill(row, element)`.
template <class List, class Fill>
void fill_rows(QTableWidget* table, const List& list, Fill fill) {
    table->setRowCount(static_cast<int>(list.size()));
    int row = 0;
    for (const auto& element : list) fill(row++, element);
}

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
