#include "gui/sale/options_menu_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace balcora::gui {

OptionsMenuDialog::OptionsMenuDialog(sale::OptionsMenu& menu, QWidget* parent)
    : QDialog(parent), menu_(menu) {
    setObjectName("options_menu_dialog");
    setWindowTitle(tr(sale::OptionsMenu::kTitle));
    list_ = new QListWidget(this);
    list_->setObjectName("opcoes");
    QFont big = list_->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    list_->setFont(big);
    for (const auto& o : sale::OptionsMenu::options())
        list_->addItem(QString("%1 - %2").arg(QChar(o.key), QString::fromStdString(o.label)));
    list_->setCurrentRow(0);
    list_->installEventFilter(this);
    list_->setMinimumWidth(QFontMetrics(big).horizontalAdvance(QString(34, 'M')));
    list_->setMinimumHeight(list_->sizeHintForRow(0) * (list_->count() + 1));
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { choose(list_->row(item)); });

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("Escolha a opção (número ou Enter) — Esc volta"), this);
    layout->addWidget(title);
    layout->addWidget(list_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    list_->setFocus();
}

// The list would take digits for its keyboard search: they choose first.
bool OptionsMenuDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.size() == 1 && text[0].isDigit()) {
            if (menu_.press(text[0].toLatin1())) accept();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            choose(list_->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void OptionsMenuDialog::choose(int row) {
    if (row < 0) return;
    menu_.choose(static_cast<std::size_t>(row));
    accept();
}

void provide_options_menu(ui::ScreenPort& port) {
    port.provide_view<sale::OptionsMenu>([](sale::OptionsMenu& menu) {
        OptionsMenuDialog dialog(menu, QApplication::activeWindow());
        dialog.exec();
    });
}

}  // namespace balcora::gui
