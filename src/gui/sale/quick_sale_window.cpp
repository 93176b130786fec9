#include "gui/sale/quick_sale_window.h"

#include "gui/sale/payment_window.h"

#include "globals/checkout_state.h"
#include "gui/forms/lookup_entry.h"
#include "gui/qt_text.h"
#include "gui/sale/coupon_browse_window.h"
#include "gui/sale/item_cancel_dialog.h"
#include "gui/sale/options_menu_dialog.h"
#include "ui/screen_port.h"
#include "util/fixed_point_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

constexpr int kTickMs = 100;

// The key as the controller's table names it: "Esc", "F10", "Ctrl+1",
// "Alt+7", "P". Shift and the keypad do not change a key's meaning.
std::string key_name(const QKeyEvent& e) {
    const Qt::KeyboardModifiers mods =
        e.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = e.key();
    if (key == Qt::Key_unknown || key == Qt::Key_Control || key == Qt::Key_Alt ||
        key == Qt::Key_Shift || key == Qt::Key_Meta)
        return {};
    return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(key)))
        .toString(QKeySequence::PortableText)
        .toStdString();
}

QLabel* named_label(QWidget* parent, const char* name, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

// A frame the style sheet draws by its name.
QFrame* named_frame(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    return f;
}

// A framed value with its caption above it.
QWidget* value_box(const QString& title, QLabel*& value, const char* name, QWidget* parent) {
    QFrame* box = named_frame(parent, "caixa_valor");
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(12, 6, 12, 8);
    layout->setSpacing(0);
    layout->addWidget(named_label(box, "legenda", title));
    value = named_label(box, name);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(value);
    return box;
}

// The slideshow's box: the picture fills it, whatever size the screen gives.
class PictureBox : public QLabel {
  public:
    using QLabel::QLabel;
    void show_picture(const QString& file) {
        picture_ = QPixmap();
        if (!file.isEmpty()) picture_.load(file);
        scale();
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        scale();
    }

  private:
    void scale() {
        if (picture_.isNull()) {
            setPixmap({});
            setText(QStringLiteral("Balcora PDV"));
            return;
        }
        setPixmap(
            picture_.scaled(size() - QSize(8, 8), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    QPixmap picture_;
};

constexpr const char* kStyle = R"(
QWidget#quick_sale { background: #e9eef5; }
QFrame#cabecalho { background: #12355b; border-radius: 6px; }
QFrame#cabecalho QLabel { color: #ffffff; }
QLabel#titulo { font-size: 20pt; font-weight: 600; }
QLabel#loja, QLabel#porta { color: #c9d8ea; font-size: 12pt; }
QLabel#data { font-size: 13pt; color: #c9d8ea; }
QLabel#hora { font-size: 22pt; font-weight: 600; }
QLabel#situacao { font-size: 13pt; font-weight: 700; padding: 4px 14px; border-radius: 4px; }
QLabel#situacao[aberto="true"] { background: #1e9e5a; }
QLabel#situacao[aberto="false"] { background: #c0392b; }
QFrame#painel { background: #ffffff; border: 1px solid #c5d0de; border-radius: 6px; }
QLabel#legenda { color: #5a6b80; font-size: 10pt; }
QLabel#cupom { color: #12355b; font-size: 14pt; font-weight: 600; }
QLabel#operador { color: #12355b; font-size: 12pt; }
QLabel#supervisor { background: #f0a500; color: #1b1b1b; font-weight: 700; padding: 2px 10px;
                    border-radius: 4px; }
QListWidget#bobina { background: #ffffff; border: 1px solid #c5d0de; border-radius: 4px;
                     color: #1b2a3a; }
QLabel#figura { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #dbe6f3,
                stop:1 #b9cde4); border-radius: 6px; color: #5a7391; font-size: 16pt; }
QLabel#descricao { color: #12355b; font-size: 20pt; font-weight: 700; }
QLabel#codigo_produto { color: #5a6b80; font-size: 12pt; }
QFrame#caixa_valor { background: #f5f8fc; border: 1px solid #d5dde8; border-radius: 6px; }
QLabel#quantidade_item, QLabel#preco_unitario, QLabel#total_produto {
    font-size: 20pt; font-weight: 600; color: #1b2a3a; }
QFrame#caixa_total { background: #0f2a44; border-radius: 8px; }
QLabel#legenda_total { color: #a9c4e4; font-size: 14pt; font-weight: 600; }
QLabel#total_cupom { color: #7dffa8; font-size: 46pt; font-weight: 700; }
QLabel#mensagem { color: #12355b; font-size: 15pt; font-weight: 700; }
QLineEdit#codigo, QLineEdit#quantidade { font-size: 24pt; padding: 4px 8px; border: 2px solid #7f9cc0;
                                         border-radius: 6px; background: #ffffff; }
QLineEdit#codigo:focus, QLineEdit#quantidade:focus { border-color: #1f6fd1; background: #fffef2; }
QLabel#rotulo_campo { color: #12355b; font-size: 13pt; font-weight: 600; }
QLabel#tecla { background: #12355b; color: #ffffff; font-weight: 700; padding: 4px 8px;
               border-radius: 4px; }
QLabel#acao { color: #12355b; font-size: 11pt; padding-right: 14px; }
)";

}  // namespace

