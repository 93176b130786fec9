// The stock release list and its form on real widgets: a period released
// from the form becomes due, its change is logged, and a transmitted period
// cannot be deleted.
#include "blocox/stock_release.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "gui/blocox/stock_release_window.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"
#include "support/test_database.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace balcora::test {

class StockReleaseGui : public DbTest {
  protected:
    void SetUp() override {
        glo::id_empresa = 1;
        QUERYSQL(
            "INSERT INTO balcora.estoquex (id_empresa, periodo, sit_blocox, rec_blocox, "
            "data_blocox, hora_blocox, lib_env, vl_tot_aquisicao) VALUES "
            "(1, '2026-10-01', 'A', 'a1b2c3d4-0000-4000-8000-00000000abcd', '2026-11-12', "
            "'09:41:07', 'S', 15320.75), (1, '2026-11-01', NULL, NULL, NULL, NULL, 'N', 0);");
    }
    static QString cell(QTableWidget* t, int row, int col) { return t->item(row, col)->text(); }
};

TEST_F(StockReleaseGui, ReleasingAPeriodMakesItDueAndATransmittedOneStays) {
    // The form is driven shown, not blocking in exec().
    gui::StockReleaseWindow window(nullptr, [](blocox::ReleaseFormMode mode, std::int32_t id) {
        blocox::StockReleaseForm form;
        if (mode == blocox::ReleaseFormMode::kInsert ? !form.open_insert() : !form.open(mode, id))
            return false;
        gui::StockReleaseDialog dialog(form);
        dialog.show();
        EXPECT_EQ(child<QLineEdit>(dialog, "periodo")->text(), "12/2026");
        child<QComboBox>(dialog, "release")->setCurrentIndex(0);
        child<QLineEdit>(dialog, "vl_tot_aquisicao")->setText("1234,56");
        save_screenshot(dialog, "stock_release_form");
        child<QPushButton>(dialog, "ok")->click();
        return dialog.result() == QDialog::Accepted;
    });
    window.show();
    QTableWidget* periods = window.periods();
    ASSERT_EQ(periods->rowCount(), 2);
    EXPECT_EQ(cell(periods, 0, 0), "10/2026");
    EXPECT_EQ(cell(periods, 0, 1), "Sim");
    EXPECT_EQ(cell(periods, 0, 2), "Aceito p/Fisco");
    EXPECT_EQ(cell(periods, 0, 4), "12/11/2026");
    EXPECT_EQ(cell(periods, 0, 5), "09:41");
    EXPECT_EQ(cell(periods, 0, 6), "15.320,75");
    EXPECT_EQ(cell(periods, 1, 1), "Não");
    save_screenshot(window, "stock_release_browse");

    child<QPushButton>(window, "add")->click();
    ASSERT_EQ(periods->rowCount(), 3);
    EXPECT_EQ(QUERYSQL("SELECT sit_blocox||lib_env||vl_tot_aquisicao FROM balcora.estoquex "
                       "WHERE periodo='2026-12-01'"),
              "PS1234.56");
    EXPECT_EQ(QUERYSQL("SELECT operacao||' '||tabela||' '||descricao FROM balcora.log"),
              "INC estoquex Liberado");

    periods->selectRow(0);
    child<QPushButton>(window, "remove")->click();
    EXPECT_EQ(prompt_.count_containing("Período já transmitido ao Fisco não pode ser excluído!"),
              1);
    periods->selectRow(1);
    prompt_.answer(true);
    child<QPushButton>(window, "remove")->click();
    EXPECT_EQ(periods->rowCount(), 2);
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.estoquex WHERE periodo='2026-11-01'"), "0");
    EXPECT_EQ(QUERYSQL("SELECT operacao||' '||descricao FROM balcora.log ORDER BY id_log DESC "
                       "LIMIT 1"),
              "EXC Período 11/2026");
}

}  // namespace balcora::test
