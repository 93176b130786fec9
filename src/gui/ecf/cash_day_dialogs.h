#pragma once

#include "ecf/cash_movement_screen.h"
#include "ecf/closing_hours_screen.h"
#include "ecf/day_opening.h"
#include "ecf/reg60m_recovery_screen.h"
#include "gui/shell/screen_dialog.h"

class QComboBox;

namespace balcora::gui {

// "Abrir Caixa" over a DayOpeningScreen: field "suprimento", button
// "confirma". F10 or S confirms, N closes, Q and Y move up and down, Enter
// moves on, "." and the keypad's decimal key type a comma.
class DayOpeningDialog : public ScreenFormDialog<ecf::DayOpeningScreen> {
    Q_OBJECT
  public:
    explicit DayOpeningDialog(ecf::DayOpeningScreen& screen, QWidget* parent = nullptr);
};

// "Sangria / Suprimento do Caixa" over a CashMovementScreen: "tipo" (Sangria
// or Suprimento), "valor", button "confirma"; the keys of the opening.
class CashMovementDialog : public ScreenFormDialog<ecf::CashMovementScreen> {
    Q_OBJECT
  public:
    explicit CashMovementDialog(ecf::CashMovementScreen& screen, QWidget* parent = nullptr);

  private:
    QComboBox* kind_;
};

// "Recupera Reg60M e Reg60A" over a Reg60mRecoveryScreen: "inicio", "fim",
// button "gerar".
class Reg60mRecoveryDialog : public ScreenFormDialog<ecf::Reg60mRecoveryScreen> {
    Q_OBJECT
  public:
    explicit Reg60mRecoveryDialog(ecf::Reg60mRecoveryScreen& screen, QWidget* parent = nullptr);
};

// "Horário de Fechamento" over a ClosingHoursScreen: one time per weekday
// ("dom" .. "sab"), button "ok".
class ClosingHoursDialog : public ScreenFormDialog<ecf::ClosingHoursScreen> {
    Q_OBJECT
  public:
    explicit ClosingHoursDialog(ecf::ClosingHoursScreen& screen, QWidget* parent = nullptr);
};

}  // namespace balcora::gui