QuickSaleWindow::QuickSaleWindow(CheckoutState& checkout, QWidget* parent)
    : QWidget(parent, Qt::Window),
      screen_(checkout, {.item_number = [this] { return ItemCancelDialog::ask(this); },
                         .product_query = [this] { return CONSULTAPRODUTO(this); }}) {
    setObjectName("quick_sale");
    setWindowTitle(tr(sale::QuickSaleScreen::kTitle));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(kStyle);

    QFrame* tape_panel = named_frame(this, "painel");
    auto* tape_layout = new QVBoxLayout(tape_panel);
    auto* tape_head = new QHBoxLayout;
    coupon_ = named_label(tape_panel, "cupom");
    operator_ = named_label(tape_panel, "operador");
    supervisor_ = named_label(tape_panel, "supervisor", tr("Supervisor"));
    tape_head->addWidget(coupon_);
    tape_head->addStretch();
    tape_head->addWidget(operator_);
    tape_head->addWidget(supervisor_);
    tape_ = new QListWidget(tape_panel);
    tape_->setObjectName("bobina");
    tape_->setFocusPolicy(Qt::NoFocus);
    tape_->setSelectionMode(QAbstractItemView::NoSelection);
    tape_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(12.5);
    tape_->setFont(mono);
    tape_->setMinimumWidth(QFontMetrics(mono).horizontalAdvance(QString(63, '0')) + 24);
    tape_layout->addLayout(tape_head);
    tape_layout->addWidget(tape_, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(build_product_panel(), 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(tape_panel, 11);
    middle->addLayout(right, 9);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 10);
    layout->setSpacing(10);
    layout->addWidget(build_header());
    layout->addLayout(middle, 1);
    layout->addWidget(build_entry());
    layout->addWidget(build_hints());

    timer_ = new QTimer(this);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &QuickSaleWindow::tick);

    opened_ = screen_.open();
    if (opened_) timer_->start();
    refresh();
    refresh_picture();
    code_field_->setFocus();
}

QuickSaleWindow::~QuickSaleWindow() = default;

QWidget* QuickSaleWindow::build_header() {
    QFrame* header = named_frame(this, "cabecalho");
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(14, 8, 14, 8);
    logo_ = named_label(header, "logo");
    logo_->setFixedHeight(56);
    auto* title = named_label(header, "titulo", tr(sale::QuickSaleScreen::kTitle));
    store_ = named_label(header, "loja");
    port_ = named_label(header, "porta");
    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    names->addWidget(title);
    auto* sub = new QHBoxLayout;
    sub->addWidget(store_);
    sub->addSpacing(18);
    sub->addWidget(port_);
    sub->addStretch();
    names->addLayout(sub);
    date_ = named_label(header, "data");
    date_->setAlignment(Qt::AlignRight);
    time_ = named_label(header, "hora");
    time_->setAlignment(Qt::AlignRight);
    auto* when = new QVBoxLayout;
    when->setSpacing(0);
    when->addWidget(time_);
    when->addWidget(date_);
    status_ = named_label(header, "situacao");
    layout->addWidget(logo_);
    layout->addLayout(names, 1);
    layout->addWidget(status_);
    layout->addSpacing(18);
    layout->addLayout(when);
    return header;
}

QWidget* QuickSaleWindow::build_product_panel() {
    QFrame* panel = named_frame(this, "painel");
    auto* layout = new QVBoxLayout(panel);
    layout->setSpacing(8);
    picture_ = new PictureBox(panel);
    picture_->setObjectName("figura");
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumHeight(150);
    picture_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    description_ = named_label(panel, "descricao");
    description_->setWordWrap(true);
    code_ = named_label(panel, "codigo_produto");

    auto* values = new QGridLayout;
    values->setSpacing(8);
    values->addWidget(value_box(tr("Quantidade"), quantity_, "quantidade_item", panel), 0, 0);
    values->addWidget(value_box(tr("Preço Unitário R$"), unit_price_, "preco_unitario", panel), 0,
                      1);
    values->addWidget(value_box(tr("Total do Produto R$"), item_total_, "total_produto", panel), 1,
                      0, 1, 2);

    QFrame* total_box = named_frame(panel, "caixa_total");
    auto* total_layout = new QVBoxLayout(total_box);
    total_layout->setContentsMargins(16, 8, 16, 10);
    auto* total_caption = named_label(total_box, "legenda_total", tr("Total do Cupom R$"));
    total_ = named_label(total_box, "total_cupom");
    total_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    total_layout->addWidget(total_caption);
    total_layout->addWidget(total_);

    layout->addWidget(picture_, 1);
    layout->addWidget(description_);
    layout->addWidget(code_);
    layout->addLayout(values);
    layout->addWidget(total_box);
    return panel;
}

