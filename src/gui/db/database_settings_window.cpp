#include "gui/db/database_settings_window.h"

#include "db/connection_settings.h"
#include "gui/db/script_progress_window.h"
#include "gui/qt_text.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/form_dialog.h"
#include "ui/environment.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

QLineEdit* entry(QWidget* parent, const char* name, int width, const std::string& text) {
    QLineEdit* e = line_edit(parent, name, width, width);
    e->setText(qs(text));
    return e;
}

}  // namespace

DatabaseSettingsWindow::DatabaseSettingsWindow(db::DatabaseSettingsScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(tr("Configuração do BD"));
    setObjectName("database_settings_window");

    usuario_ = entry(this, "usuario", db::DatabaseSettingsScreen::kUsuarioWidth, screen_.usuario);
    senha_ = entry(this, "senha", db::DatabaseSettingsScreen::kSenhaWidth, screen_.senha);
    senha_->setEchoMode(QLineEdit::Password);
    porta_ = entry(this, "porta", db::DatabaseSettingsScreen::kPortaWidth, screen_.porta);

    auto* form = new QFormLayout;
    add_row(this, form, tr("&Usuário:"), usuario_);
    add_row(this, form, tr("S&enha:"), senha_);
    add_row(this, form, tr("&Porta:"), porta_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    QPushButton* close = buttons->addButton(tr("&Fechar"), QDialogButtonBox::RejectRole);
    close->setObjectName("fechar");
    connect(ok, &QPushButton::clicked, this, &DatabaseSettingsWindow::confirm);
    connect(close, &QPushButton::clicked, this, [this] {
        screen_.close();
        reject();
    });

    form_column(this, form)->addWidget(buttons);

    auto* enter = new EnterNavigation(this, [this] { confirm(); });
    enter->watch({usuario_, senha_, porta_});
}

void DatabaseSettingsWindow::confirm() {
    // A port that is no number would only lead to a failed connection later.
    if (db::parse_port(porta_->text().toStdString()) == 0) {
        prompt().message("Aviso", "Porta inválida!|Informe um número de 1 a 65535.",
                         ui::Icon::kWarning);
        focus_field(porta_);
        return;
    }
    screen_.usuario = usuario_->text().toStdString();
    screen_.senha = senha_->text().toStdString();
    screen_.porta = porta_->text().trimmed().toStdString();
    if (screen_.ok()) accept();
}

void provide_database_windows(ui::ScreenPort& port) {
    port.provide_view<db::DatabaseSettingsScreen>([](db::DatabaseSettingsScreen& screen) {
        DatabaseSettingsWindow window(screen);
        window.exec();
    });
    port.provide_view<db::ScriptRun>([](db::ScriptRun& run) {
        ScriptProgressWindow window(QApplication::activeWindow());
        run.execute(window);
    });
}

}  // namespace balcora::gui
