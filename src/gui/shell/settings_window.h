#pragma once

#include "shell/settings_screen.h"

#include <QDialog>

#include <map>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace balcora {

// "Configuração", modal over the caller.
void CONFIGURACAO();

namespace gui {

class SettingsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit SettingsWindow(shell::SettingsScreen& screen, QWidget* parent = nullptr);

    // The widget that edits a field (its object name is the field's id).
    QWidget* field_widget(const std::string& id) const;
    // Copies what the widgets show into the screen.
    void collect();

  private:
    QWidget* make_field(const shell::SettingField& f);
    QWidget* make_certificate_serial(const shell::SettingField& f);
    QWidget* make_file(const shell::SettingField& f);
    void certificate_type_changed();
    void save();

    shell::SettingsScreen& screen_;
    std::map<std::string, QWidget*> widgets_;
};

}  // namespace gui
}  // namespace balcora
