#include "gui/fiscal/reading_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace balcora::gui {

LmfDialog::LmfDialog(fiscal::LmfWindow& window, QWidget* parent)
    : PeriodDialog(window, parent, "lmf_dialog", fiscal::LmfWindow::kCaption, "&Redução",
                   [this, &window] {
                       window.complete = reading_[0]->isChecked();
                       window.to_file = output_[1]->isChecked();
                       window.generate();
                   }) {
    choices()->addWidget(
        choice_group(this, tr("Tipo de leitura"), {tr("&Completa"), tr("Si&mplificada")},
                     {"complete", "simplified"}, window.complete ? 0 : 1, reading_));
    choices()->addWidget(choice_group(this, tr("Opção"), {tr("Im&pressão"), tr("Arquivo &Espelho")},
                                      {"print", "mirror"}, window.to_file ? 1 : 0, output_));
    lead_with({reading_[0], reading_[1], output_[0], output_[1]});
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

// S and N answer the window as its two buttons do, from any of its widgets.
bool LmfDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            if (key->key() == Qt::Key_S) {
                generate_button_->click();
                return true;
            }
            if (key->key() == Qt::Key_N) {
                close_button_->click();
                return true;
            }
        }
    }
    return PeriodDialog::eventFilter(watched, event);
}

CotepeDialog::CotepeDialog(fiscal::CotepeWindow& window, QWidget* parent)
    : PeriodDialog(window, parent, "cotepe_dialog", fiscal::CotepeWindow::kCaption, "&Redução",
                   [this, &window] {
                       window.type = type_->currentIndex();
                       window.generate();
                   }) {
    type_ = new QComboBox(this);
    type_->setObjectName("type");
    for (int t = 0; t < fiscal::CotepeWindow::kTypes; ++t)
        type_->addItem(qs(fiscal::cotepe_type_caption(t)));
    type_->setCurrentIndex(window.type);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(tr("&Tipo do arquivo:"), this);
    label->setBuddy(type_);
    row->addWidget(label);
    row->addWidget(type_);
    row->addStretch();
    choices()->addLayout(row);
    lead_with({type_});
}

MfdMirrorDialog::MfdMirrorDialog(fiscal::MfdMirrorWindow& window, QWidget* parent)
    : PeriodDialog(window, parent, "mfd_mirror_dialog", fiscal::MfdMirrorWindow::kCaption, "C&OO",
                   [&window] { window.generate(); }) {}

}  // namespace balcora::gui