QWidget* QuickSaleWindow::build_entry() {
    QFrame* entry = named_frame(this, "painel");
    auto* layout = new QGridLayout(entry);
    layout->setContentsMargins(14, 8, 14, 8);
    auto* code_label = named_label(entry, "rotulo_campo", tr("Código do Produto"));
    quantity_prompt_ = named_label(entry, "rotulo_campo", tr("Quantidade"));
    code_field_ = new QLineEdit(entry);
    code_field_->setObjectName("codigo");
    code_field_->setMaxLength(static_cast<int>(sale::QuickSaleScreen::kCodeChars));
    quantity_field_ = new QLineEdit(entry);
    quantity_field_->setObjectName("quantidade");
    quantity_field_->setAlignment(Qt::AlignRight);
    quantity_field_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(R"(\d{0,9}([.,]\d{0,3})?)"), quantity_field_));
    quantity_field_->setFixedWidth(
        QFontMetrics(QFont(font().family(), 24)).horizontalAdvance("0000000000,000") + 20);
    for (QLineEdit* f : {code_field_, quantity_field_}) f->installEventFilter(this);
    message_ = named_label(entry, "mensagem");
    message_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(code_label, 0, 0);
    layout->addWidget(quantity_prompt_, 0, 1);
    layout->addWidget(code_field_, 1, 0);
    layout->addWidget(quantity_field_, 1, 1);
    layout->addWidget(message_, 1, 2);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(2, 2);
    return entry;
}

QWidget* QuickSaleWindow::build_hints() {
    auto* hints = new QWidget(this);
    auto* layout = new QHBoxLayout(hints);
    layout->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, const char*> keys[] = {
        {"F2", "Consulta Produto"},
        {"F3", "Cancela Item"},
        {"F7", "Gaveta Dinheiro"},
        {"F10", "Finaliza Cupom"},
        {"F8", "Menu de Opções"},
        {"F5", "Troca Operador"},
        {"Esc", "Sair"},
    };
    for (const auto& [key, action] : keys) {
        auto* k = named_label(hints, "tecla", QString::fromUtf8(key));
        // The hints as the operator reads them: "F2 - Consulta Produto".
        auto* a = named_label(hints, "acao", QString("- %1").arg(tr(action)));
        k->setAccessibleName(QString("%1 - %2").arg(QString::fromUtf8(key), tr(action)));
        layout->addWidget(k);
        layout->addWidget(a);
    }
    layout->addStretch();
    return hints;
}

// ---- keys -------------------------------------------------------------------

bool QuickSaleWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        (watched == code_field_ || watched == quantity_field_)) {
        if (handle_key(static_cast<QKeyEvent*>(event), watched)) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void QuickSaleWindow::keyPressEvent(QKeyEvent* event) {
    if (!handle_key(event, this)) QWidget::keyPressEvent(event);
}

bool QuickSaleWindow::handle_key(QKeyEvent* event, QObject* source) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter) {
        if (source == quantity_field_) {
            code_field_->setFocus();
            return true;
        }
        enter_code();
        return true;
    }
    // The keypad's decimal key gives the comma the amounts are typed with.
    if (source == quantity_field_ && event->key() == Qt::Key_Period &&
        (event->modifiers() & Qt::KeypadModifier)) {
        quantity_field_->insert(",");
        return true;
    }
    const std::string name = key_name(*event);
    if (name.empty()) return false;
    take_fields();
    if (!screen_.key(name)) return false;
    after_action();
    return true;
}

void QuickSaleWindow::enter_code() {
    take_fields();
    using R = sale::QuickSaleScreen::EnterResult;
    const R r = screen_.enter();
    give_fields();
    refresh();
    switch (r) {
        case R::kMovedOn:
            quantity_field_->setFocus();
            quantity_field_->selectAll();
            break;
        case R::kChosen:
            code_field_->setFocus();
            code_field_->end(false);
            break;
        case R::kRefused:
            code_field_->setFocus();
            code_field_->selectAll();
            break;
        case R::kRegistered:
            code_field_->setFocus();
            break;
    }
}

void QuickSaleWindow::after_action() {
    give_fields();
    refresh();
    if (!screen_.is_open() && !finished_) close();
}

void QuickSaleWindow::take_fields() {
    screen_.code_field = code_field_->text().toStdString();
    screen_.quantity_field = quantity_field_->text().toStdString();
}

