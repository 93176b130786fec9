#pragma once

#include "log/log_query.h"

#include <QDialog>

#include <string_view>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace balcora {

// "Consulta LOG Operações" with the filter preset; a date given stays fixed.
void CONSULTALOG(std::string_view operation, std::string_view table, std::string_view id,
                 util::DayNumber date);
// "Consulta Log": the log of one fiscal function for the current cash day.
void MENULOG();

namespace gui {

class LogQueryWindow : public QDialog {
    Q_OBJECT
  public:
    explicit LogQueryWindow(log::LogQueryScreen& screen, QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }

  private:
    void query();
    void show_rows();

    log::LogQueryScreen& screen_;
    QLineEdit* operacao_;
    QLineEdit* tabela_;
    QLineEdit* id_;
    QLineEdit* data_;
    QTableWidget* table_;
    QLabel* count_;
};

class LogMenuWindow : public QDialog {
    Q_OBJECT
  public:
    explicit LogMenuWindow(QWidget* parent = nullptr);
};

}  // namespace gui
}  // namespace balcora
