#include "db/query_sql.h"
#include "db/settings.h"
#include "forms/customer_form.h"
#include "gui/forms/customer_browse_window.h"
#include "gui/forms/customer_form_dialog.h"
#include "gui/forms/lookup_entry.h"
#include "gui/forms/seller_browse_window.h"
#include "gui/modal_helper.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"
#include "support/test_database.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>

#include <utility>
#include <vector>

namespace balcora::test {

namespace {

void type(QWidget* target, const QString& text) {
    for (QChar c : text) key(target, Qt::Key_unknown, QString(c));
}

void press(QWidget& window, int code) {
    for (QShortcut* s : window.findChildren<QShortcut*>()) {
        if (s->key() == QKeySequence(code)) emit s->activated();
    }
}

}  // namespace

class CustomerScreensGui : public DbTest {
  protected:
    void SetUp() override {
        QUERYSQL(
            "INSERT INTO balcora.municipio (id_municipio, codigo_ibge, nome, estado) VALUES "
            "(3550308, 3550308, 'SAO PAULO', 'SP');"
            "INSERT INTO balcora.cliente (id_cliente, ativo, pesso, razao, nome, cgcpf, "
            "id_municipio, telef) VALUES (1, 1, 2, 'JOAO DA SILVA', 'JOAO', '529.982.247-25', "
            "3550308, '(11) 3333-4444'), (4, 1, 1, 'PADARIA PAO DOURADO LTDA', 'PAO DOURADO', "
            "'04.599.741/8000-19', 3550308, ''), (950000, 1, 2, 'JOSE DO BALCAO', 'ZE', "
            "'111.444.777-35', 3550308, '');"
            "INSERT INTO balcora.vendedor (id_vendedor, ativo, nome, taxa_com, forma_pag) "
            "VALUES (1, 1, 'CARLOS VENDEDOR', 2, 'F'), (2, 0, 'FERNANDA LIMA', 2, 'F');");
    }
};

TEST_F(CustomerScreensGui, TheListFiltersAsTypedAndOpensTheFormByKeyboard) {
    std::vector<std::pair<forms::FormMode, std::int32_t>> opened;
    gui::CustomerBrowseWindow window(nullptr, [&](forms::FormMode mode, std::int32_t id) {
        opened.emplace_back(mode, id);
        return std::optional<std::int32_t>();
    });
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    auto* table = child<QTableWidget>(window, "customers");
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(0, 4)->text(), "SAO PAULO - SP");
    save_screenshot(window, "customer_browse");

    auto* razao = child<QLineEdit>(window, "filtro_nome");
    type(razao, "jo");
    ASSERT_EQ(table->rowCount(), 2);
    key(razao, Qt::Key_Down);
    key(razao, Qt::Key_Return);
    press(window, Qt::Key_Insert);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], std::make_pair(forms::FormMode::kChange, 950000));
    EXPECT_EQ(opened[1].first, forms::FormMode::kInsert);

    gui::SellerBrowseWindow sellers;
    sellers.setAttribute(Qt::WA_DeleteOnClose, false);
    sellers.show();
    EXPECT_EQ(child<QTableWidget>(sellers, "sellers")->rowCount(), 2);
    save_screenshot(sellers, "seller_browse");
}

TEST_F(CustomerScreensGui, TheFormSendsTheOperatorBackToABadCpfAndSavesOnceCorrected) {
    forms::CustomerForm form;
    ASSERT_TRUE(form.open_insert());
    gui::CustomerFormDialog dialog(form);
    dialog.show();
    auto* cgcpf = child<QLineEdit>(dialog, "cgcpf");
    type(cgcpf, "390.533.447-00");
    child<QLineEdit>(dialog, "razao")->setText("ANA D'ARC");
    auto* municipio = child<QLineEdit>(dialog, "id_municipio");
    municipio->setFocus();
    type(municipio, "3550308");
    key(municipio, Qt::Key_Return);
    EXPECT_EQ(child<QLabel>(dialog, "municipio_nome")->text(), "SAO PAULO - SP");
    child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(prompt_.shown().back().text, "CPF inválido!");
    EXPECT_EQ(dialog.focusWidget(), cgcpf);
    EXPECT_TRUE(dialog.isVisible());

    cgcpf->setText("390.533.447-05");
    save_screenshot(dialog, "customer_form");
    child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(QUERYSQL("SELECT razao FROM balcora.cliente WHERE id_cliente=950001;"), "ANA D'ARC");
}

TEST_F(CustomerScreensGui, TheCouponFormsCustomerChoiceAddsACustomerAndTakesIt) {
    on_next_window("customer_lookup", [](QDialog& lookup) {
        on_next_window("customer_form", [](QDialog& form) {
            child<QLineEdit>(form, "cgcpf")->setText("11.222.333/0001-81");
            child<QLineEdit>(form, "razao")->setText("MERCADO NOVO");
            child<QLineEdit>(form, "id_municipio")->setText("3550308");
            child<QPushButton>(form, "ok")->click();
        });
        child<QPushButton>(lookup, "add")->click();
    });
    // The last person type saved was a company: the form starts as one.
    write_ini("Clientes", "Pessoa", "1", "kontora2003.ini");
    EXPECT_EQ(gui::choose_customer(nullptr), std::optional<std::int32_t>(950001));
}

}  // namespace balcora::test
