#include "gui/fiscal/fiscal_menu_dialog.h"

#include "gui/fiscal/reading_dialogs.h"
#include "gui/fiscal/registers_dialog.h"
#include "gui/qt_text.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

QLabel* display_line(QWidget* parent, const char* name, const std::string& text) {
    auto* l = new QLabel(qs(text), parent);
    l->setObjectName(name);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(mono.pointSizeF() * 1.3);
    l->setFont(mono);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(QFontMetrics(mono).horizontalAdvance(
        QString(static_cast<int>(fiscal::FiscalMenu::kLineWidth) + 1, 'M')));
    return l;
}

template <class Window, class Dialog>
void provide_dialog(ui::ScreenPort& port) {
    port.provide_view<Window>([](Window& window) {
        Dialog dialog(window, QApplication::activeWindow());
        dialog.exec();
    });
}

}  // namespace

FiscalMenuDialog::FiscalMenuDialog(fiscal::FiscalMenu& menu, QWidget* parent)
    : QDialog(parent), menu_(menu) {
    setObjectName("fiscal_menu_dialog");
    setWindowTitle(tr(fiscal::FiscalMenu::kCaption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(display_line(this, "line1", menu.line1()));
    layout->addWidget(display_line(this, "line2", menu.line2()));
    layout->addSpacing(6);

    auto* grid = new QGridLayout;
    int n = 0;
    QPushButton* first = nullptr;
    for (const auto& b : fiscal::FiscalMenu::kButtons) {
        // Only "&Fechar" has a mnemonic of its own; the others keep their
        // "&"-free captions, so a literal "&" would need doubling.
        auto* button = new QPushButton(qs(b.caption), this);
        button->setObjectName(QString("button%1").arg(n + 1));
        button->setMinimumHeight(button->sizeHint().height() * 3 / 2);
        const auto which = b.button;
        connect(button, &QPushButton::clicked, this, [this, which] {
            if (!menu_.press(which)) accept();
        });
        grid->addWidget(button, n / 2, n % 2);
        if (!first) first = button;
        ++n;
    }
    layout->addLayout(grid);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    first->setFocus();
}

void provide_fiscal_windows(ui::ScreenPort& port) {
    port.provide("MENUFISCAL", [](const ui::ScreenPort::Arguments&) {
        MENUFISCAL();
        return 0;
    });
    port.provide_view<fiscal::FiscalMenu>([](fiscal::FiscalMenu& menu) {
        FiscalMenuDialog dialog(menu, QApplication::activeWindow());
        dialog.exec();
    });
    provide_dialog<fiscal::LmfWindow, LmfDialog>(port);
    provide_dialog<fiscal::CotepeWindow, CotepeDialog>(port);
    provide_dialog<fiscal::MfdMirrorWindow, MfdMirrorDialog>(port);
    provide_dialog<fiscal::RegistersWindow, RegistersDialog>(port);
}

}  // namespace balcora::gui