void QuickSaleWindow::give_fields() {
    code_field_->setText(qs(screen_.code_field));
    quantity_field_->setText(qs(screen_.quantity_field));
}

void QuickSaleWindow::tick() {
    const auto r = screen_.tick();
    if (r.codes > 0 || r.header) {
        give_fields();
        refresh();
    }
    if (r.clock) refresh_clock();
    if (r.picture) refresh_picture();
}

// ---- closing ----------------------------------------------------------------

void QuickSaleWindow::closeEvent(QCloseEvent* event) {
    if (screen_.is_open() && !screen_.request_close()) {
        event->ignore();
        return;
    }
    timer_->stop();
    event->accept();
    if (!finished_) {
        finished_ = true;
        emit finished();
    }
}

// ---- fields -----------------------------------------------------------------

void QuickSaleWindow::refresh_clock() {
    date_->setText(qs(screen_.date_text()));
    time_->setText(qs(screen_.time_text()));
}

void QuickSaleWindow::refresh() {
    refresh_clock();
    store_->setText(QString("Loja %1   ·   Caixa %2")
                        .arg(screen_.store_number(), 3, 10, QChar('0'))
                        .arg(screen_.point_of_sale_number(), 3, 10, QChar('0')));
    port_->setText(qs(screen_.port_text()));
    const std::string status = screen_.status_text();
    status_->setText(qs(status));
    status_->setProperty("aberto", status == "ABERTO");
    status_->style()->unpolish(status_);
    status_->style()->polish(status_);
    if (logo_->pixmap().isNull() && !screen_.logo().empty()) {
        QPixmap logo(QString::fromStdString(screen_.logo().string()));
        if (!logo.isNull()) logo_->setPixmap(logo.scaledToHeight(56, Qt::SmoothTransformation));
    }
    logo_->setVisible(!logo_->pixmap().isNull());

    const int coo = screen_.coupon_number();
    coupon_->setText(coo > 0 ? QString("Cupom Nº %1").arg(coo, 6, 10, QChar('0'))
                             : tr("Cupom Nº ——————"));
    operator_->setText(tr("Operador: %1").arg(qs(screen_.operator_name())));
    supervisor_->setVisible(screen_.supervisor());

    const sale::ShownItem& item = screen_.shown();
    if (item.has_product) {
        description_->setText(qs(item.product.descricao));
        code_->setText(tr("Código: %1").arg(qs(item.product.printed_code())));
        quantity_->setText(qs(util::to_br(item.quantity)));
        unit_price_->setText(qs(sale::price_text(item.unit_price)));
        item_total_->setText(money(item.total));
    } else {
        description_->setText(tr("Passe o produto no leitor ou digite o código"));
        code_->clear();
        quantity_->setText("0,000");
        unit_price_->setText("0,00");
        item_total_->setText("0,00");
    }
    total_->setText(money(screen_.coupon_total()));
    message_->setText(qs(screen_.message_line()));
    refresh_tape();
}

void QuickSaleWindow::refresh_tape() {
    const auto& entries = screen_.tape().entries();
    tape_->clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* item = new QListWidgetItem(qs(entries[i].line1) + "\n" + qs(entries[i].line2));
        // Odd entries white, even ones light blue, as a tape is read.
        item->setBackground(i % 2 == 0 ? QColor("#ffffff") : QColor("#d6e8fb"));
        tape_->addItem(item);
    }
    tape_->scrollToBottom();
}

void QuickSaleWindow::refresh_picture() {
    static_cast<PictureBox*>(picture_)->show_picture(
        QString::fromStdString(screen_.picture().string()));
}

// ---- entry points -----------------------------------------------------------

void provide_sale_windows(ui::ScreenPort& port, CheckoutState& checkout) {
    provide_options_menu(port);
    port.provide("FINALIZACUPOM", [&checkout](const ui::ScreenPort::Arguments& args) {
        return FINALIZACUPOM(checkout,
                             args.empty() ? std::string_view() : std::string_view(args[0]));
    });
    port.provide("QUICKBALCORA", [&checkout](const ui::ScreenPort::Arguments&) {
        QUICKBALCORA(checkout);
        return 0;
    });
    port.provide("BRWCFISCAL", [&checkout](const ui::ScreenPort::Arguments&) {
        BRWCFISCAL(checkout);
        return 0;
    });
}

}  // namespace balcora::gui

namespace balcora {

void QUICKBALCORA(CheckoutState& checkout) {
    gui::QuickSaleWindow window(checkout);
    if (!window.opened()) return;
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&window, &gui::QuickSaleWindow::finished, &loop, &QEventLoop::quit);
    window.showFullScreen();
    window.activateWindow();
    loop.exec();
}

}  // namespace balcora
