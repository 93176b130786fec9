#include "gui/forms/product_query_window.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "gui/forms/grouped_header.h"
#include "gui/forms/lookup_entry.h"
#include "gui/modal_helper.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"
#include "support/test_database.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

#include <functional>

namespace balcora::test {

using gui::ProductQueryWindow;

namespace {

// Types as the operator does, one key event per character.
void type(QWidget* target, const QString& text) {
    for (QChar c : text) {
        const int code = c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : Qt::Key_Space;
        key(target, code, QString(c));
    }
}

QString cell(QTableView* table, int row, int column) {
    return table->model()->index(row, column).data().toString();
}

int current_row(QTableView* table) {
    return table->currentIndex().row();
}

}  // namespace

class ProductQueryWindowTest : public DbTest {
  protected:
    void SetUp() override {
        QUERYSQL(
            "INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, unidade, "
            "preco_venda1, preco_venda2, preco_venda3, cest, cod_ncm, ecf_st, ecf_aliquota, iat, "
            "ippt, qtd_estoque, ativo) VALUES "
            "(1, '42', '7891000100103', 'CAFÉ TORRADO E MOÍDO 500G', 'PCT', 18.9, 17.5, 16, "
            "2803800, 9012100, 'T', 18, 'A', 'T', 120, 1), "
            "(2, '43', '7891000100110', 'CAFETEIRA ELÉTRICA 30 XÍCARAS', 'UN', 189.9, 179.9, 175, "
            "NULL, 85167100, 'T', 18, 'A', 'T', -2, 1), "
            "(3, '44', '7896005800010', 'AÇÚCAR CRISTAL 5KG', 'FD', 22.49, 21.99, 21.5, 1710300, "
            "17019900, 'F', NULL, 'A', 'T', 35.5, 1), "
            "(4, '45', '7896045104482', 'PAPEL HIGIÊNICO FOLHA DUPLA 12UN', 'PCT', 24.9, 23.9, 23, "
            "NULL, 48181000, 'T', 18, 'A', 'T', 60, 1), "
            "(5, '46', '7891910000197', 'CAFÉ SOLÚVEL ANTIGO', 'UN', 9.9, 9.5, 9, NULL, "
            "21011110, 'T', 18, 'A', 'T', 0, 0);");
    }
};

TEST_F(ProductQueryWindowTest, TypingFiltersArrowsMoveAndEnterHandsTheProductBack) {
    ProductQueryWindow window(nullptr, ProductQueryWindow::Mode::kSelect);
    ASSERT_TRUE(window.opened());
    window.show();
    EXPECT_EQ(window.windowTitle(), "Produtos");
    auto* tabs = child<QTabBar>(window, "keys");
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), "Nome");
    EXPECT_EQ(tabs->tabText(1), "Código Barras");
    EXPECT_EQ(tabs->tabText(3), "Referência");
    EXPECT_EQ(tabs->currentIndex(), 1);  // nothing remembered: the bar code
    auto* prices = child<QComboBox>(window, "price_table");
    EXPECT_EQ(prices->itemText(1), "Preço II");
    auto* table = child<QTableView>(window, "products");
    EXPECT_EQ(table->model()->headerData(5, Qt::Horizontal).toString(), "Vl. Unitário");
    auto* header = dynamic_cast<gui::GroupedHeader*>(table->horizontalHeader());
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->group_caption(6), "Sit. Tributária");
    EXPECT_EQ(header->group_caption(7), "Sit. Tributária");
    EXPECT_EQ(header->group_caption(5), "");
    EXPECT_FALSE(child<QPushButton>(window, "itp")->isEnabled());

    tabs->setCurrentIndex(0);
    auto* filter = child<QLineEdit>(window, "filter");
    type(filter, "caf");
    ASSERT_EQ(table->model()->rowCount(), 2);
    EXPECT_EQ(cell(table, 0, 3), "CAFÉ TORRADO E MOÍDO 500G");
    EXPECT_EQ(cell(table, 0, 0), "7891000100103");  // the bar code under "Nome"
    EXPECT_EQ(cell(table, 0, 1), "28.038.00");
    EXPECT_EQ(cell(table, 0, 2), "0901.21.00");
    EXPECT_EQ(cell(table, 0, 5), "18,90");
    EXPECT_EQ(cell(table, 1, 10), "-2,00");
    prices->setCurrentIndex(1);
    EXPECT_EQ(cell(table, 0, 5), "17,50");
    save_screenshot(window, "product_query");

    EXPECT_EQ(current_row(table), 0);
    key(filter, Qt::Key_Down);
    EXPECT_EQ(current_row(table), 1);
    key(filter, Qt::Key_Return);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    ASSERT_TRUE(window.choice());
    EXPECT_EQ(window.choice()->codigo, "43");
    EXPECT_EQ(window.choice()->codigo_barras, "7891000100110");
    // Closing remembered the key, the price table and the filter.
    EXPECT_EQ(read_ini("ConsultaProduto", "Ordem", "", "ConsultaPAFECF.ini"), "1");
    EXPECT_EQ(read_ini("ConsultaProduto", "TabPreco", "", "ConsultaPAFECF.ini"), "2");
    EXPECT_EQ(read_ini("Produto", "filtro_nome", "", "ConsultaPAFECF.ini"), "caf");
}

