#include "gui/ecf/cash_day_dialogs.h"

#include "gui/qt_text.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/list_widgets.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <vector>

namespace balcora::gui {

namespace {

// The next (or previous) field the Tab key would reach.
void move_focus(QObject* from, bool forward) {
    auto* w = qobject_cast<QWidget*>(from);
    if (!w) return;
    QWidget* next = w;
    do {
        next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
    } while (next != w &&
             !((next->focusPolicy() & Qt::TabFocus) && next->isVisible() && next->isEnabled()));
    next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

// The keys of the cash windows, which the operator works with one hand on
// the keypad: F10 or S confirms, N gives up, Q and Y move up and down, Enter
// moves on, and the decimal key types the comma of an amount.
class CashKeys : public QObject {
  public:
    CashKeys(QDialog* dialog, std::function<void()> confirm)
        : QObject(dialog), dialog_(dialog), confirm_(std::move(confirm)) {}
    void watch(std::initializer_list<QWidget*> fields) {
        for (QWidget* w : fields) w->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
        switch (key->key()) {
            case Qt::Key_F10:
            case Qt::Key_S:
                confirm_();
                return true;
            case Qt::Key_N:
                dialog_->reject();
                return true;
            case Qt::Key_Q:
                move_focus(watched, false);
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                // On a button Enter presses it.
                if (qobject_cast<QPushButton*>(watched)) return false;
                move_focus(watched, true);
                return true;
            case Qt::Key_Y:
                move_focus(watched, true);
                return true;
            case Qt::Key_Period:
            case Qt::Key_Comma:
                if (auto* line = qobject_cast<QLineEdit*>(watched)) {
                    line->insert(",");
                    return true;
                }
                return false;
            default:
                return false;
        }
    }

  private:
    QDialog* dialog_;
    std::function<void()> confirm_;
};

QLineEdit* amount_line(QWidget* parent, QFormLayout* form, const QString& label, const char* name) {
    QLineEdit* line = form_line(parent, form, label, name, 14, 14);
    line->setAlignment(Qt::AlignRight);
    return line;
}

}  // namespace

DayOpeningDialog::DayOpeningDialog(ecf::DayOpeningScreen& screen, QWidget* parent)
    : ScreenFormDialog(screen, parent, "day_opening_dialog") {
    setWindowTitle(tr(ecf::DayOpeningScreen::kTitle));
    auto* form = new QFormLayout;
    QLineEdit* amount = bind(amount_line(this, form, tr("Suprimento &Inicial:"), "suprimento"),
                             Field::kAmount, screen_.amount, true);
    QPushButton* ok = dialog_button(this, tr("&Confirma (F10)"), "confirma");
    QPushButton* cancel = dialog_button(this, tr("&Desiste (N)"), "desiste");
    auto confirm = [this] { submit([this] { return screen_.day_opened(); }); };
    connect(ok, &QPushButton::clicked, this, confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* keys = new CashKeys(this, confirm);
    keys->watch({amount, ok, cancel});
    form_column(this, form, nullptr, new QLabel(tr("F10/S - Confirma    N - Desiste"), this))
        ->addLayout(button_row({}, {ok, cancel}));
    tab_chain({amount, ok, cancel});
    show_screen();
}

CashMovementDialog::CashMovementDialog(ecf::CashMovementScreen& screen, QWidget* parent)
    : ScreenFormDialog(screen, parent, "cash_movement_dialog") {
    setWindowTitle(tr(ecf::CashMovementScreen::kTitle));
    auto* form = new QFormLayout;
    kind_ = new QComboBox(this);
    kind_->setObjectName("tipo");
    kind_->addItem(tr("Sangria"), "SA");
    kind_->addItem(tr("Suprimento"), "SU");
    kind_->setCurrentIndex(screen_.kind == "SU" ? 1 : 0);
    add_row(this, form, tr("&Tipo:"), kind_);
    QLineEdit* amount =
        bind(amount_line(this, form, tr("&Valor:"), "valor"), Field::kAmount, screen_.amount, true);
    QPushButton* ok = dialog_button(this, tr("&Confirma (F10)"), "confirma");
    QPushButton* cancel = dialog_button(this, tr("&Desiste (N)"), "desiste");
    auto confirm = [this] {
        screen_.kind = kind_->currentData().toString().toStdString();
        submit([this] { return screen_.done(); });
    };
    connect(ok, &QPushButton::clicked, this, confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* keys = new CashKeys(this, confirm);
    keys->watch({kind_, amount, ok, cancel});
    form_column(this, form, nullptr, new QLabel(tr("F10/S - Confirma    N - Desiste"), this))
        ->addLayout(button_row({}, {ok, cancel}));
    tab_chain({kind_, amount, ok, cancel});
    show_screen();
}

Reg60mRecoveryDialog::Reg60mRecoveryDialog(ecf::Reg60mRecoveryScreen& screen, QWidget* parent)
    : ScreenFormDialog(screen, parent, "reg60m_recovery_dialog") {
    setWindowTitle(tr(ecf::Reg60mRecoveryScreen::kTitle));
    auto* form = new QFormLayout;
    QLineEdit* start = bind(line_edit(this, "inicio", 10, 11), Field::kStart, screen_.start);
    QLineEdit* end = bind(line_edit(this, "fim", 10, 11), Field::kEnd, screen_.end);
    for (QLineEdit* date : {start, end}) date->setInputMask("99/99/9999;_");
    auto* period = new QHBoxLayout;
    period->addWidget(start);
    period->addWidget(new QLabel(tr("a"), this));
    period->addWidget(end);
    auto* row = new QWidget(this);
    row->setLayout(period);
    period->setContentsMargins(0, 0, 0, 0);
    add_row(this, form, tr("&Período:"), row);
    finish_form(this, form, {start, end}, tr("&Gerar"), [this] { submit([] { return true; }); });
    findChild<QPushButton*>("ok")->setObjectName("gerar");
    show_screen();
}

ClosingHoursDialog::ClosingHoursDialog(ecf::ClosingHoursScreen& screen, QWidget* parent)
    : ScreenFormDialog(screen, parent, "closing_hours_dialog") {
    setWindowTitle(tr(ecf::ClosingHoursScreen::kTitle));
    static constexpr std::array<const char*, 7> names = {"dom", "seg", "ter", "qua",
                                                         "qui", "sex", "sab"};
    auto* form = new QFormLayout;
    std::vector<QWidget*> fields;
    for (int d = 0; d < 7; ++d) {
        QLineEdit* line =
            bind(form_line(this, form, tr(ecf::ClosingHoursScreen::kLabels[d]), names[d], 5, 6), d,
                 screen_.times[d]);
        line->setInputMask("99:99;_");
        line->setText(qs(screen_.times[d]));
        fields.push_back(line);
    }
    finish_form(
        this, form, fields, tr("&Ok"), [this] { submit([this] { return screen_.saved(); }); },
        new QLabel(tr("Em branco: 12:00 aos sábados e domingos, 18:00 nos outros dias."), this));
    show_screen();
}

}  // namespace balcora::gui
