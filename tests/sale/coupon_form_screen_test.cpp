#include "db/literals.h"
#include "db/record_hash.h"
#include "platform/ini_file.h"
#include "sale/coupon_form.h"
#include "sale/sale_screen_fixture.h"
#include "util/fixed_point_text.h"

namespace balcora::test {

using sale::CouponFormMode;
using sale::CouponFormScreen;
using sale::Registration;

namespace {

const std::string kCoffee = barcode("789100031550");  // 18,90
const std::string kRice = barcode("789600044700");    // 27,49

}  // namespace

class CouponFormScreenTest : public SaleScreenFixture {
  protected:
    void open(bool invoice = false) {
        ASSERT_TRUE(form_.open({CouponFormMode::kInsert, 0, invoice}));
        prompt_.clear();
    }
    void type_code(const std::string& code) {
        form_.entry.code = code;
        ASSERT_TRUE(form_.code_entered()) << testing::PrintToString(messages());
    }

    std::optional<std::int32_t> customer_choice_, seller_choice_;
    int customer_windows_ = 0, seller_windows_ = 0;
    std::vector<std::optional<std::string>> queries_;
    CouponFormScreen form_{
        checkout_,
        {.choose_customer =
             [this] {
                 ++customer_windows_;
                 return customer_choice_;
             },
         .choose_seller =
             [this] {
                 ++seller_windows_;
                 return seller_choice_;
             },
         .product_query =
             [this](std::optional<std::string> d) -> std::optional<forms::ProductChoice> {
             queries_.push_back(d);
             forms::ProductChoice c;
             c.codigo_barras = kRice;
             return c;
         }}};
};

TEST_F(CouponFormScreenTest, ACustomerCodeFillsTheCustomerOrOpensTheBrowse) {
    open();
    EXPECT_EQ(form_.header.data, "07/12/2026");
    form_.header.customer_code = "2";
    EXPECT_TRUE(form_.customer_code_entered());
    EXPECT_EQ(form_.header.customer_name, "MARIA APARECIDA SANTOS");
    EXPECT_FALSE(form_.header.cgcpf.empty());
    EXPECT_EQ(form_.header.address, "RUA DAS PALMEIRAS, 45");
    EXPECT_EQ(form_.header.municipality, "SAO PAULO");
    EXPECT_EQ(form_.header.uf, "SP");
    EXPECT_EQ(customer_windows_, 0);

    customer_choice_ = 4;
    form_.header.customer_code = "999";
    EXPECT_TRUE(form_.customer_code_entered());
    EXPECT_EQ(customer_windows_, 1);
    EXPECT_EQ(form_.header.customer_code, "4");
    EXPECT_EQ(form_.header.customer_name, "PADARIA PAO DOURADO LTDA");

    customer_choice_.reset();
    form_.header.customer_code = "abc";
    EXPECT_FALSE(form_.customer_code_entered());
    EXPECT_TRUE(form_.header.customer_code.empty());
    EXPECT_TRUE(form_.header.customer_name.empty());
    EXPECT_EQ(form_.session().header().id_cliente, 0);
}

TEST_F(CouponFormScreenTest, TheSellerBringsItsCommissionAndItsFormIsChecked) {
    open();
    seller_choice_ = 3;
    form_.header.seller_code = "77";
    EXPECT_TRUE(form_.seller_code_entered());
    EXPECT_EQ(seller_windows_, 1);
    EXPECT_EQ(form_.header.seller_code, "3");
    EXPECT_EQ(form_.header.seller_name, "RAFAEL COSTA");
    EXPECT_EQ(form_.header.commission_rate, "2,00");
    EXPECT_EQ(form_.header.commission_form, "F");
    EXPECT_EQ(form_.session().header().id_vendedor, 3);
    EXPECT_EQ(form_.session().header().forma_pag_com, "F");

    form_.header.commission_form = "x";
    EXPECT_FALSE(form_.commission_form_entered());
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "ATENÇÃO");
    EXPECT_EQ(prompt_.shown()[0].text,
              "Forma de pagto da comissão não pode ser diferente de:|F - Faturamento ou |R - "
              "Recebimento ou |M - 50% no Recebimento e 50% no Faturamento");
    EXPECT_EQ(form_.session().header().forma_pag_com, "F");
    form_.header.commission_form = "m";
    EXPECT_TRUE(form_.commission_form_entered());
    EXPECT_EQ(form_.header.commission_form, "M");
    EXPECT_EQ(form_.session().header().forma_pag_com, "M");
}

