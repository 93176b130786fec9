#include "gui/sale/coupon_browse_window.h"

#include "globals/checkout_state.h"
#include "gui/qt_text.h"
#include "gui/sale/coupon_form_window.h"
#include "gui/sale/quick_sale_window.h"
#include "gui/shell/list_widgets.h"
#include "util/fixed_point_text.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace balcora::gui {

CouponBrowseWindow::CouponBrowseWindow(CheckoutState& checkout, QWidget* parent)
    : QDialog(parent), checkout_(checkout), browse_(checkout) {
    setObjectName("coupon_browse");
    setWindowTitle(tr(sale::CouponBrowse::kTitle));

    tabs_ = new QTabBar(this);
    tabs_->setObjectName("abas");
    tabs_->addTab(tr("Por &Data"));
    tabs_->addTab(tr("Por C&liente"));
    tabs_->addTab(tr("Por Nº C&OO"));
    situation_ = new QComboBox(this);
    situation_->setObjectName("situacao");
    situation_->addItems({tr("Todos"), tr("Emitidos"), tr("Cancelados")});
    coo_ = new QLineEdit(this);
    coo_->setObjectName("filtro_coo");
    coo_->setMaxLength(6);
    coo_->setValidator(new QRegularExpressionValidator(QRegularExpression(R"(\d{0,6})"), coo_));
    coo_->setPlaceholderText(tr("Nº COO"));
    coo_->setFixedWidth(QFontMetrics(coo_->font()).horizontalAdvance("0000000000") + 12);

    table_ = list_table(this, "lista",
                        {tr("Nº COO"), tr("Data"), tr("Hora"), tr("Cliente"), tr("Total")});
    table_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    table_->setMinimumSize(820, 380);
    note_ = new QLabel(this);

    auto* filters = new QHBoxLayout;
    filters->addWidget(tabs_);
    filters->addStretch();
    filters->addWidget(new QLabel(tr("Situação:"), this));
    filters->addWidget(situation_);
    filters->addWidget(new QLabel(tr("COO:"), this));
    filters->addWidget(coo_);

    auto* novo = row_button(this, tr("&Novo"), "novo");
    pre_sale_ = row_button(this, tr("&Pré-Venda"), "pre_venda");
    spool_ = row_button(this, tr("&Spool ECF"), "spool");
    auto* cancel = row_button(this, tr("&Cancela Cupom"), "cancela");
    auto* consult = row_button(this, tr("Con&sulta"), "consulta");
    auto* edit = row_button(this, tr("Editar"), "editar");
    auto* remove = row_button(this, tr("Excluir"), "excluir");
    auto* invoice = row_button(this, tr("&Registro NF"), "registro_nf");
    auto* close = row_button(this, tr("&Fechar"), "fechar");
    // An issued coupon is a fiscal document: it is cancelled, never edited
    // or removed.
    for (QPushButton* b : {edit, remove}) {
        b->setEnabled(false);
        b->setToolTip(tr("Cupom fiscal não pode ser alterado nem excluído; use Cancela Cupom."));
    }
    QHBoxLayout* buttons =
        button_row({novo, pre_sale_, spool_, cancel, consult, edit, remove, invoice}, close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(table_, 1);
    layout->addWidget(note_);
    layout->addLayout(buttons);

    connect(tabs_, &QTabBar::currentChanged, this, [this](int i) {
        browse_.set_tab(static_cast<sale::BrowseTab>(i));
        reload();
    });
    connect(situation_, &QComboBox::activated, this, [this](int i) {
        browse_.set_situation(static_cast<sale::SituationFilter>(i));
        reload();
    });
    connect(coo_, &QLineEdit::textEdited, this, [this](const QString& text) {
        browse_.set_coo_filter(text.toStdString());
        situation_->setCurrentIndex(static_cast<int>(browse_.situation()));
        reload();
    });
    connect(novo, &QPushButton::clicked, this, [this] { new_coupon(false); });
    connect(invoice, &QPushButton::clicked, this, [this] { new_coupon(true); });
    connect(pre_sale_, &QPushButton::clicked, this, [this] {
        browse_.pre_sale();
        reload();
    });
    connect(spool_, &QPushButton::clicked, this, [this] { browse_.spool(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (browse_.cancel(selected())) reload();
    });
    connect(consult, &QPushButton::clicked, this, &CouponBrowseWindow::consult);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &CouponBrowseWindow::consult);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    if (!browse_.open()) return;
    pre_sale_->setVisible(browse_.pre_sale_button());
    spool_->setVisible(browse_.spool_button());
}

void CouponBrowseWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] {
        browse_.first_display();
        if (!browse_.is_open()) {
            reject();
            return;
        }
        reload();
    });
}

void CouponBrowseWindow::done(int result) {
    browse_.close();
    QDialog::done(result);
}

void CouponBrowseWindow::reload() {
    const std::int64_t keep = selected();
    browse_.refresh();
    const auto& rows = browse_.rows();
    table_->setRowCount(static_cast<int>(rows.size()));
    int select = rows.empty() ? -1 : 0;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const auto& r = rows[static_cast<std::size_t>(i)];
        const QStringList cells = {qs(r.coo), qs(r.data), qs(r.hora), qs(r.cliente),
                                   qs(util::to_br(r.total))};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, static_cast<qlonglong>(r.id_cfiscal));
            if (c == 0 || c == 4) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (r.cancelled) item->setForeground(QColor("#b03a2e"));
            table_->setItem(i, c, item);
        }
        if (r.id_cfiscal == keep) select = i;
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    if (select >= 0) table_->selectRow(select);
    note_->setText(browse_.truncated()
                       ? tr("Mostrando os %1 primeiros cupons; use os filtros para refinar.")
                             .arg(sale::CouponBrowse::kRowLimit)
                       : QString());
}

std::int64_t CouponBrowseWindow::selected() const {
    const auto rows =
        table_->selectionModel() ? table_->selectionModel()->selectedRows() : QModelIndexList{};
    if (rows.isEmpty()) return 0;
    return table_->item(rows.first().row(), 0)->data(Qt::UserRole).toLongLong();
}

void CouponBrowseWindow::new_coupon(bool invoice_registration) {
    if (!browse_.may_start_coupon()) return;
    open_coupon_form(checkout_, {sale::CouponFormMode::kInsert, 0, invoice_registration}, this);
    reload();
}

void CouponBrowseWindow::consult() {
    const std::int64_t id = selected();
    if (id == 0) return;
    open_coupon_form(checkout_, {sale::CouponFormMode::kView, id, false}, this);
}

}  // namespace balcora::gui

namespace balcora {

void BRWCFISCAL(CheckoutState& checkout) {
    gui::CouponBrowseWindow window(checkout, QApplication::activeWindow());
    if (!window.opened()) return;
    window.exec();
}

}  // namespace balcora
