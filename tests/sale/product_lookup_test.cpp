#include "sale/product_lookup.h"

#include "db/settings.h"
#include "sale/sale_fixture.h"
#include "support/amounts.h"
#include "util/ean.h"

namespace balcora::test {

using sale::LookupOrder;
using Outcome = sale::LookupResult::Outcome;

namespace {

std::string with_dv(const std::string& digits) {
    return digits + std::to_string(CALC_DV(digits));
}

// "2" + product + filler + value, and the label's own check digit.
std::string label(const std::string& product, const std::string& value) {
    return with_dv("2" + product + std::string(11 - product.size() - value.size(), '0') + value);
}

}  // namespace

TEST(QuantityPrefix, StarOrXSeparatesTheQuantityFromTheCode) {
    auto e = sale::split_quantity_prefix("3*7891000315507");
    EXPECT_TRUE(e.has_prefix);
    EXPECT_EQ(e.code, "7891000315507");
    EXPECT_EQ(e.quantity, thousandths(3000));

    EXPECT_EQ(sale::split_quantity_prefix(" 1,5 * 789 ").quantity, thousandths(1500));
    EXPECT_EQ(sale::split_quantity_prefix(" 1,5 * 789 ").code, "789");
    EXPECT_EQ(sale::split_quantity_prefix("0.333X789").quantity, thousandths(333));
    EXPECT_EQ(sale::split_quantity_prefix("2x789").code, "789");
    // A star wins over an x found earlier.
    EXPECT_EQ(sale::split_quantity_prefix("2x7*89").code, "89");

    e = sale::split_quantity_prefix("7891000315507");
    EXPECT_FALSE(e.has_prefix);
    EXPECT_EQ(e.code, "7891000315507");
}

TEST(QuantityPrefix, AnXAfterSomethingThatIsNoNumberBelongsToTheCode) {
    auto e = sale::split_quantity_prefix("AX100");
    EXPECT_FALSE(e.has_prefix);
    EXPECT_EQ(e.code, "AX100");
}

TEST(QuantityPrefix, UnreadableOrAbsurdQuantitiesAreMarkedInvalid) {
    for (const char* typed :
         {"abc*789", "*789", "999999999*7891", "10000*789", "1.2345*789", "999999999x7891"}) {
        auto e = sale::split_quantity_prefix(typed);
        EXPECT_TRUE(e.has_prefix) << typed;
        EXPECT_FALSE(e.quantity) << typed;
    }
    EXPECT_EQ(sale::split_quantity_prefix("9999,999*789").quantity, sale::kMaxQuantity);
    // Kept for the validation to refuse in its turn.
    EXPECT_EQ(sale::split_quantity_prefix("-2*789").quantity, thousandths(-2000));
    EXPECT_EQ(sale::split_quantity_prefix("0*789").quantity, thousandths(0));
}

TEST(ScaleLabel, ReadsProductAndValueOfFourAndSixDigitLabels) {
    auto l = sale::read_scale_label(label("0123", "01500"), 4);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->product_barcode, with_dv("000000000123"));
    EXPECT_EQ(l->product_number, 123);
    EXPECT_EQ(l->value, 1500);

    l = sale::read_scale_label(label("001234", "01500"), 6);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->product_barcode, with_dv("000000001234"));
    EXPECT_EQ(l->product_number, 1234);
    EXPECT_EQ(l->value, 1500);
}

TEST(ScaleLabel, OnlyThirteenDigitsStartingWithTwoAndCheckingAreALabel) {
    std::string good = label("0123", "01500");
    std::string bad_dv = good;
    bad_dv.back() = good.back() == '9' ? '0' : static_cast<char>(good.back() + 1);
    EXPECT_FALSE(sale::read_scale_label(bad_dv, 4));
    EXPECT_FALSE(sale::read_scale_label(good.substr(0, 12), 4));
    EXPECT_FALSE(sale::read_scale_label("2O12300015007", 4));
    EXPECT_FALSE(sale::read_scale_label(with_dv("301230001500"), 4));
}

