#pragma once

#include "access/procedure_rights_screen.h"
#include "gui/shell/screen_dialog.h"

class QTableWidget;

namespace balcora::gui {

// The rights of one procedure for every operator ("rights": login, name,
// then one checkbox per right), buttons "save" and "close".
class ProcedureRightsDialog
    : public ScreenDialog<access::ProcedureRightsScreen, &access::ProcedureRightsScreen::close> {
    Q_OBJECT
  public:
    explicit ProcedureRightsDialog(access::ProcedureRightsScreen& screen,
                                   QWidget* parent = nullptr);

  private:
    void fill();
    void toggled(int row, int column);

    QTableWidget* rights_;
    bool filling_ = false;
};

}  // namespace balcora::gui
