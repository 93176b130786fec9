#pragma once

#include "access/operator_maintenance_screen.h"
#include "gui/shell/screen_dialog.h"

#include <cstdint>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace balcora::gui {

// "Cadastro de Usuários" over an OperatorMaintenanceScreen: the operators
// ("operators"), the rights of the selected one ("rights", one checkbox per
// right), and the buttons "add", "edit", "remove", "password",
// "save_rights", "close".
class OperatorMaintenanceWindow : public ScreenDialog<access::OperatorMaintenanceScreen,
                                                      &access::OperatorMaintenanceScreen::close> {
    Q_OBJECT
  public:
    explicit OperatorMaintenanceWindow(access::OperatorMaintenanceScreen& screen,
                                       QWidget* parent = nullptr);

  private:
    void add_operator();
    void edit_operator();
    void remove_operator();
    void reset_password();
    void save_rights();
    void operator_chosen();
    void right_toggled(int row, int column);
    void fill_operators();
    void fill_rights();

    std::vector<std::uint8_t> right_bits_;  // the bit of each rights column after the first
    QTableWidget* operators_;
    QTableWidget* rights_;
    QLabel* rights_note_;
    QPushButton* save_rights_;
    bool filling_ = false;
};

}  // namespace balcora::gui
