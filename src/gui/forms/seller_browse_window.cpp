#include "gui/forms/seller_browse_window.h"

#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"

#include <QCloseEvent>
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

SellerBrowseWindow::SellerBrowseWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(forms::SellerBrowse::kTitle);
    setObjectName("seller_browse");
    setAttribute(Qt::WA_DeleteOnClose);
    opened_ = browse_.open();

    auto* label = new QLabel("&Nome:", this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName("filter");
    filter_->setMaxLength(static_cast<int>(forms::SellerBrowse::kFilterLimit));
    filter_->setText(qs(browse_.filter()));
    filter_->installEventFilter(this);
    label->setBuddy(filter_);
    connect(filter_, &QLineEdit::textEdited, this, [this](const QString& text) {
        browse_.set_filter(text.toStdString());
        fill();
    });

    sellers_ = list_table(this, "sellers",
                          {"Código", "Nome", "CPF/CNPJ", "Telefone", "Celular", "E-mail",
                           "Município", "Comissão %", "Pagto. Comissão", "Ativo"});
    sellers_->setTabKeyNavigation(false);
    sellers_->horizontalHeader()->setStretchLastSection(true);
    note_ = new QLabel(this);
    note_->setObjectName("note");
    QPushButton* close = row_button(this, "&Fechar", "close");
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    auto* filter_row = new QHBoxLayout;
    filter_row->addWidget(label);
    filter_row->addWidget(filter_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filter_row);
    layout->addWidget(sellers_, 1);
    layout->addWidget(note_);
    layout->addLayout(button_row({}, close));
    resize(900, 420);

    fill();
    filter_->setFocus(Qt::OtherFocusReason);
}

void SellerBrowseWindow::fill() {
    fill_rows(sellers_, browse_.lines(), [this](int row, const forms::SellerBrowseLine& l) {
        set_row(sellers_, row,
                {QString::number(l.id_vendedor), qs(l.nome), qs(l.cpf_cnpj), qs(l.fone),
                 qs(l.celular), qs(l.email), qs(l.municipio), qs(l.taxa_com), qs(l.forma_pag),
                 l.ativo ? "Sim" : "Não"});
    });
    sellers_->resizeColumnsToContents();
    note_->setText(qs(browse_.note()));
    if (!browse_.lines().empty()) sellers_->selectRow(0);
}

bool SellerBrowseWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == filter_ && event->type() == QEvent::KeyPress &&
        pass_moving_key(static_cast<QKeyEvent*>(event), sellers_)) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SellerBrowseWindow::closeEvent(QCloseEvent* event) {
    browse_.close();
    QWidget::closeEvent(event);
}

}  // namespace balcora::gui
