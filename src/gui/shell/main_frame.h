#pragma once

#include "shell/external_command.h"
#include "shell/main_menu.h"

#include <QMainWindow>

#include <string>
#include <vector>

class QAction;
class QLabel;

namespace balcora::gui {

// The application frame "Balcora": the main menu, the status bar with the
// credit line and the operator, and the closing question.
class MainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainFrame(QWidget* parent = nullptr);

    // Builds the menu bar; items open their screens through the registry.
    void set_menus(const std::vector<shell::Menu>& menus);
    void set_title(const std::string& title);
    void set_company(const std::string& company);
    void set_operator(const std::string& login);
    // The runner of external programs (tests put a recording one in place).
    void set_command_runner(shell::CommandRunner& runner) { runner_ = &runner; }

    // Closes without the question: a start-up check refused, or the
    // computer is being switched off.
    void close_without_question();

    // The action of a menu item by its screen name; null when absent.
    QAction* action_for(std::string_view screen) const;

  signals:
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void add_entries(QMenu* menu, const std::vector<shell::MenuEntry>& entries);
    void trigger(const shell::MenuEntry& entry);

    shell::CommandRunner* runner_;
    QLabel* program_;
    QLabel* company_;
    QLabel* hint_;
    QLabel* operator_;
    bool without_question_ = false;
};

}  // namespace balcora::gui
