#pragma once

#include "backoffice/masterdata_screen.h"
#include "backoffice/retaguarda_screen.h"
#include "ui/screen_port.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace balcora::gui {

// "Retaguarda": the link settings and the communication program. The window
// owns its screen (it stays open beside the others).
class RetaguardaWindow : public QDialog {
  public:
    RetaguardaWindow(std::unique_ptr<backoffice::RetaguardaScreen> screen,
                     QWidget* parent = nullptr);

  private:
    void take_fields();
    void show_fields();

    std::unique_ptr<backoffice::RetaguardaScreen> owned_;
    backoffice::RetaguardaScreen& screen_;
    QComboBox* tipo_;
    QLineEdit *servidor_, *database_, *usuario_, *senha_, *porta_;
    QCheckBox* inicia_;
    QPushButton* noip_;
};

// "Atualizar BD Balcora": the master-data update.
class MasterDataWindow : public QDialog {
  public:
    MasterDataWindow(std::unique_ptr<backoffice::MasterDataScreen> screen,
                     QWidget* parent = nullptr);

  private:
    // False (shown, focus on the field) for a date that is not blank and not
    // a day: it must never turn quietly into a full update.
    bool take_fields();
    void show_fields();
    void show_results();
    void update();

    std::unique_ptr<backoffice::MasterDataScreen> owned_;
    backoffice::MasterDataScreen& screen_;
    QTabWidget* tabs_;
    QTableWidget *terminals_, *results_;
    QLabel *status_, *elapsed_;
    QComboBox *tp_preco_, *preco_, *marca_, *modelo_;
    QCheckBox *bloq_, *tp_atual_, *busca_noip_;
    QLineEdit *empresa_, *num_ecf_, *num_subt_, *ip_, *noip_, *db_, *user_, *senha_, *porta_,
        *dt_atual_;
};

// "RETAGUARDA" and "IMPORTACAOMORVELA", opened from the main menu over
// `frame`.
void provide_backoffice_windows(ui::ScreenPort& port, QWidget* frame);

}  // namespace balcora::gui
