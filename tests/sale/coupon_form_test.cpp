#include "db/record_hash.h"
#include "db/settings.h"
#include "ecf/printer.h"
#include "sale/sale_fixture.h"
#include "sale/sale_session.h"
#include "support/amounts.h"
#include "util/documents.h"
#include "util/ean.h"

namespace balcora::test {

using sale::Registration;

namespace {

std::string with_dv(const std::string& digits) {
    return digits + std::to_string(CALC_DV(digits));
}

const std::string kCoffee = with_dv("789100031550");  // 18.90, commission 1.50
const std::string kRice = with_dv("789600044700");    // 27.49

std::string cpf(const std::string& nine) {
    return util::format_cpf(nine + util::cpf_check_digits(nine).value_or("00"));
}

}  // namespace

class CouponForm : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(session_.load_point_of_sale());
    }
    void add_customer(int id, int pesso, const std::string& document) {
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cliente (id_cliente, ativo, pesso, cgcpf, nome) "
                           "VALUES (" +
                           std::to_string(id) + ", 1, " + std::to_string(pesso) + ", " +
                           TXTSQL(document) + ", 'CLIENTE " + std::to_string(id) + "');"),
                  "1");
    }
    sale::FormItemEntry entry(const std::string& code, std::int64_t quantity_thousandths = 1000) {
        sale::FormItemEntry e;
        e.code = code;
        e.quantity = thousandths(quantity_thousandths);
        return e;
    }
    std::string item(const std::string& columns, int num_item = 1) {
        return value("SELECT " + columns +
                     " FROM balcora.cfiscald WHERE num_item=" + std::to_string(num_item));
    }

    sale::SaleSession session_{checkout_, sale::SaleScreen::kCouponForm};
};

TEST_F(CouponForm, TheEntryLineIsFilledFromTheLookupAtThePriceTablesPrice) {
    ASSERT_TRUE(write_ini("ConsultaProduto", "TabPreco", "2", "ConsultaPAFECF.ini"));
    ASSERT_EQ(QUERYSQL("UPDATE balcora.produto SET preco_venda2=17.4567 WHERE id_produto=1;"), "1");
    ASSERT_TRUE(session_.load_point_of_sale());

    auto line = session_.look_up_form_item(kCoffee);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->product.id_produto, 1);
    EXPECT_EQ(line->table_price, thousandths(17457));
    EXPECT_EQ(line->quantity, thousandths(1000));
    EXPECT_EQ(session_.look_up_form_item(with_dv("789409410099"))->quantity, thousandths(6000));

    EXPECT_FALSE(session_.look_up_form_item("nada"));
    EXPECT_EQ(messages(), std::vector<std::string>{"Código do produto inexistente!"});

    ASSERT_EQ(session_.confirm_form_item(entry(kCoffee, 2000)), Registration::kRegistered);
    EXPECT_EQ(item("preco || ' ' || total"), "17.457 34.91");  // 34.914
}

TEST_F(CouponForm, APriceTypedBelowTheTableIsSoldAsADiscount) {
    EXPECT_FALSE(sale::unit_price_can_be_typed());
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Preco_Unitario", "1"));
    EXPECT_TRUE(sale::unit_price_can_be_typed());
    auto e = entry(kCoffee, 2000);
    e.typed_price = thousandths(17500);
    ASSERT_EQ(session_.confirm_form_item(e), Registration::kRegistered);
    EXPECT_EQ(item("preco || ' ' || total || ' ' || vl_desconto || ' ' || vl_base"),
              "18.900 37.80 2.80 35.00");
    EXPECT_EQ(session_.totals().total, cents(3500));
    EXPECT_NE(paper().find("desconto sobre item"), std::string::npos) << paper();
    for (auto [id, ok] : db::verify_hashes("cfiscald")) EXPECT_TRUE(ok) << id;
}

TEST_F(CouponForm, DiscountsByPercentageAndValue) {
    auto e = entry(kRice, 3000);  // 82.47
    e.discount_percent = cents(1000);
    ASSERT_EQ(session_.confirm_form_item(e), Registration::kRegistered);
    EXPECT_EQ(item("vl_desconto"), "8.24");  // 8.247

    e = entry(kRice);
    e.discount_value = cents(500);
    ASSERT_EQ(session_.confirm_form_item(e), Registration::kRegistered);
    EXPECT_EQ(item("vl_desconto || ' ' || vl_base", 2), "5.00 22.49");
    EXPECT_EQ(session_.totals().total, cents(7423 + 2249));
    EXPECT_EQ(value("SELECT total FROM balcora.cfiscal"), "96.72");
}

