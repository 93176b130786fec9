// The pre-sale, print spool and stock export windows over a back office,
// driven from the keyboard, with a picture of each.
#include "backoffice/pre_sale_fixture.h"
#include "gui/backoffice/pre_sale_window.h"
#include "gui/backoffice/print_spool_window.h"
#include "gui/backoffice/stock_export_window.h"
#include "gui/modal_helper.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace balcora::test {

class BackOfficeSaleWindows : public BackOfficeFixture {
  protected:
    void SetUp() override {
        BackOfficeFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        gui::provide_pre_sale_window(screens_, checkout_);
        gui::provide_print_spool_window(screens_);
        gui::provide_stock_export_window(screens_);
        add_product(9101, "9101", "", "10.00");
        bo("INSERT INTO gestao.empresa (id_empresa, id_matriz) VALUES (1, 1), (9001, 1)");
        bo("INSERT INTO kontora.clientes (id_cliente, id_empresa, razao) VALUES (1, 1, "
           "'JOÃO D''ÁVILA')");
        bo("INSERT INTO gestao.formapag (id_formapag, id_empresa, codigo, descr, numparc, arred, "
           "ind_formapag) VALUES (1, 1, 1, 'À VISTA', 1, 0.01, 0)");
        for (int pv : {21, 22})
            bo("INSERT INTO kontora.pedidos (id_pedido, id_empresa, num_pv, numero, data, clien, "
               "total, cod_vendedor, cod_formapag, descv, acrev, situa, mod_docfiscal_vinc) "
               "VALUES (" +
               std::to_string(pv) + ", 1, " + std::to_string(pv) + ", " +
               std::to_string(5000 + pv) + ", '2026-12-07', 1, 20.00, 2, 1, 0, 0, 2, '2D')");
        bo("INSERT INTO kontora.peditens (id_pedido, ordem, produ, qtd, pruni, descv, total, "
           "comis, vl_desconto, status) VALUES (21, 1, 9101, 2, 10.00, 0, 20.00, 0, 0, 0)");
        bo("INSERT INTO kontora.recbtos (id_pedido, forma, valor, docto, bom) VALUES (21, 1, "
           "20.00, '', NULL)");
        bo("INSERT INTO gestao.spoolecf (id_docto, id_empresa, titulo, linha, situacao) VALUES "
           "('ORC-9', 1, 'ORCAMENTO 9', 'ORCAMENTO 9', 'L')");
    }
};

TEST_F(BackOfficeSaleWindows, PreSaleSpoolAndStockExportFromTheKeyboard) {
    bool listed = false;
    when_modal("pre_sale_window", [&](QWidget& w) {
        listed = true;
        auto* list = child<QTableWidget>(w, "pre_vendas");
        ASSERT_EQ(list->rowCount(), 2);
        EXPECT_EQ(list->item(0, 4)->text(), "JOÃO D'ÁVILA");
        EXPECT_EQ(list->item(0, 0)->text(), "000021");
        save_screenshot(w, "pre_sale_window");
        // Enter on the first row issues its coupon, after the question.
        prompt_.answer(true);
        key(list, Qt::Key_Return);
        EXPECT_TRUE(wait_until([&] { return list->rowCount() == 1; }));
        key(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(screens_.run("CONSULTAPV"), 1);
    EXPECT_TRUE(listed);
    EXPECT_EQ(bo_value("SELECT situa FROM kontora.pedidos WHERE id_pedido=21"), "3");

    bool spooled = false;
    when_modal("print_spool_window", [&](QWidget& w) {
        spooled = true;
        EXPECT_EQ(child<QLabel>(w, "status")->text(), "Aguardando...");
        save_screenshot(w, "print_spool_window");
        key(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(screens_.run("SPOOLECF"), 1);
    EXPECT_TRUE(spooled);

    bool exported = false;
    when_modal("stock_export_window", [&](QWidget& w) {
        exported = true;
        auto* servidor = child<QLineEdit>(w, "servidor");
        EXPECT_FALSE(servidor->isEnabled());
        key(&w, Qt::Key_A, "a", Qt::ControlModifier);
        EXPECT_TRUE(wait_until([&] { return servidor->isEnabled(); }));
        EXPECT_EQ(servidor->text(), "127.0.0.1");
        save_screenshot(w, "stock_export_window");
        child<QPushButton>(w, "atualizar")->click();
        EXPECT_EQ(prompt_.count_containing("Estoque atualizado com sucesso!"), 1)
            << testing::PrintToString(messages());
        key(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(screens_.run("ATUALIZAESTOQUEGESTAO", {" "}), 1);
    EXPECT_TRUE(exported);
    EXPECT_EQ(bo_value("SELECT qtdade FROM gestao.estmovto WHERE id_produto=9101"), "2.000");
}

}  // namespace balcora::test
