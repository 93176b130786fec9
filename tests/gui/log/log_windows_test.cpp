#include "gui/log/log_windows.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"
#include "log/operation_log.h"
#include "support/test_database.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace balcora::test {

class LogWindowsGui : public DbTest {
  protected:
    void SetUp() override {
        const util::DayNumber day = util::day_number(2026, 12, 7);
        glo::nome_operador = "ana";
        QUERYSQL(
            "INSERT INTO balcora.log (data, nome_cpd, nome_usuario, operacao, tabela, id, "
            "descricao) VALUES "
            "('2026-12-07 08:01','CAIXA01','ana','FUN','abridia','" +
            std::to_string(day) +
            "','Abertura Valor:    100,00'),"
            "('2026-12-07 08:02','CAIXA01','ana','FUN','lx','" +
            std::to_string(day) +
            "','lx ok'),"
            "('2026-12-07 09:30','CAIXA01','ana','FUN','sup/sangria','" +
            std::to_string(day) +
            "','Sangria Valor:     50,00'),"
            "('2026-12-07 11:15','CAIXA01','ana','ALT','cliente','42','JOSÉ D''ÁVILA'),"
            "('2026-12-07 11:20','CAIXA01','ana','INC','cli''ente','43','apóstrofo');");
    }
};

TEST_F(LogWindowsGui, ConsultaLogListsTheNewestRowsAndFiltersWhatIsTyped) {
    log::LogQueryScreen screen;
    screen.open("", "", "", 0);
    gui::LogQueryWindow window(screen);
    window.show();
    QTableWidget* table = window.table();
    ASSERT_EQ(table->rowCount(), 5);
    EXPECT_EQ(table->item(0, 0)->text(), "07/12/2026 11:20");
    EXPECT_EQ(table->horizontalHeaderItem(6)->text(), "Descrição");
    // The columns keep the proportions of their widths.
    EXPECT_GT(table->columnWidth(5), table->columnWidth(1));
    EXPECT_GT(table->columnWidth(1), table->columnWidth(3));
    save_screenshot(window, "log_query_window");

    window.findChild<QLineEdit*>("tabela")->setText("cli'ente");
    window.findChild<QPushButton*>("consultar")->click();
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 6)->text(), "apóstrofo");

    window.findChild<QLineEdit*>("tabela")->clear();
    window.findChild<QLineEdit*>("data")->setText("31/02/2026");
    window.findChild<QPushButton*>("consultar")->click();
    EXPECT_EQ(prompt_.count_containing("Data inválida!"), 1);
    EXPECT_EQ(table->rowCount(), 1);  // the list stays as it was
    EXPECT_TRUE(prompt_.count_containing("Erro SQL") == 0);
}

TEST_F(LogWindowsGui, MenuLogOpensTheFunctionOfTheCurrentCashDayWithTheDateFixed) {
    QUERYSQL(
        "INSERT INTO balcora.maqecf (id_maqecf, num_serie, situacao, data_sit) "
        "VALUES (1, 'BV1', 'A', '2026-12-07');");
    glo::numfab = "BV1";
    gui::LogMenuWindow menu;
    menu.show();
    QStringList texts;
    for (auto* b : menu.findChildren<QPushButton*>()) texts << b->text();
    EXPECT_EQ(texts,
              (QStringList{"&Abertura do Dia", "&Suprimento/Sangria de Caixa", "&Fechamento do Dia",
                           "&Leitura X", "&Horário de Verão", "Ca&ncela Cupom Atual",
                           "C&ancela Comprovante Não-Fiscal", "Fe&char"}));
    save_screenshot(menu, "log_menu_window");

    int rows = -1;
    bool date_fixed = false;
    when_modal("log_query_window", [&](QWidget& w) {
        auto* list = w.findChild<QTableWidget*>("lista");
        rows = list ? list->rowCount() : -1;
        if (list && rows > 0) {
            EXPECT_EQ(list->item(0, 4)->text(), "sup/sangria");
        }
        date_fixed = !w.findChild<QLineEdit*>("data")->isEnabled() &&
                     w.findChild<QLineEdit*>("data")->text() == "07/12/2026";
        save_screenshot(w, "log_query_window_cash_day");
        static_cast<QDialog&>(w).accept();
    });
    menu.findChild<QPushButton*>("sup/sangria")->click();
    EXPECT_EQ(rows, 1);
    EXPECT_TRUE(date_fixed);
}

}  // namespace balcora::test