TEST_F(CouponFormScreenTest, TheEntryLineRecomputesFromEachField) {
    open();
    EXPECT_FALSE(form_.unit_price_editable());
    type_code(kCoffee);
    EXPECT_EQ(form_.entry.description, "CAFE TORRADO E MOIDO 500G");
    EXPECT_EQ(form_.entry.unit, "UN");
    EXPECT_EQ(form_.entry.quantity, "1,000");
    EXPECT_EQ(form_.entry.unit_price, "18,90");
    EXPECT_EQ(form_.entry.total, "18,90");

    form_.entry.quantity = "3";
    form_.quantity_entered();
    EXPECT_EQ(form_.entry.total, "56,70");
    form_.entry.discount_percent = "10";
    form_.discount_entered();
    EXPECT_TRUE(form_.discount_value_locked());
    EXPECT_EQ(form_.entry.discount_value, "5,67");
    EXPECT_EQ(form_.entry.total, "51,03");

    form_.entry.discount_percent.clear();
    form_.entry.discount_value = "60";
    form_.discount_entered();
    EXPECT_EQ(messages(), std::vector<std::string>{"Desconto inválido!"});
    EXPECT_EQ(form_.entry.discount_value, "0,00");
    EXPECT_EQ(form_.entry.total, "56,70");

    // A total typed gives the quantity at the unit price, truncated.
    form_.entry.total = "40";
    form_.total_entered();
    EXPECT_EQ(form_.entry.quantity, "2,116");

    form_.entry.description = "arroz";
    EXPECT_TRUE(form_.description_entered());
    EXPECT_EQ(queries_, std::vector<std::optional<std::string>>{std::string("arroz")});
    EXPECT_EQ(form_.entry.code, kRice);
    EXPECT_EQ(form_.entry.description, "ARROZ TIPO 1 5KG");
}

TEST_F(CouponFormScreenTest, AUnitPriceIsTypedOnlyWhenTheSettingAllowsIt) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Preco_Unitario", "1"));
    open();
    EXPECT_TRUE(form_.unit_price_editable());
    type_code(kCoffee);
    form_.entry.unit_price = "17,90";
    form_.unit_price_entered();
    EXPECT_FALSE(form_.discount_enabled());
    EXPECT_EQ(form_.entry.total, "17,90");
    EXPECT_EQ(form_.confirm_item(), Registration::kRegistered);
    ASSERT_EQ(form_.items().size(), 1u);
    EXPECT_EQ(util::to_br(form_.items()[0].vl_desconto), "1,00");
    EXPECT_EQ(util::to_br(form_.total()), "17,90");
    EXPECT_FALSE(form_.header.coo.empty());
    EXPECT_FALSE(form_.header.hora.empty());
    EXPECT_TRUE(form_.entry.code.empty());
}

TEST_F(CouponFormScreenTest, ConfirmItemAutomaticallyIsKeptInTheSettingsFileAndSellsOnTheCode) {
    open();
    EXPECT_FALSE(form_.confirm_auto());
    form_.set_confirm_auto(true);
    EXPECT_EQ(platform::ini_read(data_root().map(CouponFormScreen::kSettingsFile), "BALCORA",
                                 "Confirma Auto"),
              "1");
    CouponFormScreen again{checkout_};
    ASSERT_TRUE(again.open({}));
    EXPECT_TRUE(again.confirm_auto());

    type_code(kCoffee);
    EXPECT_EQ(form_.items().size(), 1u);
    EXPECT_TRUE(form_.entry.code.empty());
    EXPECT_EQ(times_sent(ecf::CMD_SELL_ITEM), 1);
}

