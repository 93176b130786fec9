#pragma once

#include "forms/customer_form.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace balcora::gui {

// "Cliente" over a CustomerForm. Fields carry the column names as object
// names ("cgcpf", "razao", "id_municipio", ...), the municipality's name is
// "municipio_nome", its list opens with F2 or "choose_municipality"; the
// buttons are "ok" and "cancel". Enter moves to the next field and saves in
// the last; Enter in a blank municipality code opens the list.
class CustomerFormDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CustomerFormDialog(forms::CustomerForm& form, QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void confirm();
    void show_record();
    void take_record();
    void apply_access();
    void choose_municipality();
    bool take_municipality_code();

    forms::CustomerForm& form_;
    std::map<forms::CustomerField, QWidget*> fields_;
    QLabel* id_;
    QComboBox* pesso_;
    QLineEdit* cgcpf_;
    QLineEdit* inscr_;
    QLineEdit* razao_;
    QLineEdit* nome_;
    QLineEdit* ender_;
    QLineEdit* num_endereco_;
    QLineEdit* compl_;
    QLineEdit* bairr_;
    QLineEdit* cep_;
    QLineEdit* id_municipio_;
    QLabel* municipio_nome_;
    QLineEdit* telef_;
    QLineEdit* e_mail_;
    QCheckBox* consfinal_;
    QCheckBox* ativo_;
};

}  // namespace balcora::gui
