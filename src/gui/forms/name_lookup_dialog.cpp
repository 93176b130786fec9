#include "gui/forms/name_lookup_dialog.h"

#include "ui/environment.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

NameLookupDialog::NameLookupDialog(QWidget* parent, const QString& title, const char* object_name,
                                   const QString& filter_label, const QStringList& headers,
                                   int filter_limit)
    : QDialog(parent) {
    setWindowTitle(title);
    setObjectName(object_name);
    setSizeGripEnabled(true);

    auto* label = new QLabel(filter_label, this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName("filter");
    filter_->setMaxLength(filter_limit);
    label->setBuddy(filter_);
    filter_->installEventFilter(this);

    table_ = new QTableWidget(0, static_cast<int>(headers.size()), this);
    table_->setObjectName("lines");
    table_->setHorizontalHeaderLabels(headers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->installEventFilter(this);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { select_current(); });

    note_ = new QLabel(this);
    note_->setObjectName("note");
    auto* select = new QPushButton("&Selecionar", this);
    select->setObjectName("select");
    auto* close = new QPushButton("&Fechar", this);
    close->setObjectName("close");
    for (QPushButton* b : {select, close}) b->setAutoDefault(false);
    connect(select, &QPushButton::clicked, this, [this] { select_current(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* filter_row = new QHBoxLayout;
    filter_row->addWidget(label);
    filter_row->addWidget(filter_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(select);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filter_row);
    layout->addWidget(table_, 1);
    layout->addWidget(note_);
    layout->addLayout(buttons);
    resize(760, 440);

    connect(filter_, &QLineEdit::textEdited, this, [this](const QString& text) {
        apply_filter(text.toStdString());
        fill();
    });
    filter_->setFocus();
}

void NameLookupDialog::show_lines(const std::string& filter) {
    filter_->setText(QString::fromStdString(filter));
    fill();
}

void NameLookupDialog::fill() {
    const std::vector<QStringList> lines = rows();
    table_->setRowCount(static_cast<int>(lines.size()));
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const QStringList& cells = lines[static_cast<std::size_t>(r)];
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            table_->setItem(r, c, item);
        }
    }
    table_->resizeColumnsToContents();
    note_->setText(QString::fromStdString(note()));
    if (!lines.empty()) table_->selectRow(0);
}

void NameLookupDialog::select_current() {
    const int row = table_->currentRow();
    const auto key = row < 0 ? std::nullopt : choose(static_cast<std::size_t>(row));
    if (!key) {
        prompt().beep();
        return;
    }
    chosen_ = key;
    accept();
}

bool NameLookupDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == filter_ || watched == table_) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                select_current();
                return true;
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                if (watched == filter_) {
                    QApplication::sendEvent(table_, key);
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void NameLookupDialog::done(int result) {
    if (!closed_) {
        closed_ = true;
        remember();
    }
    QDialog::done(result);
}

}  // namespace balcora::gui
