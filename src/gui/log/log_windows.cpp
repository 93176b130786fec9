#include "gui/log/log_windows.h"

#include "gui/shell/enter_navigation.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <utility>

namespace balcora {

namespace gui {

namespace {

QLineEdit* filter_entry(QWidget* parent, const char* name, int width, std::string_view text) {
    auto* e =
        new QLineEdit(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), parent);
    e->setObjectName(name);
    e->setMaxLength(width);
    e->setFixedWidth(field_width(*e, std::min(width, 22)));
    return e;
}

QLabel* label_for(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

QString date_text(util::DayNumber day) {
    return day > 0 ? QString::fromStdString(util::br_date(day)) : QString();
}

}  // namespace

LogQueryWindow::LogQueryWindow(log::LogQueryScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(tr("Consulta LOG Operações"));
    setObjectName("log_query_window");

    operacao_ = filter_entry(this, "operacao", log::kOperacaoWidth, screen_.filter.operacao);
    tabela_ = filter_entry(this, "tabela", log::kTabelaWidth, screen_.filter.tabela);
    id_ = filter_entry(this, "id", log::kIdWidth, screen_.filter.id);
    data_ = new QLineEdit(this);
    data_->setObjectName("data");
    data_->setInputMask("99/99/9999");
    data_->setText(date_text(screen_.filter.data));
    data_->setFixedWidth(field_width(*data_, 10));
    data_->setEnabled(!screen_.date_locked());

    auto* consultar = new QPushButton(tr("&Consultar"), this);
    consultar->setObjectName("consultar");
    connect(consultar, &QPushButton::clicked, this, &LogQueryWindow::query);

    auto* filters = new QHBoxLayout;
    const std::pair<QString, QWidget*> labelled[] = {{tr("&Operação:"), operacao_},
                                                     {tr("&Tabela:"), tabela_},
                                                     {tr("&Id:"), id_},
                                                     {tr("&Data Abertura:"), data_}};
    for (const auto& [text, field] : labelled) {
        if (field != operacao_) filters->addSpacing(8);
        filters->addWidget(label_for(this, text, field));
        filters->addWidget(field);
    }
    filters->addStretch(1);
    filters->addWidget(consultar);

    const auto& columns = log::log_columns();
    table_ = new QTableWidget(0, static_cast<int>(columns.size()), this);
    table_->setObjectName("lista");
    QStringList titles;
    for (const auto& c : columns) titles << QString::fromUtf8(c.title.data(), c.title.size());
    table_->setHorizontalHeaderLabels(titles);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Digits are the widest common characters: a column of n of them holds
    // its n characters of text too.
    const int char_width = table_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < static_cast<int>(columns.size()) - 1; ++c) {
        const int header = table_->fontMetrics().horizontalAdvance(titles[c]) + 16;
        table_->setColumnWidth(c, std::max(columns[c].width * char_width + 12, header));
    }

    count_ = new QLabel(this);
    count_->setObjectName("quantidade");
    auto* fechar = new QPushButton(tr("Fe&char"), this);
    fechar->setObjectName("fechar");
    connect(fechar, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(count_, 1);
    bottom->addWidget(fechar);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);
    resize(1100, 560);

    auto* enter = new EnterNavigation(this, [this] { query(); });
    enter->watch({operacao_, tabela_, id_, data_});
    show_rows();
}

void LogQueryWindow::query() {
    if (!screen_.date_locked() &&
        !log::set_filter_date(screen_.filter, data_->text().toStdString())) {
        data_->setFocus();
        return;
    }
    screen_.filter.operacao = operacao_->text().toStdString();
    screen_.filter.tabela = tabela_->text().toStdString();
    screen_.filter.id = id_->text().toStdString();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    screen_.refresh();
    QApplication::restoreOverrideCursor();
    show_rows();
}

void LogQueryWindow::show_rows() {
    const auto& rows = screen_.rows();
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        const std::string* values[] = {&row.data,   &row.computador, &row.operador, &row.operacao,
                                       &row.tabela, &row.id,         &row.descricao};
        for (int c = 0; c < 7; ++c)
            table_->setItem(r, c, new QTableWidgetItem(QString::fromStdString(*values[c])));
    }
    count_->setText(rows.size() >= static_cast<std::size_t>(log::kMaxRows)
                        ? tr("%1 registros (os mais recentes)").arg(rows.size())
                        : tr("%1 registro(s)").arg(rows.size()));
    if (!rows.empty()) table_->selectRow(0);
}

LogMenuWindow::LogMenuWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Consulta Log"));
    setObjectName("log_menu_window");
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("Escolha o Tipo de Log"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    layout->addSpacing(4);
    for (const auto& b : log::log_menu_buttons()) {
        auto* button = new QPushButton(QString::fromUtf8(b.text.data(), b.text.size()), this);
        button->setMinimumWidth(field_width(*button, 30));
        if (b.function.empty()) {
            button->setObjectName("fechar");
            layout->addSpacing(6);
            connect(button, &QPushButton::clicked, this, &QDialog::accept);
        } else {
            button->setObjectName(QString::fromUtf8(b.function.data(), b.function.size()));
            const std::string function(b.function);
            connect(button, &QPushButton::clicked, this,
                    [function] { CONSULTALOG("", function, "", log::current_cash_day()); });
        }
        layout->addWidget(button);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace gui

void CONSULTALOG(std::string_view operation, std::string_view table, std::string_view id,
                 util::DayNumber date) {
    log::LogQueryScreen screen;
    screen.open(operation, table, id, date);
    gui::LogQueryWindow window(screen, QApplication::activeWindow());
    window.exec();
}

void MENULOG() {
    gui::LogMenuWindow window(QApplication::activeWindow());
    window.exec();
}

}  // namespace balcora