TEST_F(CouponFormScreenTest, InvoiceRegistrationPresetsFromTheCompanysInvoices) {
    for (const char* row :
         {"(1, 10, '1', '2026-11-02')", "(1, 12, '2', '2026-11-30')", "(2, 90, '9', '2026-12-01')"})
        ASSERT_EQ(QUERYSQL(std::string("INSERT INTO balcora.nf (id_empresa, numero, serie, "
                                       "dt_emissao) VALUES ") +
                           row + ";"),
                  "1");
    open(true);
    EXPECT_EQ(form_.header.numero_nf, "13");
    EXPECT_EQ(form_.header.serie_nf, "2");
    EXPECT_EQ(form_.header.dt_emissao_nf, "07/12/2026");

    form_.header.dt_emissao_nf = "08/12/2026";
    form_.entry.code = kCoffee;
    form_.entry.quantity = "1";
    EXPECT_EQ(form_.confirm_item(), Registration::kRefused);
    EXPECT_EQ(messages(), std::vector<std::string>{"Data de Emissão da Nota Fiscal Inválida!"});
    EXPECT_EQ(count("balcora.cfiscal"), 0);

    form_.header.dt_emissao_nf = "07/12/2026";
    EXPECT_EQ(form_.confirm_item(), Registration::kRegistered);
    EXPECT_EQ(value("SELECT numero_nf || '/' || serie_nf || '/' || dt_emissao_nf FROM "
                    "balcora.cfiscal"),
              "13/2/2026-12-07");
}

TEST_F(CouponFormScreenTest, FinalizingWritesTheInvoiceFieldsBackBlanksAsNull) {
    open();
    type_code(kCoffee);
    ASSERT_EQ(form_.confirm_item(), Registration::kRegistered);
    int calls = 0;
    screens_.provide("FINALIZACUPOM", [&calls](const ui::ScreenPort::Arguments& args) {
        EXPECT_EQ(args, ui::ScreenPort::Arguments{""});
        ++calls;
        return 1;
    });
    form_.header.numero_nf = "55";
    form_.header.serie_nf = "";
    form_.header.dt_emissao_nf = "  /  /    ";
    EXPECT_TRUE(form_.finalize());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(value("SELECT numero_nf::text || '|' || (serie_nf IS NULL)::text || '|' || "
                    "(dt_emissao_nf IS NULL)::text FROM balcora.cfiscal"),
              "55|true|true");
    for (auto [id, ok] : db::verify_hashes("cfiscal")) EXPECT_TRUE(ok) << id;

    // A payment that registered nothing leaves the row alone.
    screens_.provide("FINALIZACUPOM", [](const ui::ScreenPort::Arguments&) { return 0; });
    form_.header.numero_nf = "56";
    EXPECT_FALSE(form_.finalize());
    EXPECT_EQ(value("SELECT numero_nf FROM balcora.cfiscal"), "55");
}

TEST_F(CouponFormScreenTest, ConsultingShowsAStoredCouponAndChangesNothing) {
    // A natural person is pesso 2, identified by a CPF.
    ASSERT_EQ(QUERYSQL("UPDATE balcora.cliente SET pesso=2 WHERE id_cliente=1;"), "1");
    open();
    form_.header.customer_code = "1";
    ASSERT_TRUE(form_.customer_code_entered());
    type_code(kCoffee);
    ASSERT_EQ(form_.confirm_item(), Registration::kRegistered);
    type_code(kRice);
    ASSERT_EQ(form_.confirm_item(), Registration::kRegistered);
    const std::int64_t id = form_.session().coupon_id();

    CouponFormScreen view{checkout_};
    ASSERT_TRUE(view.open({CouponFormMode::kView, id, false}));
    EXPECT_TRUE(view.read_only());
    EXPECT_EQ(view.header.customer_name, "JOAO DA SILVA");
    EXPECT_EQ(view.header.coo, form_.header.coo);
    EXPECT_EQ(view.items().size(), 2u);
    EXPECT_EQ(util::to_br(view.total()), "46,39");
    sent().clear();
    view.entry.code = kCoffee;
    EXPECT_FALSE(view.code_entered());
    EXPECT_EQ(view.confirm_item(), Registration::kRefused);
    EXPECT_FALSE(view.cancel_item(1));
    EXPECT_FALSE(view.unit_price_editable());
    EXPECT_TRUE(view.may_close());
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(count("balcora.cfiscald"), 2);

    CouponFormScreen missing{checkout_};
    EXPECT_FALSE(missing.open({CouponFormMode::kView, id + 100, false}));
    EXPECT_EQ(messages().back(), "Cupom fiscal não encontrado!");
}

TEST_F(CouponFormScreenTest, ClosingWithACouponOpenAsksFirst) {
    open();
    EXPECT_TRUE(form_.may_close());
    type_code(kCoffee);
    ASSERT_EQ(form_.confirm_item(), Registration::kRegistered);
    EXPECT_FALSE(form_.may_close());
    prompt_.answer(true);
    EXPECT_TRUE(form_.may_close());
}

}  // namespace balcora::test
