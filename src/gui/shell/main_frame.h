#pragma once

#include "shell/external_command.h"
#include "shell/main_menu.h"
#include "shell/startup.h"

#include <QMainWindow>

#include <string>
#include <vector>

class QAction;
class QLabel;

namespace balcora {
struct CheckoutState;
}

namespace balcora::gui {

// The application frame "Balcora": the main menu, the status bar with the
// credit line and the operator, and the closing question. The start-up
// drives it (shell::run_main_frame).
class MainFrame : public QMainWindow, public shell::FrameView {
    Q_OBJECT
  public:
    explicit MainFrame(const CheckoutState& checkout, QWidget* parent = nullptr);

    // Builds the menu bar; items run their procedures through the screen port.
    void set_menus(const std::vector<shell::Menu>& menus) override;
    void set_title(const std::string& title) override;
    void set_company(const std::string& company) override;
    void set_operator(const std::string& login) override;
    void set_size(int width, int height) override { resize(width, height); }
    void run(std::function<void()> opened) override;
    // The runner of external programs (tests put a recording one in place).
    void set_command_runner(shell::CommandRunner& runner) { runner_ = &runner; }

    // Closes without the question: a start-up check refused, or the
    // computer is being switched off.
    void close_without_question() override;

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

    const CheckoutState& checkout_;
    shell::CommandRunner* runner_;
    QLabel* program_;
    QLabel* company_;
    QLabel* hint_;
    QLabel* operator_;
    bool without_question_ = false;
};

}  // namespace balcora::gui
