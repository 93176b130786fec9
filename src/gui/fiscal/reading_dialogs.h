#pragma once

#include "fiscal/cotepe_window.h"
#include "fiscal/lmf_window.h"
#include "fiscal/mfd_mirror_window.h"
#include "gui/fiscal/period_dialog.h"

#include <vector>

class QComboBox;

namespace balcora::gui {

// "Leitura da Memória Fiscal - LMF": the reading ("complete"/"simplified"),
// the output ("print"/"mirror") and the period. S generates, N closes.
class LmfDialog : public PeriodDialog {
    Q_OBJECT
  public:
    LmfDialog(fiscal::LmfWindow& window, QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<QRadioButton*> reading_;
    std::vector<QRadioButton*> output_;
};

// "Arquivo MF - Ato COTEPE 17/04": the file type ("type") and the period.
class CotepeDialog : public PeriodDialog {
    Q_OBJECT
  public:
    CotepeDialog(fiscal::CotepeWindow& window, QWidget* parent = nullptr);

  private:
    QComboBox* type_;
};

// "Gera Arquivo Espelhos da MFD": the period by dates or COOs.
class MfdMirrorDialog : public PeriodDialog {
    Q_OBJECT
  public:
    MfdMirrorDialog(fiscal::MfdMirrorWindow& window, QWidget* parent = nullptr);
};

}  // namespace balcora::gui
