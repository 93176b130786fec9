#pragma once

#include "forms/maqecf_form.h"

#include <QDialog>

#include <map>

class QComboBox;
class QLineEdit;
class QWidget;

namespace balcora::gui {

// "Form maqecf" over a MaqecfForm. Fields carry the column names as object
// names ("numero", "num_serie", "marca", ...), the model list is
// "model_choice", the buttons "ok" and "cancel". Ctrl+A reveals the
// situation fields; Ctrl+H copies the focused field from the last printer
// saved (new printers only).
class MaqecfFormDialog : public QDialog {
    Q_OBJECT
  public:
    explicit MaqecfFormDialog(forms::MaqecfForm& form, QWidget* parent = nullptr);

  private:
    void confirm();
    void duplicate_focused();
    void reveal_situation();
    void model_chosen(int index);
    void show_record();
    bool take_record();
    void apply_access();

    forms::MaqecfForm& form_;
    std::map<forms::MaqecfField, QWidget*> fields_;
    QLineEdit* id_;
    QLineEdit* numero_;
    QLineEdit* num_serie_;
    QComboBox* model_choice_;
    QLineEdit* marca_;
    QLineEdit* modelo_;
    QLineEdit* dt1_;
    QComboBox* situacao_;
    QLineEdit* data_sit_;
    QComboBox* porta_com_;
    QComboBox* modelo_scanner_;
    QComboBox* porta_com_scanner_;
    QLineEdit* num_cred_ecf_;
};

}  // namespace balcora::gui
