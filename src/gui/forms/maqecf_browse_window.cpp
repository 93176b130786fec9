#include "gui/forms/maqecf_browse_window.h"

#include "gui/forms/maqecf_form_dialog.h"
#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

bool run_printer_form(forms::FormMode mode, std::int32_t id_maqecf, QWidget* parent) {
    forms::MaqecfForm form;
    const bool opened =
        mode == forms::FormMode::kInsert ? form.open_insert() : form.open(mode, id_maqecf);
    if (!opened) return false;
    MaqecfFormDialog dialog(form, parent);
    return dialog.exec() == QDialog::Accepted;
}

MaqecfBrowseWindow::MaqecfBrowseWindow(QWidget* parent, FormOpener opener)
    : QWidget(parent, Qt::Window), opener_(std::move(opener)) {
    setWindowTitle(forms::MaqecfBrowse::kTitle);
    setObjectName("maqecf_browse");
    setAttribute(Qt::WA_DeleteOnClose);
    if (!opener_) {
        opener_ = [this](forms::FormMode mode, std::int32_t id) {
            return run_printer_form(mode, id, this);
        };
    }

    printers_ =
        list_table(this, "printers",
                   {"Marca", "Modelo", "Porta", "Modelo Scanner", "Porta Scanner", "Nº Série"});
    printers_->horizontalHeader()->setStretchLastSection(true);
    connect(printers_, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { open_form(forms::FormMode::kChange); });

    QPushButton* consult = row_button(this, "Con&sulta", "consult");
    QPushButton* add = row_button(this, "&Novo", "add");
    QPushButton* edit = row_button(this, "&Editar", "edit");
    QPushButton* remove = row_button(this, "E&xcluir", "remove");
    QPushButton* close = row_button(this, "&Fechar", "close");
    connect(consult, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kView); });
    connect(add, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kInsert); });
    connect(edit, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kChange); });
    connect(remove, &QPushButton::clicked, this, &MaqecfBrowseWindow::remove_selected);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // The usual keys of the store's browse windows.
    connect(new QShortcut(QKeySequence(Qt::Key_Insert), this), &QShortcut::activated, this,
            [this] { open_form(forms::FormMode::kInsert); });
    connect(new QShortcut(QKeySequence(Qt::Key_Delete), this), &QShortcut::activated, this,
            &MaqecfBrowseWindow::remove_selected);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    QHBoxLayout* buttons = button_row({consult, add, edit, remove}, close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printers_, 1);
    layout->addLayout(buttons);
    resize(720, 320);

    fill();
}

void MaqecfBrowseWindow::fill(std::int32_t select_id) {
    browse_.reload();
    const auto& lines = browse_.lines();
    printers_->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const forms::MaqecfLine& l = lines[static_cast<std::size_t>(i)];
        int c = 0;
        for (const std::string* text :
             {&l.marca, &l.modelo, &l.porta, &l.modelo_scanner, &l.porta_scanner, &l.num_serie}) {
            printers_->setItem(i, c++, list_cell(qs(*text)));
        }
    }
    printers_->resizeColumnsToContents();
    const auto index = select_id ? browse_.index_of(select_id) : std::nullopt;
    if (index) {
        printers_->selectRow(static_cast<int>(*index));
    } else if (!lines.empty()) {
        printers_->selectRow(0);
    }
}

int MaqecfBrowseWindow::selected_row() const {
    const auto rows = printers_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MaqecfBrowseWindow::open_form(forms::FormMode mode) {
    std::int32_t id = 0;
    if (mode != forms::FormMode::kInsert) {
        const int row = selected_row();
        if (row < 0) return;
        id = browse_.lines()[static_cast<std::size_t>(row)].id_maqecf;
    }
    if (opener_(mode, id)) fill(id);
}

void MaqecfBrowseWindow::remove_selected() {
    const int row = selected_row();
    if (row >= 0 && browse_.remove(static_cast<std::size_t>(row))) fill();
}

}  // namespace balcora::gui
