#include "gui/shell/backup_window.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "demo/demo_data.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"
#include "support/backup_target.h"
#include "support/test_database.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>

namespace balcora::test {

class BackupWindowGui : public DbTest {
  protected:
    BackupWindowGui() {
        DEFINEHASH();
        EXPECT_TRUE(load_demo_data());
        gui::provide_backup_window(screens_);
    }
};

// The window is up while the dump and its check run, answers its timers
// (the program stays responsive), refuses to close mid-run and goes away by
// itself at the end.
TEST_F(BackupWindowGui, ShowsTheStagesWhileTheCopyRunsAndClosesWhenItEnds) {
    bool closed_mid_run = false, shot = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->objectName() != "backup_window" || !w->isVisible()) return;
        const std::string stage = w->findChild<QLabel*>("etapa")->text().toStdString();
        if (!shot && stage.find("Verificando") != std::string::npos) {
            shot = true;
            save_screenshot(*w, "backup_window");
            w->close();
            closed_mid_run = !w->isVisible();
        }
    });
    watch.start(5);

    shell::BackupRun run(backup_target_of(db_, root_.path()));
    EXPECT_TRUE(shell::run_backup(run)) << prompt_.shown().back().text;
    watch.stop();

    EXPECT_TRUE(shot);
    EXPECT_FALSE(closed_mid_run);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(registro_number("Backup", "Situacao"), 1);
}

}  // namespace balcora::test
