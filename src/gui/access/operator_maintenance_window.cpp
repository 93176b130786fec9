#include "gui/access/operator_maintenance_window.h"

#include "gui/access/operator_form_dialog.h"
#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace balcora::gui {

OperatorMaintenanceWindow::OperatorMaintenanceWindow(access::OperatorMaintenanceScreen& screen,
                                                     QWidget* parent)
    : ScreenDialog(screen, parent, "operator_maintenance_window") {
    setWindowTitle(tr(access::OperatorMaintenanceScreen::kCaption));

    operators_ =
        check_table(this, "operators", {tr("Login"), tr("Nome"), tr("Situação"), tr("Admin.")});
    operators_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int c : {0, 2, 3})
        operators_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    connect(operators_, &QTableWidget::itemSelectionChanged, this,
            &OperatorMaintenanceWindow::operator_chosen);
    connect(operators_, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { edit_operator(); });

    // One column per right the catalogue names, in bit order.
    QStringList headers{tr("Procedimento")};
    for (const access::ProcedureRights& p : access::procedures_with_rights())
        for (const access::RightName& r : p.rights)
            if (std::find(right_bits_.begin(), right_bits_.end(), r.bit) == right_bits_.end()) {
                right_bits_.push_back(r.bit);
                headers << qs(r.label);
            }
    rights_ = check_table(this, "rights", headers);
    rights_->setSelectionMode(QAbstractItemView::SingleSelection);
    rights_->setSelectionBehavior(QAbstractItemView::SelectItems);
    rights_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < rights_->columnCount(); ++c)
        rights_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    connect(rights_, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { right_toggled(item->row(), item->column()); });
    rights_note_ = new QLabel(this);
    rights_note_->setObjectName("rights_note");
    rights_note_->setWordWrap(true);
    save_rights_ = row_button(this, tr("Gravar &Direitos"), "save_rights");
    connect(save_rights_, &QPushButton::clicked, this, &OperatorMaintenanceWindow::save_rights);

    auto* operators_label = new QLabel(tr("&Usuários:"), this);
    operators_label->setBuddy(operators_);
    auto* left = new QVBoxLayout;
    left->addWidget(operators_label);
    left->addWidget(operators_, 1);

    auto* rights_box = new QGroupBox(tr("Direitos de acesso"), this);
    auto* rights_layout = new QVBoxLayout(rights_box);
    rights_layout->addWidget(rights_, 1);
    rights_layout->addWidget(rights_note_);
    auto* save_row = new QHBoxLayout;
    save_row->addStretch();
    save_row->addWidget(save_rights_);
    rights_layout->addLayout(save_row);

    auto* panes = new QHBoxLayout;
    panes->addLayout(left, 5);
    panes->addWidget(rights_box, 4);

    QPushButton* add = row_button(this, tr("&Novo"), "add");
    QPushButton* edit = row_button(this, tr("&Alterar"), "edit");
    QPushButton* remove = row_button(this, tr("E&xcluir"), "remove");
    QPushButton* password = row_button(this, tr("&Senha..."), "password");
    QPushButton* close = row_button(this, tr("&Fechar"), "close");
    connect(add, &QPushButton::clicked, this, &OperatorMaintenanceWindow::add_operator);
    connect(edit, &QPushButton::clicked, this, &OperatorMaintenanceWindow::edit_operator);
    connect(remove, &QPushButton::clicked, this, &OperatorMaintenanceWindow::remove_operator);
    connect(password, &QPushButton::clicked, this, &OperatorMaintenanceWindow::reset_password);
    connect(close, &QPushButton::clicked, this, &OperatorMaintenanceWindow::reject);
    QHBoxLayout* actions = button_row({add, edit, remove, password}, close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addLayout(actions);
    resize(860, 440);

    setTabOrder(operators_, rights_);
    setTabOrder(rights_, save_rights_);
    setTabOrder(save_rights_, add);
    fill_operators();
    operators_->setFocus(Qt::OtherFocusReason);
}

void OperatorMaintenanceWindow::fill_operators() {
    filling_ = true;
    fill_rows(operators_, screen_.operators(), [this](int i, const access::Operator& op) {
        set_row(operators_, i,
                {qs(op.login), qs(op.name), op.active ? tr("Ativo") : tr("Inativo"),
                 op.administrator ? tr("Sim") : tr("Não")});
    });
    if (screen_.selected() >= 0) operators_->selectRow(screen_.selected());
    filling_ = false;
    fill_rights();
}

void OperatorMaintenanceWindow::fill_rights() {
    filling_ = true;
    const auto& rows = screen_.rights();
    const std::string locked = screen_.rights_locked_reason();
    fill_rows(rights_, rows, [&](int i, const auto& row) {
        rights_->setItem(i, 0, list_cell(qs(row.procedure->title)));
        for (std::size_t c = 0; c < right_bits_.size(); ++c) {
            const std::uint8_t bit = right_bits_[c];
            bool listed = false;
            for (const access::RightName& r : row.procedure->rights) listed |= r.bit == bit;
            QTableWidgetItem* item = nullptr;
            if (listed) {
                item = check_cell((row.bits & bit) != 0, locked.empty());
            } else {
                item = new QTableWidgetItem;
                item->setFlags(Qt::NoItemFlags);
            }
            rights_->setItem(i, static_cast<int>(c) + 1, item);
        }
    });
    rights_note_->setText(qs(locked));
    rights_note_->setVisible(!locked.empty());
    save_rights_->setEnabled(locked.empty() && !rows.empty());
    filling_ = false;
}

void OperatorMaintenanceWindow::operator_chosen() {
    if (filling_) return;
    const auto selected = operators_->selectionModel()->selectedRows();
    screen_.select(selected.isEmpty() ? -1 : selected.front().row());
    fill_rights();
}

void OperatorMaintenanceWindow::right_toggled(int row, int column) {
    if (filling_ || column < 1 || column > static_cast<int>(right_bits_.size())) return;
    const bool on = rights_->item(row, column)->checkState() == Qt::Checked;
    screen_.set_right(row, right_bits_[static_cast<std::size_t>(column - 1)], on);
    // Access and supervisor depend on each other: show what the screen made.
    fill_rights();
    rights_->setCurrentCell(row, column);
}

void OperatorMaintenanceWindow::save_rights() {
    screen_.save_rights();
    fill_rights();
}

void OperatorMaintenanceWindow::add_operator() {
    screen_.begin_add();
    OperatorFormDialog dialog(screen_, this);
    if (dialog.exec() == QDialog::Accepted) fill_operators();
}

void OperatorMaintenanceWindow::edit_operator() {
    if (!screen_.begin_edit()) return;
    OperatorFormDialog dialog(screen_, this);
    if (dialog.exec() == QDialog::Accepted) fill_operators();
}

void OperatorMaintenanceWindow::remove_operator() {
    if (screen_.remove_selected()) fill_operators();
}

void OperatorMaintenanceWindow::reset_password() {
    if (!screen_.selected_operator()) return;
    ask_new_password(screen_, this);
}

}  // namespace balcora::gui
