#include "gui/forms/product_query_window.h"

#include "gui/forms/grouped_header.h"
#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"
#include "ui/environment.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace balcora::gui {

using forms::ProductKey;

namespace {

enum Column {
    kCodigo,
    kCest,
    kNcm,
    kDescricao,
    kUnidade,
    kPreco,
    kSt,
    kAliquota,
    kIat,
    kIppt,
    kEstoque,
    kColumns
};

constexpr std::array<const char*, kColumns> kHeaders = {
    "Código", "CEST",  "Cód. NCM", "Descrição", "Unidade", "Vl. Unitário",
    "Sit.",   "Alíq.", "IAT",      "IPPT",      "Estoque"};
constexpr std::array<int, kColumns> kWidths = {115, 75, 85, 330, 60, 90, 40, 55, 40, 45, 85};

// The text of each column in a product's line.
using forms::ProductLine;
constexpr std::array<std::string ProductLine::*, kColumns> kTexts = {
    &ProductLine::codigo_shown, &ProductLine::cest,  &ProductLine::ncm,    &ProductLine::descricao,
    &ProductLine::unidade,      &ProductLine::preco, &ProductLine::st,     &ProductLine::aliquota,
    &ProductLine::iat,          &ProductLine::ippt,  &ProductLine::estoque};

constexpr std::array<const char*, 4> kTabs = {"Nome", "Código Barras", "Código", "Referência"};
constexpr std::array<const char*, 4> kFilterLabels = {
    "Descrição:", "Código de Barras:", "Código:", "Referência:"};

// A typed search goes on growing while keys come within this pause.
constexpr int kSearchPauseMs = 1500;

int tab_of(ProductKey key) {
    return static_cast<int>(key) - 1;
}

ProductKey key_of(int tab) {
    return static_cast<ProductKey>(tab + 1);
}

}  // namespace

class ProductModel : public QAbstractTableModel {
  public:
    ProductModel(const forms::ProductQueryScreen& screen, QObject* parent)
        : QAbstractTableModel(parent), screen_(screen) {}

