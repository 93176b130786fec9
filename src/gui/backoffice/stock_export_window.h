#pragma once

#include "ui/screen_port.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace balcora::backoffice {
class StockExportScreen;
}

namespace balcora::gui {

// "Atualizar Estoque/Gestão" over a StockExportScreen: the link and export
// settings ("tipo", "servidor", "database", "usuario", "senha", "porta",
// "emp_secundaria", "automatico", "local_estoque"), locked until Ctrl+A, a
// status line ("status") and the buttons "&Atualizar " ("atualizar"),
// "&Gravar" ("gravar"), "NOIP" ("noip", for that connection type only) and
// "&Fechar" ("fechar").
class StockExportWindow : public QDialog {
    Q_OBJECT
  public:
    explicit StockExportWindow(backoffice::StockExportScreen& screen, QWidget* parent = nullptr);

  private:
    void take_fields();
    void show_fields();
    void lock(bool locked);
    void run();
    void save();
    void resolve();

    backoffice::StockExportScreen& screen_;
    QComboBox* tipo_;
    QLineEdit *servidor_, *database_, *usuario_, *senha_, *porta_, *emp_secundaria_,
        *local_estoque_;
    QCheckBox* automatico_;
    QPushButton *gravar_, *noip_;
    QLabel* status_;
};

// ATUALIZAESTOQUEGESTAO with the mode (" ", "1" or "2").
void provide_stock_export_window(ui::ScreenPort& port);

}  // namespace balcora::gui