class ProductLookup : public ShopFixture {
  protected:
    sale::LookupResult find(const std::string& code, LookupOrder order = LookupOrder::kQuickSale,
                            sale::LookupSettings s = {}) {
        return sale::look_up(code, order, s);
    }
    const std::string coffee_ = with_dv("789100031550");  // demo product 1
};

TEST_F(ProductLookup, EveryPathInTheQuickSalesOrder) {
    add_product(20, "P20", "07890000000017", "5.00");
    add_product(21, coffee_, "", "1.00");  // an internal code equal to another's barcode
    add_product(22, "P22", "12345670", "2.00");

    auto r = find(coffee_);
    EXPECT_EQ(r.outcome, Outcome::kFound);
    EXPECT_EQ(r.product.id_produto, 1);
    EXPECT_EQ(r.product.descricao, "CAFE TORRADO E MOIDO 500G");
    EXPECT_EQ(r.product.preco_venda1, thousandths(18900));
    EXPECT_EQ(r.product.ecf_cod_st, "01");
    EXPECT_EQ(r.product.cod_ncm, 9012100);
    EXPECT_FALSE(r.code_quantity);

    EXPECT_EQ(find("7890000000017").product.id_produto, 20);  // zero-filled to 14
    EXPECT_EQ(find("12345670").product.id_produto, 22);       // EAN-8 as typed
    EXPECT_EQ(find("000003").product.id_produto, 3);          // internal code as typed
    EXPECT_EQ(find("7").product.id_produto, 7);               // internal code "000007"
    EXPECT_EQ(find("P20").product.id_produto, 20);

    r = find(with_dv("789409410099"));  // the six-pack's alternative code
    EXPECT_EQ(r.outcome, Outcome::kFound);
    EXPECT_EQ(r.product.id_produto, 5);
    EXPECT_EQ(r.code_quantity, thousandths(6000));

    EXPECT_EQ(find("123456789").outcome, Outcome::kNotFound);
    EXPECT_EQ(find("").outcome, Outcome::kNotFound);
}

TEST_F(ProductLookup, AnAlternativeCodeWithoutProductOrFactor) {
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.codbarra (codigo, id_produto, fator) VALUES "
                       "('00000000555555', 999, 2), ('00000000666666', 4, NULL);"),
              "1");
    EXPECT_EQ(find("555555").outcome, Outcome::kNotFound);
    auto r = find("666666");
    EXPECT_EQ(r.product.id_produto, 4);
    EXPECT_EQ(r.code_quantity, thousandths(1000));
}

TEST_F(ProductLookup, WeightLabelsFindTheProductByBarcodeElseById) {
    add_product(123, "P123", with_dv("000000000123"), "10.00");
    auto r = find(label("0123", "01500"));
    EXPECT_EQ(r.outcome, Outcome::kFound);
    EXPECT_TRUE(r.from_label);
    EXPECT_EQ(r.product.id_produto, 123);
    EXPECT_EQ(r.code_quantity, thousandths(1500));

    // The demo's bananas have no barcode: found by id.
    r = find(label("0011", "00750"));
    EXPECT_EQ(r.product.id_produto, 11);
    EXPECT_EQ(r.code_quantity, thousandths(750));

    const std::string missing = label("9876", "01500");
    r = find(missing);
    EXPECT_EQ(r.outcome, Outcome::kLabelProductNotFound);
    EXPECT_EQ(r.code, missing);

    sale::LookupSettings six;
    six.label_product_digits = 6;
    r = find(label("000123", "02250"), LookupOrder::kQuickSale, six);
    EXPECT_EQ(r.product.id_produto, 123);
    EXPECT_EQ(r.code_quantity, thousandths(2250));
}

