#pragma once

#include "blocox/reg60m_form.h"

#include <QDialog>

#include <array>

class QLineEdit;

namespace balcora::gui {

// "Form reg60m" over a Reg60mForm: one field per column, named as the
// column; "&Ok" saves, "&Cancelar" leaves. A form opened to consult has its
// fields read-only.
class Reg60mFormDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit Reg60mFormDialog(blocox::Reg60mForm& form, QWidget* parent = nullptr);

  private:
    void ok();

    blocox::Reg60mForm& form_;
    std::array<QLineEdit*, blocox::Reg60mForm::kFieldCount> fields_{};
};

// Opens the form on a reduction (or a new one); true when it was saved.
bool run_reg60m_form(forms::FormMode mode, std::int32_t id_reg60m, QWidget* parent);

}  // namespace balcora::gui
