#include "gui/blocox/transmission_windows.h"

#include "access/access_control.h"
#include "blocox/provide_blocox.h"
#include "blocox/reg60m_form.h"
#include "gui/blocox/reg60m_form_dialog.h"
#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora::gui {

BlocoXProgressWindow::BlocoXProgressWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("blocox_progress");
    setWindowModality(Qt::ApplicationModal);
    line_ = new QLabel(this);
    line_->setObjectName("linha");
    // Room for the whole line of 49 characters.
    line_->setMinimumWidth(QFontMetrics(line_->font()).horizontalAdvance(QString(52, 'M')));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(line_);
}

void BlocoXProgressWindow::open(const std::string& caption) {
    setWindowTitle(qs(caption));
    QDialog::show();
    QApplication::processEvents();
}

void BlocoXProgressWindow::line(const std::string& text) {
    line_->setText(qs(text));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void BlocoXProgressWindow::wait() {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void BlocoXProgressWindow::close() {
    QDialog::close();
}

Reg60mBrowseWindow::Reg60mBrowseWindow(QWidget* parent, FormOpener opener)
    : QWidget(parent, Qt::Window), opener_(std::move(opener)) {
    setWindowTitle(blocox::Reg60mBrowse::kTitle);
    setObjectName("reg60m_browse");
    setAttribute(Qt::WA_DeleteOnClose);
    if (!opener_) {
        opener_ = [this](forms::FormMode mode, std::int32_t id) {
            return run_reg60m_form(mode, id, this);
        };
    }

    auto date_field = [this](const char* name, util::DayNumber day) {
        auto* field = new QLineEdit(this);
        field->setObjectName(name);
        field->setInputMask("99/99/9999");
        field->setText(qs(util::br_date(day)));
        field->setMaximumWidth(QFontMetrics(field->font()).horizontalAdvance("00/00/00000") + 16);
        connect(field, &QLineEdit::returnPressed, this, &Reg60mBrowseWindow::refresh);
        return field;
    };
    from_ = date_field("inicio", browse_.from());
    to_ = date_field("fim", browse_.to());
    auto* period = new QHBoxLayout;
    auto* label = new QLabel(tr("&Período:"), this);
    label->setBuddy(from_);
    period->addWidget(label);
    period->addWidget(from_);
    period->addWidget(new QLabel(tr("a"), this));
    period->addWidget(to_);
    period->addStretch(1);

    order_ = new QTabBar(this);
    order_->setObjectName("ordem");
    order_->setExpanding(false);
    order_->addTab(tr("Id"));
    order_->addTab(tr("Dt Movimento"));
    order_->setCurrentIndex(1);
    connect(order_, &QTabBar::currentChanged, this, [this](int index) {
        browse_.set_order(index == 0 ? blocox::Reg60mBrowse::Order::kId
                                     : blocox::Reg60mBrowse::Order::kDay);
        browse_.reload();
        fill();
    });

    list_ = list_table(this, "reducoes",
                       {tr("Id"), tr("Dt Movimento"), tr("Nº de Série Fabricação"), tr("Redução Z"),
                        tr("Venda Bruta"), tr("Situação"), tr("Data Envio"), tr("Hr Envio")});
    list_->horizontalHeader()->setStretchLastSection(true);

    connect(list_, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { open_form(forms::FormMode::kView); });

    QPushButton* consult = row_button(this, tr("Con&sulta"), "consult");
    QPushButton* add = row_button(this, tr("&Novo"), "add");
    QPushButton* edit = row_button(this, tr("&Editar"), "edit");
    QPushButton* remove = row_button(this, tr("E&xcluir"), "remove");
    QPushButton* query = row_button(this, tr("Consultar &Fisco"), "consultar_fisco");
    QPushButton* ask = row_button(this, tr("Perguntar ao Fisco (&linha)"), "perguntar_fisco");
    QPushButton* close = row_button(this, tr("&Fechar"), "fechar");
    connect(consult, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kView); });
    connect(add, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kInsert); });
    connect(edit, &QPushButton::clicked, this, [this] { open_form(forms::FormMode::kChange); });
    connect(remove, &QPushButton::clicked, this, &Reg60mBrowseWindow::remove_selected);
    connect(query, &QPushButton::clicked, this, &Reg60mBrowseWindow::query_authority);
    connect(ask, &QPushButton::clicked, this, &Reg60mBrowseWindow::ask_authority);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Insert), this), &QShortcut::activated, this,
            [this] { open_form(forms::FormMode::kInsert); });
    connect(new QShortcut(QKeySequence(Qt::Key_Delete), this), &QShortcut::activated, this,
            &Reg60mBrowseWindow::remove_selected);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(period);
    layout->addWidget(order_);
    layout->addWidget(list_, 1);
    layout->addLayout(button_row({consult, add, edit, remove, query, ask}, close));
    resize(860, 400);

    browse_.reload();
    fill();
}

void Reg60mBrowseWindow::refresh() {
    if (!browse_.set_period(util::parse_br_date(from_->text().toStdString()),
                            util::parse_br_date(to_->text().toStdString())))
        return;
    browse_.reload();
    fill();
}

void Reg60mBrowseWindow::fill() {
    fill_rows(list_, browse_.lines(), [this](int row, const blocox::Reg60mLine& l) {
        set_row(list_, row,
                {QString::number(l.id_reg60m), qs(l.data), qs(l.num_serie), qs(l.crz),
                 qs(l.venda_bruta), qs(l.situacao), qs(l.data_envio), qs(l.hora_envio)});
        for (int c : {0, 3, 4})
            list_->item(row, c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    });
    list_->resizeColumnsToContents();
    if (list_->rowCount() > 0) list_->selectRow(0);
}

std::int32_t Reg60mBrowseWindow::selected_id() const {
    const auto rows = list_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return 0;
    return browse_.lines()[static_cast<std::size_t>(rows.first().row())].id_reg60m;
}

void Reg60mBrowseWindow::open_form(forms::FormMode mode) {
    const std::int32_t id = mode == forms::FormMode::kInsert ? 0 : selected_id();
    if (mode != forms::FormMode::kInsert && id == 0) return;
    if (opener_(mode, id)) {
        browse_.reload();
        fill();
    }
}

void Reg60mBrowseWindow::remove_selected() {
    const std::int32_t id = selected_id();
    if (id == 0 || !blocox::Reg60mForm::remove(id)) return;
    browse_.reload();
    fill();
}

void Reg60mBrowseWindow::query_authority() {
    browse_.query_authority();
    fill();
}

void Reg60mBrowseWindow::ask_authority() {
    const std::int32_t id = selected_id();
    if (id == 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The window keeps drawing while the client runs.
    browse_.ask_authority(id,
                          [] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    QApplication::restoreOverrideCursor();
    fill();
}

void provide_transmission_windows(ui::ScreenPort& port) {
    blocox::provide_blocox(port);
    port.provide_view<blocox::BlocoXRun>([](blocox::BlocoXRun& run) {
        BlocoXProgressWindow window(QApplication::activeWindow());
        run.execute(window);
    });
}

void provide_reg60m_browse(ui::ScreenPort& port, QWidget* frame) {
    QPointer<QWidget> owner(frame);
    port.provide("BROWSEREG60M", [owner](const ui::ScreenPort::Arguments&) {
        if (!access::require_right(blocox::Reg60mBrowse::kRights, access::kRightAccess)) return 1;
        static QPointer<Reg60mBrowseWindow> window;
        if (!window) {
            window = new Reg60mBrowseWindow(owner.data());
            window->show();
        }
        window->raise();
        window->activateWindow();
        return 0;
    });
}

}  // namespace balcora::gui
