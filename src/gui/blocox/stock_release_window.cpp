#include "gui/blocox/stock_release_window.h"

#include "gui/log/log_windows.h"
#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

using blocox::ReleaseFormMode;

bool run_stock_release_form(ReleaseFormMode mode, std::int32_t id, QWidget* parent) {
    blocox::StockReleaseForm form;
    const bool opened = mode == ReleaseFormMode::kInsert ? form.open_insert() : form.open(mode, id);
    if (!opened) return false;
    StockReleaseDialog dialog(form, parent);
    return dialog.exec() == QDialog::Accepted;
}

void open_stock_release(QWidget* parent) {
    static QPointer<StockReleaseWindow> window;
    if (!window) {
        window = new StockReleaseWindow(parent);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

StockReleaseWindow::StockReleaseWindow(QWidget* parent, FormOpener opener)
    : QWidget(parent, Qt::Window), opener_(std::move(opener)) {
    setWindowTitle(blocox::StockReleaseBrowse::kTitle);
    setObjectName("stock_release_browse");
    setAttribute(Qt::WA_DeleteOnClose);
    if (!opener_) {
        opener_ = [this](ReleaseFormMode mode, std::int32_t id) {
            return run_stock_release_form(mode, id, this);
        };
    }

    year_ = new QSpinBox(this);
    year_->setObjectName("year");
    year_->setRange(1900, 9999);
    year_->setValue(browse_.year());
    connect(year_, &QSpinBox::valueChanged, this, [this](int y) {
        if (browse_.set_year(y)) fill();
    });
    auto* filter = new QHBoxLayout;
    auto* year_label = new QLabel("&Ano", this);
    year_label->setBuddy(year_);
    filter->addWidget(year_label);
    filter->addWidget(year_);
    filter->addStretch(1);

    periods_ = list_table(this, "periods",
                          {"Período", "Enviar", "Situação", "Recibo Bloco X", "Data Envio",
                           "Hr. Envio", "Total Aquisição"});
    periods_->horizontalHeader()->setStretchLastSection(true);
    connect(periods_, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { open_form(ReleaseFormMode::kChange); });

    QPushButton* consult = row_button(this, "Con&sulta", "consult");
    QPushButton* add = row_button(this, "&Novo", "add");
    QPushButton* edit = row_button(this, "&Editar", "edit");
    QPushButton* remove = row_button(this, "E&xcluir", "remove");
    QPushButton* query = row_button(this, "Consultar &Fisco", "query");
    QPushButton* close = row_button(this, "Fe&char", "close");
    connect(consult, &QPushButton::clicked, this, [this] { open_form(ReleaseFormMode::kView); });
    connect(add, &QPushButton::clicked, this, [this] { open_form(ReleaseFormMode::kInsert); });
    connect(edit, &QPushButton::clicked, this, [this] { open_form(ReleaseFormMode::kChange); });
    connect(remove, &QPushButton::clicked, this, &StockReleaseWindow::remove_selected);
    connect(query, &QPushButton::clicked, this, [this] {
        browse_.query_authority();
        fill();
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Insert), this), &QShortcut::activated, this,
            [this] { open_form(ReleaseFormMode::kInsert); });
    connect(new QShortcut(QKeySequence(Qt::Key_Delete), this), &QShortcut::activated, this,
            &StockReleaseWindow::remove_selected);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filter);
    layout->addWidget(periods_, 1);
    layout->addLayout(button_row({consult, add, edit, remove, query}, close));
    resize(820, 360);
    fill();
}

void StockReleaseWindow::fill(std::int32_t select_id) {
    browse_.reload();
    const auto& lines = browse_.lines();
    fill_rows(periods_, lines, [this](int row, const blocox::StockReleaseLine& l) {
        set_row(periods_, row,
                {qs(l.periodo), qs(l.enviar), qs(l.situacao), qs(l.recibo), qs(l.data_envio),
                 qs(l.hora_envio), qs(l.total_aquisicao)});
        periods_->item(row, 6)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    });
    periods_->resizeColumnsToContents();
    const auto index = select_id ? browse_.index_of(select_id) : std::nullopt;
    if (index)
        periods_->selectRow(static_cast<int>(*index));
    else if (!lines.empty())
        periods_->selectRow(0);
}