TEST_F(CouponForm, RefusalsInTheFormsOrderWriteNothing) {
    add_product(60, "INATIVO", "", "5.00");
    add_product(61, "INATIVO SEM UN", "", "5.00");
    ASSERT_EQ(QUERYSQL("UPDATE balcora.produto SET ativo=0 WHERE id_produto IN (60, 61);"
                       " UPDATE balcora.produto SET unidade=NULL WHERE id_produto=61;"),
              "1");
    auto above = entry(kCoffee);
    above.typed_price = thousandths(19000);
    auto zero_price = entry(kCoffee);
    zero_price.typed_price = thousandths(0);
    auto too_much = entry(kCoffee);
    too_much.discount_value = cents(1891);
    auto all_of_it = entry(kCoffee);
    all_of_it.discount_value = cents(1890);

    const std::vector<std::pair<sale::FormItemEntry, std::string>> cases = {
        {entry(""), "Produto inválido!"},
        {entry("INATIVO SEM UN"), "Produto sem unidade cadastrada!"},
        {entry("INATIVO"), "Produto inativo!"},
        {entry(kCoffee, 0), "Quantidade inválida!"},
        {entry(kCoffee, -1000), "Quantidade inválida!"},
        {above, "Preço unitário inválido!|Preço Pauta: 18,90"},
        {zero_price, "Preço unitário inválido!|Preço Pauta: 18,90"},
        {too_much, "Desconto inválido!"},
        {all_of_it, "Desconto inválido!"},
    };
    for (const auto& [e, message] : cases) {
        prompt_.clear();
        EXPECT_EQ(session_.confirm_form_item(e), Registration::kRefused) << message;
        EXPECT_EQ(messages(), std::vector<std::string>{message});
    }
    EXPECT_EQ(count("balcora.cfiscal"), 0);
    EXPECT_EQ(count("balcora.cfiscald"), 0);
}

TEST_F(CouponForm, TheCustomersDocumentIsCheckedAndSentToThePrinter) {
    add_customer(10, 2, cpf("123456789"));
    add_customer(11, 2, "111.222.333-44");
    add_customer(12, 1, "11.222.333/0001-00");

    sale::CouponHeader h;
    h.id_cliente = 11;
    ASSERT_TRUE(session_.set_header(h));
    EXPECT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRefused);
    ASSERT_FALSE(prompt_.shown().empty());
    EXPECT_EQ(prompt_.shown().back().title, "Erro");
    EXPECT_EQ(prompt_.shown().back().text, "Cliente com CPF inválido!");

    h.id_cliente = 12;
    ASSERT_TRUE(session_.set_header(h));
    prompt_.clear();
    EXPECT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRefused);
    EXPECT_EQ(messages(), std::vector<std::string>{"Cliente com CNPJ inválido!"});
    EXPECT_EQ(count("balcora.cfiscal"), 0);

    h.id_cliente = 10;
    ASSERT_TRUE(session_.set_header(h));
    ASSERT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRegistered);
    EXPECT_EQ(value("SELECT id_cliente FROM balcora.cfiscal"), "10");
    EXPECT_NE(paper().find("CPF/CNPJ consumidor: " + cpf("123456789")), std::string::npos)
        << paper();
}

