#pragma once

#include "access/procedure_rights_screen.h"

#include <QDialog>

class QTableWidget;

namespace balcora::gui {

// The rights of one procedure for every operator ("rights": login, name,
// then one checkbox per right), buttons "save" and "close".
class ProcedureRightsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ProcedureRightsDialog(access::ProcedureRightsScreen& screen,
                                   QWidget* parent = nullptr);

    void reject() override;

  private:
    void fill();
    void toggled(int row, int column);

    access::ProcedureRightsScreen& screen_;
    QTableWidget* rights_;
    bool filling_ = false;
};

}  // namespace balcora::gui