int StockReleaseWindow::selected_row() const {
    const auto rows = periods_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void StockReleaseWindow::open_form(ReleaseFormMode mode) {
    std::int32_t id = 0;
    if (mode != ReleaseFormMode::kInsert) {
        const int row = selected_row();
        if (row < 0) return;
        id = browse_.lines()[static_cast<std::size_t>(row)].id_estoquex;
    }
    if (opener_(mode, id)) fill(id);
}

void StockReleaseWindow::remove_selected() {
    const int row = selected_row();
    if (row >= 0 && browse_.remove(static_cast<std::size_t>(row))) fill();
}

StockReleaseDialog::StockReleaseDialog(blocox::StockReleaseForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    setWindowTitle(blocox::StockReleaseForm::kTitle);
    setObjectName("stock_release_form");
    periodo_ = new QLineEdit(qs(form.periodo_text()), this);
    periodo_->setObjectName("periodo");
    periodo_->setInputMask("99/9999");
    release_ = new QComboBox(this);
    release_->setObjectName("release");
    release_->addItems({"Sim", "Não"});
    release_->setCurrentIndex(form.released() ? 0 : 1);

    auto* fields = new QFormLayout;
    fields->addRow("&Período", periodo_);
    fields->addRow("&Liberar Envio do Estoque:", release_);
    const char* names[] = {"vl_tot_aquisicao", "vl_tot_icmsdebforne", "vl_bc_calcicmsst",
                           "vl_tot_icmsst"};
    const char* labels[] = {"Total Aquisição", "Total ICMS Débito Fornecedor",
                            "Base de Cálculo ICMS ST", "Total ICMS ST"};
    const util::Money values[] = {form.vl_tot_aquisicao, form.vl_tot_icmsdebforne,
                                  form.vl_bc_calcicmsst, form.vl_tot_icmsst};
    // Twelve digits with two decimals, typed with a comma.
    const QRegularExpression amount(R"(\d{0,12}([,.]\d{0,2})?)");
    for (int k = 0; k < 4; ++k) {
        totals_[k] = new QLineEdit(qs(util::to_plain(values[k], ',')), this);
        totals_[k]->setObjectName(names[k]);
        totals_[k]->setAlignment(Qt::AlignRight);
        totals_[k]->setValidator(new QRegularExpressionValidator(amount, totals_[k]));
        fields->addRow(labels[k], totals_[k]);
    }
    const bool read_only = form.read_only();
    periodo_->setReadOnly(read_only);
    release_->setEnabled(!read_only);
    for (QLineEdit* e : totals_) e->setReadOnly(read_only);

    QPushButton* log = dialog_button(this, "&Log", "log");
    QPushButton* ok = dialog_button(this, "&Ok", "ok");
    QPushButton* cancel = dialog_button(this, "&Cancelar", "cancel");
    log->setEnabled(form.id_estoquex() != 0);
    connect(log, &QPushButton::clicked, this,
            [this] { CONSULTALOG("", "estoquex", std::to_string(form_.id_estoquex()), 0); });
    connect(ok, &QPushButton::clicked, this, &StockReleaseDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(button_row({log}, std::vector<QPushButton*>{ok, cancel}));
}

void StockReleaseDialog::confirm() {
    if (form_.read_only()) {
        accept();
        return;
    }
    if (!form_.set_periodo(periodo_->text().toStdString())) {
        periodo_->setFocus();
        return;
    }
    form_.set_released(release_->currentIndex() == 0);
    util::Money* targets[] = {&form_.vl_tot_aquisicao, &form_.vl_tot_icmsdebforne,
                              &form_.vl_bc_calcicmsst, &form_.vl_tot_icmsst};
    for (int k = 0; k < 4; ++k) {
        const std::string text = totals_[k]->text().trimmed().toStdString();
        const auto value = text.empty() ? util::Money{} : util::parse_fixed<2>(text);
        if (!value) {
            prompt().message("Aviso", "Valor inválido!", ui::Icon::kWarning);
            totals_[k]->setFocus();
            return;
        }
        *targets[k] = *value;
    }
    if (form_.save()) accept();
}

}  // namespace balcora::gui
