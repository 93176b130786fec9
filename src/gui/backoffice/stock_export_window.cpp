#include "gui/backoffice/stock_export_window.h"

#include "backoffice/stock_export.h"

#include "backoffice/host_address.h"
#include "gui/qt_text.h"
#include "gui/shell/form_dialog.h"
#include "gui/shell/list_widgets.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace balcora::gui {

using backoffice::ConnectionType;
using backoffice::StockExportScreen;

namespace {

std::int32_t number_of(const QLineEdit* field) {
    const auto n = util::read_integer(field->text().trimmed().toStdString());
    return n.valid && n.value >= 0 && n.value <= INT32_MAX ? static_cast<std::int32_t>(n.value) : 0;
}

}  // namespace

StockExportWindow::StockExportWindow(StockExportScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setObjectName("stock_export_window");
    setWindowTitle(tr(StockExportScreen::kTitle));

    auto* form = new QFormLayout;
    tipo_ = new QComboBox(this);
    tipo_->setObjectName("tipo");
    tipo_->addItems({tr("IP"), tr("NOIP"), tr("Nome da Máquina")});
    add_row(this, form, tr("&Tipos de conexão:"), tipo_);
    servidor_ = form_line(this, form, tr("&Servidor:"), "servidor", 19, 20);
    database_ = form_line(this, form, tr("&Database:"), "database", 29, 30);
    usuario_ = form_line(this, form, tr("&Usuário:"), "usuario", 20, 20);
    // Twenty characters shown; a longer password set elsewhere is kept whole.
    senha_ = form_line(this, form, tr("S&enha:"), "senha", 64, 20, true);
    porta_ = form_line(this, form, tr("&Porta:"), "porta", 5, 6);
    porta_->setInputMask("00000");
    emp_secundaria_ = form_line(this, form, tr("Empresa Se&cundária:"), "emp_secundaria", 6, 7);
    emp_secundaria_->setInputMask("000000");
    automatico_ = new QCheckBox(tr("Atualizar Estoque Auto&mático"), this);
    automatico_->setObjectName("automatico");
    form->addRow(QString(), automatico_);
    local_estoque_ = form_line(this, form, tr("&Local estoque:"), "local_estoque", 3, 4);
    local_estoque_->setInputMask("000");
    status_ = new QLabel(this);
    status_->setObjectName("status");
    screen_.on_status([this](const std::string& text) {
        status_->setText(qs(text));
        status_->repaint();
    });

    QPushButton* atualizar = dialog_button(this, tr("&Atualizar "), "atualizar");
    gravar_ = row_button(this, tr("&Gravar"), "gravar");
    noip_ = row_button(this, tr("NOIP"), "noip");
    QPushButton* fechar = row_button(this, tr("&Fechar"), "fechar");
    connect(atualizar, &QPushButton::clicked, this, &StockExportWindow::run);
    connect(gravar_, &QPushButton::clicked, this, &StockExportWindow::save);
    connect(noip_, &QPushButton::clicked, this, &StockExportWindow::resolve);
    connect(fechar, &QPushButton::clicked, this, &QDialog::reject);
    connect(tipo_, &QComboBox::currentIndexChanged, this,
            [this](int index) { noip_->setEnabled(screen_.settings_unlocked() && index == 1); });
    // The settings are the installer's: Ctrl+A opens them.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this), &QShortcut::activated, this,
            [this] {
                screen_.unlock_settings();
                lock(false);
                tipo_->setFocus();
            });

    auto* layout = form_column(this, form);
    layout->addWidget(status_);
    layout->addLayout(button_row({atualizar, gravar_, noip_}, fechar));
    tab_chain({tipo_, servidor_, database_, usuario_, senha_, porta_, emp_secundaria_, automatico_,
               local_estoque_, atualizar, gravar_, noip_, fechar});
    show_fields();
    lock(!screen_.settings_unlocked());
    atualizar->setFocus();
}

void StockExportWindow::lock(bool locked) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{tipo_, servidor_, database_, usuario_, senha_, porta_,
                                         emp_secundaria_, automatico_, local_estoque_, gravar_})
        w->setEnabled(!locked);
    noip_->setEnabled(!locked && tipo_->currentIndex() == 1);
}

void StockExportWindow::show_fields() {
    const auto& s = screen_.settings;
    tipo_->setCurrentIndex(static_cast<int>(s.link.type) - 1);
    servidor_->setText(qs(s.link.servidor));
    database_->setText(qs(s.link.database));
    usuario_->setText(qs(s.link.usuario));
    senha_->setText(qs(s.link.senha));
    porta_->setText(QString::number(s.link.porta));
    emp_secundaria_->setText(QString::number(s.emp_secundaria));
    automatico_->setChecked(s.automatic);
    local_estoque_->setText(QString::number(s.local_estoque));
}

void StockExportWindow::take_fields() {
    auto& s = screen_.settings;
    s.link.type = static_cast<ConnectionType>(tipo_->currentIndex() + 1);
    s.link.servidor = servidor_->text().trimmed().toStdString();
    s.link.database = database_->text().trimmed().toStdString();
    s.link.usuario = usuario_->text().trimmed().toStdString();
    s.link.senha = senha_->text().toStdString();
    const std::int32_t port = number_of(porta_);
    s.link.porta = port > 0 && port <= 65535 ? port : 5432;
    s.emp_secundaria = number_of(emp_secundaria_);
    s.automatic = automatico_->isChecked();
    s.local_estoque = number_of(local_estoque_);
    if (s.local_estoque == 0) s.local_estoque = 1;
}

void StockExportWindow::run() {
    take_fields();
    screen_.run();
    if (screen_.focus_server()) focus_field(servidor_);
}

void StockExportWindow::save() {
    take_fields();
    screen_.save();
}

void StockExportWindow::resolve() {
    take_fields();
    std::string why;
    const auto address = backoffice::resolve_host(screen_.settings.link.servidor, &why);
    if (!address) {
        prompt().message("Erro", why, ui::Icon::kError);
        return;
    }
    screen_.settings.link.ip = *address;
    prompt().message("Aviso", "IP: " + *address, ui::Icon::kInformation);
}

void provide_stock_export_window(ui::ScreenPort& port) {
    port.provide("ATUALIZAESTOQUEGESTAO", [](const ui::ScreenPort::Arguments& args) {
        const std::string mode = args.empty() ? std::string(" ") : args[0];
        const auto kind = mode == "1"   ? backoffice::ExportMode::kAutomatic
                          : mode == "2" ? backoffice::ExportMode::kDaily
                                        : backoffice::ExportMode::kMenu;
        if (!backoffice::stock_export_wanted(kind)) return 0;
        StockExportScreen screen(kind);
        screen.open();
        StockExportWindow window(screen, QApplication::activeWindow());
        window.exec();
        return 1;
    });
}

}  // namespace balcora::gui