    void reset() {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(screen_.lines().size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : kColumns;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < kColumns)
            return QString::fromUtf8(kHeaders[static_cast<std::size_t>(section)]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        if (role == Qt::TextAlignmentRole) {
            const int c = index.column();
            if (c == kPreco || c == kAliquota || c == kEstoque)
                return int(Qt::AlignRight | Qt::AlignVCenter);
            if (c == kSt || c == kIat || c == kIppt) return int(Qt::AlignCenter);
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
        if (role != Qt::DisplayRole) return {};
        const int c = index.column();
        if (c < 0 || c >= kColumns) return {};
        const ProductLine& l = screen_.lines()[static_cast<std::size_t>(index.row())];
        return qs(l.*kTexts[static_cast<std::size_t>(c)]);
    }

  private:
    const forms::ProductQueryScreen& screen_;
};

class ProductTable : public QTableView {
  public:
    using Search = std::function<void(const QString&)>;

    ProductTable(QWidget* parent, Search search, std::function<void()> choose)
        : QTableView(parent), search_(std::move(search)), choose_(std::move(choose)) {}

    const QString& typed() const { return typed_; }
    void forget_typed() { typed_.clear(); }
    // The last character typed found nothing: drop it.
    void drop_last() { typed_.chop(1); }

    void keyboardSearch(const QString& text) override {
        if (text.isEmpty()) return;
        if (!pause_.isValid() || pause_.elapsed() > kSearchPauseMs) typed_.clear();
        pause_.restart();
        typed_ += text;
        search_(typed_);
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                choose_();
                return;
            case Qt::Key_Backspace:
                if (!typed_.isEmpty()) {
                    typed_.chop(1);
                    pause_.restart();
                    search_(typed_);
                }
                return;
            case Qt::Key_Escape:
                event->ignore();  // the window closes
                return;
            default:
                QTableView::keyPressEvent(event);
        }
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTableView::mouseDoubleClickEvent(event);
        if (currentIndex().isValid()) choose_();
    }

  private:
    Search search_;
    std::function<void()> choose_;
    QString typed_;
    QElapsedTimer pause_;
};

ProductQueryWindow::ProductQueryWindow(QWidget* parent, Mode mode,
                                       std::optional<std::string> description)
    : QDialog(parent), mode_(mode) {
    setWindowTitle(forms::ProductQueryScreen::kTitle);
    setObjectName("product_query");
    setSizeGripEnabled(true);

    tabs_ = new QTabBar(this);
    tabs_->setObjectName("keys");
    for (const char* t : kTabs) tabs_->addTab(QString::fromUtf8(t));
    tabs_->setFocusPolicy(Qt::NoFocus);
    tabs_->setToolTip("Ctrl+Tab ou Alt+1 a Alt+4 trocam a ordem da busca");

    filter_label_ = new QLabel(this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName("filter");
    filter_label_->setBuddy(filter_);
    filter_->installEventFilter(this);

    auto* price_label = new QLabel("Tabela de Preço:", this);
    prices_ = new QComboBox(this);
    prices_->setObjectName("price_table");
    prices_->addItems({"Preço I", "Preço II", "Preço III"});
    price_label->setBuddy(prices_);

    table_ = new ProductTable(
        this, [this](const QString& text) { search_in_list(text); }, [this] { select_current(); });
    table_->setObjectName("products");
    model_ = new ProductModel(screen_, this);
    auto* header = new GroupedHeader(table_);
    header->add_group(kSt, kAliquota, "Sit. Tributária");
    table_->setHorizontalHeader(header);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    for (int c = 0; c < kColumns; ++c)
        table_->setColumnWidth(c, kWidths[static_cast<std::size_t>(c)]);
    header->setStretchLastSection(false);

    note_ = new QLabel(this);
    note_->setObjectName("note");
    locator_ = new QLabel(this);
    locator_->setObjectName("locator");

    select_ = new QPushButton("&Selecionar", this);
    select_->setObjectName("select");
    auto* itp = new QPushButton("&ITP", this);
    itp->setObjectName("itp");
    itp->setEnabled(false);
    itp->setToolTip("Estrutura do produto: não disponível nesta versão");
    auto* close = new QPushButton("&Fechar", this);
    close->setObjectName("close");
    for (QPushButton* b : {select_, itp, close}) b->setAutoDefault(false);
    if (mode_ == Mode::kBrowse) {
        select_->setEnabled(false);
        select_->setToolTip("Escolha de produto só na venda");
    }
    connect(select_, &QPushButton::clicked, this, &ProductQueryWindow::select_current);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* filter_row = new QHBoxLayout;
    filter_row->addWidget(filter_label_);
    filter_row->addWidget(filter_, 1);
    filter_row->addSpacing(16);
    filter_row->addWidget(price_label);
    filter_row->addWidget(prices_);
    auto* status_row = new QHBoxLayout;
    status_row->addWidget(note_, 1);
    status_row->addWidget(locator_);
    QHBoxLayout* buttons = button_row({select_, itp}, close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(filter_row);
    layout->addWidget(table_, 1);
    layout->addLayout(status_row);
    layout->addLayout(buttons);
    resize(1080, 520);

    auto shortcut = [this](const QKeySequence& keys, std::function<void()> action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, std::move(action));
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab),
             [this] { tabs_->setCurrentIndex((tabs_->currentIndex() + 1) % tabs_->count()); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [this] {
        tabs_->setCurrentIndex((tabs_->currentIndex() + tabs_->count() - 1) % tabs_->count());
    });
    for (int i = 0; i < 4; ++i)
        shortcut(QKeySequence(Qt::ALT | (Qt::Key_1 + i)), [this, i] { tabs_->setCurrentIndex(i); });

    opened_ = screen_.open(std::move(description));
    prices_->setCurrentIndex(screen_.price_table() - 1);
    tabs_->setCurrentIndex(tab_of(screen_.key()));
    show_key(screen_.key());
    reload_view();

    connect(tabs_, &QTabBar::currentChanged, this, [this](int tab) {
        screen_.set_key(key_of(tab));
        show_key(screen_.key());
        reload_view();
    });
    connect(filter_, &QLineEdit::textEdited, this, [this](const QString& text) {
        screen_.set_filter(text.toStdString());
        reload_view();
    });
    connect(prices_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const int row = table_->currentIndex().row();
        screen_.set_price_table(index + 1);
        reload_view(row < 0 ? 0 : row);
    });
    filter_->setFocus();
}

void ProductQueryWindow::show_key(ProductKey key) {
    filter_label_->setText(QString::fromUtf8(kFilterLabels[static_cast<std::size_t>(tab_of(key))]));
    filter_->setMaxLength(static_cast<int>(forms::ProductQueryScreen::filter_limit(key)));
    filter_->setText(qs(screen_.filter(key)));
}

void ProductQueryWindow::reload_view(int select_row) {
    model_->reset();
    table_->forget_typed();
    locator_->clear();
    note_->setText(qs(screen_.note()));
    const int rows = model_->rowCount();
    if (rows > 0) table_->selectRow(select_row < rows ? select_row : rows - 1);
}

void ProductQueryWindow::search_in_list(const QString& text) {
    if (text.isEmpty()) {
        locator_->clear();
        return;
    }
    const unsigned before = screen_.generation();
    const auto found = screen_.locate(text.toStdString());
    if (!found) {
        table_->drop_last();
        prompt().beep();
        locator_->setText(table_->typed().isEmpty() ? QString() : "Busca: " + table_->typed());
        return;
    }
    if (screen_.generation() != before) {
        // The list was read again from the row found; the typed text stays,
        // so the search goes on with the next key.
        model_->reset();
        note_->setText(qs(screen_.note()));
    }
    locator_->setText("Busca: " + text);
    table_->selectRow(static_cast<int>(*found));
    table_->scrollTo(model_->index(static_cast<int>(*found), 0),
                     QAbstractItemView::PositionAtCenter);
}

void ProductQueryWindow::select_current() {
    if (mode_ != Mode::kSelect) return;
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid()) {
        prompt().beep();
        return;
    }
    choice_ = screen_.choose(static_cast<std::size_t>(current.row()));
    if (choice_) accept();
}

bool ProductQueryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (pass_moving_key(key, table_)) return true;
        if (is_enter(key)) {
            select_current();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ProductQueryWindow::done(int result) {
    if (!closed_) {
        closed_ = true;
        screen_.close();
    }
    QDialog::done(result);
}

}  // namespace balcora::gui
