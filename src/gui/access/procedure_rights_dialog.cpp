#include "gui/access/procedure_rights_dialog.h"

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
    : QDialog(parent), screen_(screen) {
    setWindowTitle(QString::fromStdString(screen_.caption()));
    setObjectName("procedure_rights_dialog");

    QStringList headers{tr("Login"), tr("Nome")};
    for (const auto& c : screen_.columns()) headers << QString::fromStdString(c.label);
    rights_ = new QTableWidget(0, static_cast<int>(headers.size()), this);
    rights_->setObjectName("rights");
    rights_->setHorizontalHeaderLabels(headers);
    rights_->verticalHeader()->hide();
    rights_->verticalHeader()->setDefaultSectionSize(rights_->fontMetrics().height() + 8);
    rights_->setAlternatingRowColors(true);
    rights_->setSelectionMode(QAbstractItemView::SingleSelection);
    rights_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rights_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int c = 0; c < rights_->columnCount(); ++c)
        if (c != 1)
            rights_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    connect(rights_, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { toggled(item->row(), item->column()); });

    auto* label = new QLabel(tr("&Usuários ativos:"), this);
    label->setBuddy(rights_);
    auto* save = new QPushButton(tr("&Gravar"), this);
    save->setObjectName("save");
    save->setAutoDefault(false);
    auto* close = new QPushButton(tr("&Fechar"), this);
    close->setObjectName("close");
    close->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, [this] {
        screen_.save();
        fill();
    });
    connect(close, &QPushButton::clicked, this, &ProcedureRightsDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(rights_, 1);
    layout->addLayout(buttons);
    resize(520, 340);
    fill();
    rights_->setFocus(Qt::OtherFocusReason);
}

void ProcedureRightsDialog::fill() {
    filling_ = true;
    const auto& rows = screen_.rows();
    rights_->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const auto& row = rows[static_cast<std::size_t>(i)];
        const QString texts[] = {QString::fromStdString(row.op.login),
                                 QString::fromStdString(row.op.name)};
        for (int c = 0; c < kFixedColumns; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            rights_->setItem(i, c, item);
        }
        for (std::size_t c = 0; c < screen_.columns().size(); ++c) {
            auto* item = new QTableWidgetItem;
            Qt::ItemFlags flags = Qt::ItemIsUserCheckable | Qt::ItemIsSelectable;
            if (row.editable) flags |= Qt::ItemIsEnabled;
            item->setFlags(flags);
            item->setCheckState(row.bits & screen_.columns()[c].bit ? Qt::Checked : Qt::Unchecked);
            rights_->setItem(i, static_cast<int>(c) + kFixedColumns, item);
        }
    }
    filling_ = false;
}

void ProcedureRightsDialog::toggled(int row, int column) {
    if (filling_ || column < kFixedColumns) return;
    const bool on = rights_->item(row, column)->checkState() == Qt::Checked;
    screen_.set_right(row, column - kFixedColumns, on);
    fill();
    rights_->setCurrentCell(row, column);
}

void ProcedureRightsDialog::reject() {
    screen_.close();
    QDialog::reject();
}

}  // namespace balcora::gui