TEST_F(ProductQueryWindowTest, LettersTypedInTheListFindTheRowAndEscapeLeavesWithoutAChoice) {
    write_ini("ConsultaProduto", "Ordem", "1", "ConsultaPAFECF.ini");
    ProductQueryWindow window(nullptr, ProductQueryWindow::Mode::kSelect);
    window.show();
    auto* table = child<QTableView>(window, "products");
    ASSERT_EQ(table->model()->rowCount(), 4);  // the inactive one is not there
    table->setFocus();
    type(table, "pa");
    EXPECT_EQ(cell(table, current_row(table), 3), "PAPEL HIGIÊNICO FOLHA DUPLA 12UN");
    EXPECT_EQ(child<QLabel>(window, "locator")->text(), "Busca: pa");
    key(table, Qt::Key_Backspace);
    type(table, "c");  // "pc" finds nothing: the row stays, the text stays "p"
    EXPECT_EQ(cell(table, current_row(table), 3), "PAPEL HIGIÊNICO FOLHA DUPLA 12UN");
    EXPECT_EQ(child<QLabel>(window, "locator")->text(), "Busca: p");

    key(table, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_FALSE(window.choice());
}

TEST_F(ProductQueryWindowTest, TheSaleScreensEntryReturnsTheChoiceOrNothing) {
    on_next_window("product_query", [](QDialog& d) {
        auto* filter = child<QLineEdit>(d, "filter");
        EXPECT_EQ(filter->text(), "acucar");  // the coupon form's description
        key(filter, Qt::Key_Return);
    });
    auto choice = gui::CONSULTAPRODUTO(nullptr, std::string("acucar"));
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->id_produto, 3);

    on_next_window("product_query", [](QDialog& d) { child<QPushButton>(d, "close")->click(); });
    EXPECT_FALSE(gui::CONSULTAPRODUTO(nullptr));
}

TEST_F(ProductQueryWindowTest, FromTheMenuTheListCannotHandAProductBack) {
    ProductQueryWindow window(nullptr, ProductQueryWindow::Mode::kBrowse);
    window.show();
    EXPECT_FALSE(child<QPushButton>(window, "select")->isEnabled());
    key(child<QLineEdit>(window, "filter"), Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.choice());
}

TEST_F(ProductQueryWindowTest, CustomerAndSellerChoicesReturnTheChosenKey) {
    QUERYSQL(
        "INSERT INTO balcora.cliente (id_cliente, ativo, razao, nome, cgcpf) VALUES "
        "(7, 1, 'MERCADO BOA VISTA LTDA', 'Boa Vista', '12.345.678/0001-95'), "
        "(8, 1, 'JOSÉ ANTÔNIO', 'Zé', '123.456.789-09');");
    QUERYSQL(
        "INSERT INTO balcora.vendedor (id_vendedor, ativo, nome, taxa_com, forma_pag) VALUES "
        "(3, 1, 'CARLOS', 2, 'F'), (4, 1, 'BEATRIZ', 1.5, 'R');");
    on_next_window("customer_lookup", [](QDialog& d) {
        auto* filter = child<QLineEdit>(d, "filter");
        type(filter, "jose");
        EXPECT_EQ(child<QTableWidget>(d, "lines")->rowCount(), 1);
        key(filter, Qt::Key_Return);
    });
    EXPECT_EQ(gui::choose_customer(nullptr), std::optional<std::int32_t>(8));

    on_next_window("seller_lookup", [](QDialog& d) {
        auto* lines = child<QTableWidget>(d, "lines");
        EXPECT_EQ(lines->rowCount(), 2);
        key(child<QLineEdit>(d, "filter"), Qt::Key_Down);
        key(child<QLineEdit>(d, "filter"), Qt::Key_Return);
    });
    EXPECT_EQ(gui::choose_seller(nullptr), std::optional<std::int32_t>(3));

    on_next_window("seller_lookup", [](QDialog& d) { d.reject(); });
    EXPECT_EQ(gui::choose_seller(nullptr), std::nullopt);
}

}  // namespace balcora::test