TEST_F(CouponForm, TheSellersOriginDecidesEachItemsCommission) {
    ASSERT_EQ(QUERYSQL("UPDATE balcora.vendedor SET origem_com=1, taxa_com=2.00 WHERE "
                       "id_vendedor=1; UPDATE balcora.vendedor SET origem_com=2 WHERE "
                       "id_vendedor=2; UPDATE balcora.vendedor SET origem_com=3 WHERE "
                       "id_vendedor=3; UPDATE balcora.produto SET taxa_comissao=3.00 WHERE "
                       "id_produto=2;"),
              "1");
    struct Case {
        int seller;
        std::string coffee, rice, coupon;
    };
    // Coffee 18.90, rice 27.49: by product (1.50 and 3.00) the coupon's rate
    // is (0.2835 + 0.8247) / 46.39 = 2.389 %.
    for (const Case& c : {Case{1, "2.00", "2.00", "2.00"}, Case{2, "1.50", "3.00", "2.39"},
                          Case{3, "0.00", "0.00", "0.00"}, Case{0, "0.00", "0.00", "0.00"}}) {
        glo::cf_aberto = 0;
        sale::CouponHeader h;
        h.id_vendedor = c.seller;
        h.forma_pag_com = "F";
        ASSERT_TRUE(session_.set_header(h));
        ASSERT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRegistered);
        ASSERT_EQ(session_.confirm_form_item(entry(kRice)), Registration::kRegistered);
        const std::string id = std::to_string(session_.coupon_id());
        EXPECT_EQ(value("SELECT string_agg(comissao::text, ' ' ORDER BY num_item) FROM "
                        "balcora.cfiscald WHERE id_cfiscal=" +
                        id),
                  c.coffee + " " + c.rice)
            << c.seller;
        EXPECT_EQ(value("SELECT comissao FROM balcora.cfiscal WHERE id_cfiscal=" + id), c.coupon)
            << c.seller;
        EXPECT_EQ(value("SELECT coalesce(id_vendedor::text, 'NULL') || forma_pag_com FROM "
                        "balcora.cfiscal WHERE id_cfiscal=" +
                        id),
                  (c.seller ? std::to_string(c.seller) : "NULL") + "F");
        // Leave the printer free for the next coupon.
        ASSERT_TRUE(ecf::send(ecf::CMD_CANCEL_COUPON));
    }
}

TEST_F(CouponForm, ASellerChosenWhileTheCouponIsOpenCommandsTheFollowingItems) {
    ASSERT_EQ(QUERYSQL("UPDATE balcora.vendedor SET origem_com=1, taxa_com=4.00 WHERE "
                       "id_vendedor=2;"),
              "1");
    ASSERT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRegistered);
    sale::CouponHeader h;
    h.id_vendedor = 2;
    h.forma_pag_com = "R";
    ASSERT_TRUE(session_.set_header(h));
    EXPECT_EQ(value("SELECT id_vendedor || forma_pag_com FROM balcora.cfiscal"), "2R");
    ASSERT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRegistered);
    EXPECT_EQ(value("SELECT string_agg(comissao::text, ' ' ORDER BY num_item) FROM "
                    "balcora.cfiscald"),
              "0.00 4.00");
    EXPECT_EQ(value("SELECT comissao FROM balcora.cfiscal"), "2.00");
    for (auto [id, ok] : db::verify_hashes("cfiscal")) EXPECT_TRUE(ok) << id;
}

TEST_F(CouponForm, CancellingTheSelectedRow) {
    ASSERT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRegistered);
    EXPECT_FALSE(session_.cancel_selected_item(std::nullopt));
    EXPECT_EQ(messages(), std::vector<std::string>{"Selecione o item a ser cancelado!"});

    prompt_.clear();
    prompt_.answer(true);
    ASSERT_TRUE(session_.cancel_selected_item(1));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "CONFIRME?");
    EXPECT_EQ(item("item_cancelado"), "1");

    prompt_.clear();
    EXPECT_FALSE(session_.cancel_selected_item(1));
    EXPECT_EQ(messages(), std::vector<std::string>{"Item já foi cancelado!"});
}

TEST_F(CouponForm, AnInvoiceRegistrationNeedsItsFieldsAndAnIssueDateNotAfterTheCoupon) {
    sale::CouponHeader h;
    h.invoice_registration = true;
    h.numero_nf = 120;
    h.serie_nf = "1";
    h.dt_emissao_nf = util::day_number(2026, 12, 8);
    for (int broken = 0; broken < 4; ++broken) {
        sale::CouponHeader b = h;
        if (broken == 1) b.numero_nf = 0;
        if (broken == 2) b.serie_nf = " ";
        if (broken == 3) b.dt_emissao_nf = 0;
        ASSERT_TRUE(session_.set_header(b));
        prompt_.clear();
        EXPECT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRefused);
        EXPECT_EQ(messages(), std::vector<std::string>{"Data de Emissão da Nota Fiscal Inválida!"});
    }
    h.dt_emissao_nf = util::day_number(2026, 12, 7);
    ASSERT_TRUE(session_.set_header(h));
    ASSERT_EQ(session_.confirm_form_item(entry(kCoffee)), Registration::kRegistered);
    EXPECT_EQ(value("SELECT numero_nf || '/' || serie_nf || '/' || dt_emissao_nf FROM "
                    "balcora.cfiscal"),
              "120/1/2026-12-07");
}

}  // namespace balcora::test
