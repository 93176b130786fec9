#include "gui/shell/list_widgets.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>

namespace balcora::gui {

QTableWidget* list_table(QWidget* parent, const char* name, const QStringList& headers) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setAlternatingRowColors(true);
    t->verticalHeader()->hide();
    return t;
}

QTableWidget* check_table(QWidget* parent, const char* name, const QStringList& headers) {
    QTableWidget* t = list_table(parent, name, headers);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 8);
    return t;
}

QTableWidgetItem* list_cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

void set_row(QTableWidget* table, int row, const QStringList& texts) {
    for (int c = 0; c < texts.size(); ++c) table->setItem(row, c, list_cell(texts[c]));
}

QTableWidgetItem* check_cell(bool checked, bool enabled) {
    auto* item = new QTableWidgetItem;
    Qt::ItemFlags flags = Qt::ItemIsUserCheckable | Qt::ItemIsSelectable;
    if (enabled) flags |= Qt::ItemIsEnabled;
    item->setFlags(flags);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

QPushButton* dialog_button(QWidget* parent, const QString& text, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QPushButton* row_button(QWidget* parent, const QString& text, const char* name) {
    QPushButton* b = dialog_button(parent, text, name);
    b->setAutoDefault(false);
    return b;
}

QHBoxLayout* button_row(const std::vector<QPushButton*>& left,
                        const std::vector<QPushButton*>& right) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : left) row->addWidget(b);
    row->addStretch();
    for (QPushButton* b : right) row->addWidget(b);
    return row;
}

QHBoxLayout* button_row(const std::vector<QPushButton*>& left, QPushButton* right) {
    return button_row(left, std::vector<QPushButton*>{right});
}

bool is_enter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

bool pass_moving_key(QKeyEvent* key, QWidget* list) {
    switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QApplication::sendEvent(list, key);
            return true;
        default:
            return false;
    }
}

}  // namespace balcora::gui
