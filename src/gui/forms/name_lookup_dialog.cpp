#include "gui/forms/name_lookup_dialog.h"

#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"
#include "ui/environment.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
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

    table_ = list_table(this, "lines", headers);
    table_->setTabKeyNavigation(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->installEventFilter(this);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { select_current(); });

    note_ = new QLabel(this);
    note_->setObjectName("note");
    QPushButton* select = row_button(this, "&Selecionar", "select");
    QPushButton* close = row_button(this, "&Fechar", "close");
    connect(select, &QPushButton::clicked, this, [this] { select_current(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* filter_row = new QHBoxLayout;
    filter_row->addWidget(label);
    filter_row->addWidget(filter_, 1);
    buttons_ = button_row({select}, close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filter_row);
    layout->addWidget(table_, 1);
    layout->addWidget(note_);
    layout->addLayout(buttons_);
    resize(760, 440);

    connect(filter_, &QLineEdit::textEdited, this, [this](const QString& text) {
        apply_filter(text.toStdString());
        fill();
    });
    filter_->setFocus();
}

void NameLookupDialog::show_lines(const std::string& filter) {
    filter_->setText(qs(filter));
    fill();
}

void NameLookupDialog::offer_add(std::function<std::optional<std::int32_t>(QWidget*)> add) {
    QPushButton* button = row_button(this, "&Novo (Ins)", "add");
    buttons_->insertWidget(1, button);
    auto run = [this, add = std::move(add)] {
        if (const auto key = add(this)) {
            chosen_ = key;
            accept();
        }
    };
    connect(button, &QPushButton::clicked, this, run);
    connect(new QShortcut(QKeySequence(Qt::Key_Insert), this), &QShortcut::activated, this, run);
}

void NameLookupDialog::fill() {
    const std::vector<QStringList> lines = rows();
    table_->setRowCount(static_cast<int>(lines.size()));
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const QStringList& cells = lines[static_cast<std::size_t>(r)];
        for (int c = 0; c < cells.size(); ++c) {
            table_->setItem(r, c, list_cell(cells[c]));
        }
    }
    table_->resizeColumnsToContents();
    note_->setText(qs(note()));
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
        if (is_enter(key)) {
            select_current();
            return true;
        }
        if (watched == filter_ && pass_moving_key(key, table_)) return true;
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
