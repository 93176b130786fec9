#include "gui/access/procedure_rights_dialog.h"

#include "gui/shell/list_widgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {
constexpr int kFixedColumns = 2;  // login, name
}

ProcedureRightsDialog::ProcedureRightsDialog(access::ProcedureRightsScreen& screen, QWidget* parent)
    : ScreenDialog(screen, parent, "procedure_rights_dialog") {
    setWindowTitle(QString::fromStdString(screen_.caption()));

    QStringList headers{tr("Login"), tr("Nome")};
    for (const auto& c : screen_.columns()) headers << QString::fromStdString(c.label);
    rights_ = check_table(this, "rights", headers);
    rights_->setSelectionBehavior(QAbstractItemView::SelectItems);
    rights_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int c = 0; c < rights_->columnCount(); ++c)
        if (c != 1)
            rights_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    connect(rights_, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { toggled(item->row(), item->column()); });

    auto* label = new QLabel(tr("&Usuários ativos:"), this);
    label->setBuddy(rights_);
    QPushButton* save = row_button(this, tr("&Gravar"), "save");
    QPushButton* close = row_button(this, tr("&Fechar"), "close");
    connect(save, &QPushButton::clicked, this, [this] {
        screen_.save();
        fill();
    });
    connect(close, &QPushButton::clicked, this, &ProcedureRightsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(rights_, 1);
    layout->addLayout(button_row({}, {save, close}));
    resize(520, 340);
    fill();
    rights_->setFocus(Qt::OtherFocusReason);
}

void ProcedureRightsDialog::fill() {
    filling_ = true;
    fill_rows(rights_, screen_.rows(), [this](int i, const auto& row) {
        set_row(rights_, i,
                {QString::fromStdString(row.op.login), QString::fromStdString(row.op.name)});
        for (std::size_t c = 0; c < screen_.columns().size(); ++c)
            rights_->setItem(i, static_cast<int>(c) + kFixedColumns,
                             check_cell((row.bits & screen_.columns()[c].bit) != 0, row.editable));
    });
    filling_ = false;
}

void ProcedureRightsDialog::toggled(int row, int column) {
    if (filling_ || column < kFixedColumns) return;
    const bool on = rights_->item(row, column)->checkState() == Qt::Checked;
    screen_.set_right(row, column - kFixedColumns, on);
    fill();
    rights_->setCurrentCell(row, column);
}

}  // namespace balcora::gui
