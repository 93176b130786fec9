#include "gui/reports/sales_report_window.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "gui/reports/report_pages.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"
#include "platform/process.h"
#include "support/test_database.h"

#include <QComboBox>
#include <QLineEdit>

#include <filesystem>

namespace balcora::test {

namespace fs = std::filesystem;

class SalesReportGui : public DbTest {
  protected:
    SalesReportGui() {
        glo::id_empresa = 1;
        QUERYSQL(
            "INSERT INTO balcora.empresa (id_empresa, razao_social, ativa) VALUES (1, 'Mercado "
            "São João', 1);"
            "INSERT INTO balcora.produto (id_produto, codigo, descricao, unidade) VALUES "
            "(7, '7', 'Arroz 5kg', 'PC');");
        const char* days[] = {"2026-11-02", "2026-11-02", "2026-11-09", "2026-11-17"};
        for (int i = 0; i < 4; ++i) {
            const std::string id = std::to_string(i + 1);
            QUERYSQL(
                "INSERT INTO balcora.cfiscal (id_cfiscal, numero, data, total, vl_desconto, "
                "vl_acrescimo, situacao) VALUES (" +
                id + ", " + id + ", '" + days[i] + "', " + id +
                "0.00, 0, 0, 'E');"
                "INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, "
                "preco, total, vl_desconto, vl_acrescimo, item_cancelado) VALUES (" +
                id + ", 1, 7, 1, " + id + "0.00, " + id +
                "0.00, 0, 0, 0);"
                "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, vl_troco) "
                "VALUES (" +
                id + ", 1, '" + (i % 2 ? "CA" : "DI") + "', " + id + "0.00, 0);");
        }
    }
    std::string pdf_ = (root_.path() / "vendas.pdf").string();
};

// The window runs from the keyboard, and its report comes out as pages whose
// text and charts a reader can see.
TEST_F(SalesReportGui, PrintsThePeriodFromTheKeyboardToAPdfWithCharts) {
    gui::SalesReportWindow window(
        [&](const reports::SalesReport& report) {
            return gui::write_sales_report_pdf(report, QString::fromStdString(pdf_));
        },
        nullptr);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Relatório de Movimento");
    auto* model = window.findChild<QComboBox*>("modelo");
    auto* first = window.findChild<QLineEdit*>("periodo_de");
    auto* last = window.findChild<QLineEdit*>("ate");
    ASSERT_TRUE(model && first && last);
    EXPECT_EQ(model->count(), 4);
    first->setText("01/11/2026");
    last->setText("30/11/2026");
    save_screenshot(window, "sales_report_window");

    key(last, Qt::Key_Return);  // Enter in the last field prints
    ASSERT_TRUE(fs::exists(pdf_));
    auto text = platform::run_program({"pdftotext", "-layout", pdf_, "-"});
    ASSERT_EQ(text.exit_code, 0) << text.output;
    for (const char* expected :
         {"VENDAS RESUMIDO", "Mercado São João", "Periodo de: 01/11/2026 até 30/11/2026",
          "Total => 100,00", "DINHEIRO", "CARTÃO", "Vendas por dia", "Formas de pagamento"})
        EXPECT_NE(text.output.find(expected), std::string::npos) << expected << "\n" << text.output;

    const std::string page = std::string(BALCORA_SCREENSHOT_DIR) + "/sales_report_page";
    fs::create_directories(BALCORA_SCREENSHOT_DIR);
    EXPECT_EQ(platform::run_program(
                  {"pdftoppm", "-png", "-r", "60", "-f", "1", "-l", "1", "-singlefile", pdf_, page})
                  .exit_code,
              0);
    EXPECT_TRUE(fs::exists(page + ".png"));

    // A reversed period is refused with the focus on the final date.
    first->setText("01/12/2026");
    fs::remove(pdf_);
    key(last, Qt::Key_Return);
    EXPECT_FALSE(fs::exists(pdf_));
    EXPECT_EQ(window.focusWidget(), last);
}

}  // namespace balcora::test
