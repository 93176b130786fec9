#pragma once

#include "db/database_settings_screen.h"
#include "ui/screen_port.h"

#include <QDialog>

class QLineEdit;

namespace balcora::gui {

// "Configuração do BD": user, password and port of the database settings.
class DatabaseSettingsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit DatabaseSettingsWindow(db::DatabaseSettingsScreen& screen, QWidget* parent = nullptr);

  private:
    void confirm();

    db::DatabaseSettingsScreen& screen_;
    QLineEdit* usuario_;
    QLineEdit* senha_;
    QLineEdit* porta_;
};

// Makes GRAVAPORTA and the schema scripts' progress show their windows.
void provide_database_windows(ui::ScreenPort& port);

}  // namespace balcora::gui
