#include "db/database_settings_screen.h"
#include "db/script_progress.h"
#include "db/script_runner.h"
#include "gui/db/database_settings_window.h"
#include "gui/db/script_progress_window.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"
#include "platform/ini_file.h"
#include "support/test_database.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <fstream>

namespace balcora::test {

class DatabaseWindowsGui : public DbTest {
  protected:
    DatabaseWindowsGui() { gui::provide_database_windows(screens_); }
    std::string ini(const char* key) {
        return platform::ini_read(root_.root().ini_file("balcora.ini"), "Configuracao", key,
                                  "<ausente>");
    }
    std::string write_script(const std::string& name, const std::string& text) {
        auto path = root_.path() / "sistemas/balcora/pgms" / name;
        std::ofstream(path) << text;
        return path.string();
    }
};

TEST_F(DatabaseWindowsGui, GravaPortaOffersTheDefaultsRefusesABadPortAndWritesOnOk) {
    bool driven = false;
    when_modal("database_settings_window", [&](QWidget& w) {
        driven = true;
        EXPECT_EQ(w.windowTitle(), "Configuração do BD");
        EXPECT_EQ(w.findChild<QLineEdit*>("usuario")->text(), "postgres");
        EXPECT_EQ(w.findChild<QLineEdit*>("porta")->text(), "5432");
        save_screenshot(w, "database_settings_window");
        w.findChild<QLineEdit*>("porta")->setText("54x");
        w.findChild<QPushButton*>("ok")->click();
        EXPECT_TRUE(w.isVisible());
        w.findChild<QLineEdit*>("usuario")->setText("gerente");
        w.findChild<QLineEdit*>("porta")->setText("5433");
        w.findChild<QPushButton*>("ok")->click();
    });
    GRAVAPORTA();
    EXPECT_TRUE(driven);
    EXPECT_EQ(prompt_.count_containing("Porta inválida!"), 1);
    EXPECT_EQ(ini("Usuario"), "gerente");
    EXPECT_EQ(ini("Porta"), "5433");
}

TEST_F(DatabaseWindowsGui, FecharWritesNothing) {
    when_modal("database_settings_window", [](QWidget& w) {
        w.findChild<QLineEdit*>("usuario")->setText("outro");
        w.findChild<QPushButton*>("fechar")->click();
    });
    GRAVAPORTA();
    EXPECT_EQ(ini("Usuario"), "<ausente>");
}

TEST_F(DatabaseWindowsGui, AScriptThatRunsClosesItsWindowAndAFailingOneStaysWithTheError) {
    std::string good = write_script("bom.sql",
                                    "--SEQ 9001 ok\nCREATE TABLE balcora.teste_gui (id int);\n"
                                    "--RUN--\n");
    bool waited = false;
    auto watch = when_modal("script_progress_window", [&](QWidget& w) {
        waited = true;
        w.close();
    });
    EXPECT_EQ(LEARQUIVOSQL(good, 1, "balcora"), 1);
    EXPECT_FALSE(waited);  // a script that ran does not wait for the operator
    delete watch.data();

    std::string bad = write_script("ruim.sql",
                                   "--SEQ 9002 falha\nCREATE TABLE balcora.teste_gui2 (id int;\n"
                                   "--RUN--\n");
    std::string status, text;
    bool close_enabled = false;
    when_modal("script_progress_window", [&](QWidget& w) {
        status = w.findChild<QLabel*>("status")->text().toStdString();
        text = w.findChild<QPlainTextEdit*>("texto")->toPlainText().toStdString();
        close_enabled = w.findChild<QPushButton*>("fechar")->isEnabled();
        save_screenshot(w, "script_progress_failure");
        w.findChild<QPushButton*>("fechar")->click();
    });
    EXPECT_EQ(LEARQUIVOSQL(bad, 2, "balcora"), 0);
    EXPECT_EQ(status.rfind("Erro (42601): ", 0), 0u) << status;
    EXPECT_NE(text.find("CREATE TABLE balcora.teste_gui2 (id int;"), std::string::npos) << text;
    EXPECT_TRUE(close_enabled);
}

}  // namespace balcora::test