TEST_F(ProductLookup, PriceLabelsDivideByThePriceTruncated) {
    add_product(123, "P123", with_dv("000000000123"), "10.00");
    add_product(124, "P124", with_dv("000000000124"), "2.99");
    add_product(125, "P125", with_dv("000000000125"), "0");
    sale::LookupSettings price;
    price.label_kind = sale::LabelKind::kPrice;

    EXPECT_EQ(find(label("0123", "01234"), LookupOrder::kQuickSale, price).code_quantity,
              thousandths(1234));
    // 10.00 / 2.99 = 3.34448...
    EXPECT_EQ(find(label("0124", "01000"), LookupOrder::kQuickSale, price).code_quantity,
              thousandths(3344));
    EXPECT_EQ(find(label("0125", "01000"), LookupOrder::kQuickSale, price).outcome,
              Outcome::kLabelWithoutPrice);

    // The form divides by the price of its table.
    ASSERT_EQ(QUERYSQL("UPDATE balcora.produto SET preco_venda2=5.00 WHERE id_produto=123;"), "1");
    price.price_table = 2;
    EXPECT_EQ(find(label("0123", "01234"), LookupOrder::kCouponForm, price).code_quantity,
              thousandths(2468));
}

TEST_F(ProductLookup, DamagedLabelsAndAlternativeCodesAreNotReadAsLabels) {
    add_product(123, "P123", with_dv("000000000123"), "10.00");
    std::string damaged = label("0123", "01500");
    damaged.back() = damaged.back() == '9' ? '0' : static_cast<char>(damaged.back() + 1);
    EXPECT_EQ(find(damaged).outcome, Outcome::kNotFound);

    const std::string registered = label("0123", "03000");
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.codbarra (codigo, id_produto, fator) VALUES ('0" +
                       registered + "', 5, 2);"),
              "1");
    auto r = find(registered);
    EXPECT_FALSE(r.from_label);
    EXPECT_EQ(r.product.id_produto, 5);
    EXPECT_EQ(r.code_quantity, thousandths(2000));
}

TEST_F(ProductLookup, TheFormTriesTheZeroFilledBarcodeBeforeTheLabel) {
    add_product(123, "P123", with_dv("000000000123"), "10.00");
    const std::string code = label("0123", "01500");
    add_product(30, "P30", "0" + code, "1.00");
    EXPECT_EQ(find(code, LookupOrder::kQuickSale).product.id_produto, 123);
    EXPECT_EQ(find(code, LookupOrder::kCouponForm).product.id_produto, 30);
}

TEST_F(ProductLookup, TypedTextReachesTheDatabaseOnlyAsALiteral) {
    for (const char* hostile :
         {"1'; DELETE FROM balcora.produto; --", "a\\'b", "\\", "x' OR '1'='1"})
        EXPECT_EQ(find(hostile).outcome, Outcome::kNotFound) << hostile;
    EXPECT_TRUE(prompt_.shown().empty());
    EXPECT_EQ(count("balcora.produto"), 13);

    add_product(40, "O'BRIEN\\1", "", "1.00");
    EXPECT_EQ(find("O'BRIEN\\1").product.id_produto, 40);
}

TEST_F(ProductLookup, SettingsComeFromThePointOfSaleAndTheProductQuery) {
    auto s = sale::quick_sale_lookup_settings();
    EXPECT_EQ(s.label_kind, sale::LabelKind::kWeight);
    EXPECT_EQ(s.label_product_digits, 4);
    EXPECT_EQ(s.price_table, 1);

    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Etiqueta Balança", "2"));
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Tamanho codigo prod pesado", "6"));
    ASSERT_TRUE(write_ini("ConsultaProduto", "TabPreco", "3", "ConsultaPAFECF.ini"));
    s = sale::quick_sale_lookup_settings();
    EXPECT_EQ(s.label_kind, sale::LabelKind::kPrice);
    EXPECT_EQ(s.label_product_digits, 6);
    EXPECT_EQ(s.price_table, 1);
    EXPECT_EQ(sale::coupon_form_lookup_settings().price_table, 3);

    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Tamanho codigo prod pesado", "5"));
    EXPECT_EQ(sale::quick_sale_lookup_settings().label_product_digits, 4);
}

}  // namespace balcora::test
