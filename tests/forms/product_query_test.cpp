#include "forms/product_query.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "forms/lookup_filter.h"
#include "support/test_database.h"
#include "util/text.h"

#include <string>
#include <vector>

namespace balcora::test {

using forms::ProductKey;
using forms::ProductQueryScreen;

namespace {

struct Product {
    int id;
    std::string codigo;
    std::string barras;
    std::string descricao;
    int ativo = 1;
    std::string refer = "";
};

void insert(const Product& p) {
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, "
                       "refer, ativo, unidade, preco_venda1, preco_venda2, preco_venda3) VALUES (" +
                       std::to_string(p.id) + ", " + TXTSQL(p.codigo) + ", " + TXTSQL(p.barras) +
                       ", " + TXTSQL(p.descricao) + ", " + TXTSQL(p.refer) + ", " +
                       std::to_string(p.ativo) + ", 'UN', 1, 2, 3);"),
              "1");
}

std::vector<std::string> names(const ProductQueryScreen& q) {
    std::vector<std::string> out;
    for (const auto& l : q.lines()) out.push_back(l.descricao);
    return out;
}

std::vector<int> ids(const ProductQueryScreen& q) {
    std::vector<int> out;
    for (const auto& l : q.lines()) out.push_back(l.id_produto);
    return out;
}

using Names = std::vector<std::string>;
using Ids = std::vector<int>;

}  // namespace

class ProductQuery : public DbTest {
  protected:
    void SetUp() override {
        insert({1, "42", "7890000000042", "CAFÉ TORRADO MOÍDO 500G", 1, "CF-500"});
        insert({2, "000042", "7890000000059", "cafeteira elétrica", 1, "ÇX-12"});
        insert({3, "17", "7890000000066", "ARROZ TIPO 1", 1, "AR-1"});
        insert({4, "99", "7890000000073", "CAFÉ ANTIGO", 0, "CF-OLD"});
        insert({5, "55", "7890000000080", "PAPEL 1/2 O'BRIEN", 1, "P'1"});
        insert({6, "56", "7890000000097", "CABO C:\\TEMP\\X", 1, "C\\1"});
    }
    // The window as it opens with nothing remembered, on the given key.
    ProductQueryScreen opened(ProductKey key, const std::string& filter = "") {
        ProductQueryScreen q;
        EXPECT_TRUE(q.open());
        EXPECT_TRUE(q.set_key(key));
        EXPECT_TRUE(q.set_filter(filter));
        return q;
    }
    void expect_no_message() {
        for (const auto& s : prompt_.shown()) ADD_FAILURE() << s.title << ": " << s.text;
    }
};

TEST_F(ProductQuery, NameSearchIgnoresCaseAndAccentsAndPercentLooksInside) {
    auto q = opened(ProductKey::kName, "cafe");
    EXPECT_EQ(names(q), (Names{"CAFÉ TORRADO MOÍDO 500G", "cafeteira elétrica"}));
    q.set_filter("CAFÉ T");
    EXPECT_EQ(names(q), (Names{"CAFÉ TORRADO MOÍDO 500G"}));
    // A word inside the description, not only at its end.
    q.set_filter("%moido");
    EXPECT_EQ(names(q), (Names{"CAFÉ TORRADO MOÍDO 500G"}));
    q.set_filter("%ELETRICA");
    EXPECT_EQ(names(q), (Names{"cafeteira elétrica"}));
    q.set_filter("caf%500");
    EXPECT_EQ(names(q), (Names{"CAFÉ TORRADO MOÍDO 500G"}));
    // Ordered by the description with case and accents set aside.
    q.set_filter("");
    EXPECT_EQ(names(q), (Names{"ARROZ TIPO 1", "CABO C:\\TEMP\\X", "CAFÉ TORRADO MOÍDO 500G",
                               "cafeteira elétrica", "PAPEL 1/2 O'BRIEN"}));
    expect_no_message();
}

TEST_F(ProductQuery, ReferenceSearchWorksTheSameWay) {
    auto q = opened(ProductKey::kReference, "cx");
    EXPECT_EQ(ids(q), (Ids{2}));
    q.set_filter("%500");
    EXPECT_EQ(ids(q), (Ids{1}));
    q.set_filter("");
    EXPECT_EQ(ids(q), (Ids{3, 1, 2, 6, 5}));  // by reference, Ç as C
}

TEST_F(ProductQuery, CodeTriesTheCodeThenSixDigitsThenTheId) {
    insert({42, "A-42", "", "PRODUTO DE ID 42"});
    auto q = opened(ProductKey::kCode, "42");
    EXPECT_EQ(ids(q), (Ids{1}));
    EXPECT_EQ(q.lines()[0].codigo_shown, "42");  // the code, not the bar code

    QUERYSQL("DELETE FROM balcora.produto WHERE id_produto=1;");
    q.refresh();
    EXPECT_EQ(ids(q), (Ids{2}));
    q.set_filter("0000042");  // any way of writing the number
    EXPECT_EQ(ids(q), (Ids{2}));

    QUERYSQL("DELETE FROM balcora.produto WHERE id_produto=2;");
    q.set_filter("42");
    EXPECT_EQ(ids(q), (Ids{42}));

    q.set_filter("A-42");
    EXPECT_EQ(ids(q), (Ids{42}));
    // Text that is no code and no number finds nothing, without an error.
    q.set_filter("ABC");
    EXPECT_TRUE(q.lines().empty());
    q.set_filter("99999999999999");
    EXPECT_TRUE(q.lines().empty());
    expect_no_message();
}

TEST_F(ProductQuery, AnInactiveCodeDoesNotHideTheActiveSixDigitOne) {
    QUERYSQL("UPDATE balcora.produto SET ativo=0 WHERE id_produto=1;");
    auto q = opened(ProductKey::kCode, "42");
    EXPECT_EQ(ids(q), (Ids{2}));
}

TEST_F(ProductQuery, InactiveProductsNeverAppear) {
    for (auto [key, filter] :
         std::vector<std::pair<ProductKey, std::string>>{{ProductKey::kName, "CAFÉ ANT"},
                                                         {ProductKey::kName, "%"},
                                                         {ProductKey::kBarcode, "7890000000073"},
                                                         {ProductKey::kCode, "99"},
                                                         {ProductKey::kCode, "4"},  // its id
                                                         {ProductKey::kReference, "CF-OLD"}}) {
        auto q = opened(key, filter);
        for (const auto& l : q.lines()) EXPECT_NE(l.id_produto, 4) << filter;
    }
    auto all = opened(ProductKey::kBarcode);
    EXPECT_EQ(all.lines().size(), 5u);
}

TEST_F(ProductQuery, BarCodeSearchIsExactAndShowsTheBarCode) {
    auto q = opened(ProductKey::kBarcode, "7890000000059");
    ASSERT_EQ(ids(q), (Ids{2}));
    EXPECT_EQ(q.lines()[0].codigo_shown, "7890000000059");
    q.set_filter("789000000005");
    EXPECT_TRUE(q.lines().empty());
    q.set_filter("");
    EXPECT_EQ(ids(q), (Ids{1, 2, 3, 5, 6}));  // by bar code
}

TEST_F(ProductQuery, ShowsTheChosenPriceTableAndTheFiscalColumns) {
    QUERYSQL(
        "UPDATE balcora.produto SET preco_venda1=1234.5, preco_venda2=11.9876, "
        "preco_venda3=10.004, cest=2803800, cod_ncm=9012100, ecf_st='T', "
        "ecf_aliquota=17, iat='A', ippt='T', qtd_estoque=-3.5 WHERE id_produto=1;");
    auto q = opened(ProductKey::kBarcode, "7890000000042");
    ASSERT_EQ(q.lines().size(), 1u);
    const auto& l = q.lines()[0];
    EXPECT_EQ(l.preco, "1.234,50");
    EXPECT_EQ(l.cest, "28.038.00");
    EXPECT_EQ(l.ncm, "0901.21.00");
    EXPECT_EQ(l.st, "T");
    EXPECT_EQ(l.aliquota, "17,00");
    EXPECT_EQ(l.iat, "A");
    EXPECT_EQ(l.ippt, "T");
    EXPECT_EQ(l.estoque, "-3,50");
    EXPECT_EQ(l.unidade, "UN");

    EXPECT_TRUE(q.set_price_table(2));
    EXPECT_EQ(q.lines()[0].preco, "11,99");
    EXPECT_TRUE(q.set_price_table(3));
    EXPECT_EQ(q.lines()[0].preco, "10,00");
    EXPECT_FALSE(q.set_price_table(4));
    EXPECT_EQ(q.price_table(), 3);
    // No CEST or NCM shows blank, not zeros.
    q.set_filter("7890000000059");
    EXPECT_EQ(q.lines()[0].cest, "");
    EXPECT_EQ(q.lines()[0].ncm, "");
}

TEST_F(ProductQuery, RemembersKeyPriceTableAndNameFilterBetweenUses) {
    {
        ProductQueryScreen q;
        ASSERT_TRUE(q.open());
        EXPECT_EQ(q.key(), ProductKey::kBarcode);  // defaults
        EXPECT_EQ(q.price_table(), 1);
        q.set_key(ProductKey::kName);
        q.set_filter("cafe");
        q.set_price_table(2);
        q.close();
    }
    EXPECT_EQ(read_ini("ConsultaProduto", "Ordem", "", "ConsultaPAFECF.ini"), "1");
    EXPECT_EQ(read_ini("ConsultaProduto", "TabPreco", "", "ConsultaPAFECF.ini"), "2");
    EXPECT_EQ(read_ini("Produto", "filtro_nome", "", "ConsultaPAFECF.ini"), "cafe");

    ProductQueryScreen again;
    ASSERT_TRUE(again.open());
    EXPECT_EQ(again.key(), ProductKey::kName);
    EXPECT_EQ(again.price_table(), 2);
    EXPECT_EQ(again.filter(ProductKey::kName), "cafe");
    EXPECT_EQ(names(again), (Names{"CAFÉ TORRADO MOÍDO 500G", "cafeteira elétrica"}));
    EXPECT_EQ(again.lines()[0].preco, "2,00");

    // Values nobody could have written fall back to the defaults.
    write_ini("ConsultaProduto", "Ordem", "9", "ConsultaPAFECF.ini");
    write_ini("ConsultaProduto", "TabPreco", "x", "ConsultaPAFECF.ini");
    ProductQueryScreen damaged;
    ASSERT_TRUE(damaged.open());
    EXPECT_EQ(damaged.key(), ProductKey::kBarcode);
    EXPECT_EQ(damaged.price_table(), 1);

    // The coupon form's description opens the name key with that text.
    ProductQueryScreen from_form;
    ASSERT_TRUE(from_form.open(std::string("arroz")));
    EXPECT_EQ(from_form.key(), ProductKey::kName);
    EXPECT_EQ(names(from_form), (Names{"ARROZ TIPO 1"}));
}

TEST_F(ProductQuery, ApostrophesAndBackslashesAreSearchedForAsTyped) {
    auto q = opened(ProductKey::kName, "papel 1/2 o'b");
    EXPECT_EQ(ids(q), (Ids{5}));
    q.set_filter("cabo c:\\temp\\");  // ends in a backslash
    EXPECT_EQ(ids(q), (Ids{6}));
    q.set_filter("cabo c:\\t");
    EXPECT_EQ(ids(q), (Ids{6}));
    q.set_filter("' or ''='");
    EXPECT_TRUE(q.lines().empty());

    for (ProductKey key : {ProductKey::kBarcode, ProductKey::kCode}) {
        q.set_key(key);
        q.set_filter("x' or '1'='1");
        EXPECT_TRUE(q.lines().empty());
        q.set_filter("\\' or 1=1 --");
        EXPECT_TRUE(q.lines().empty());
    }
    q.set_key(ProductKey::kReference);
    q.set_filter("P'");
    EXPECT_EQ(ids(q), (Ids{5}));
    q.set_filter("c\\");
    EXPECT_EQ(ids(q), (Ids{6}));
    expect_no_message();
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.produto;"), "6");
}

TEST_F(ProductQuery, FiltersAreCutToTheirFieldWidths) {
    auto q = opened(ProductKey::kName);
    q.set_filter(std::string(60, 'A'));
    EXPECT_EQ(q.filter(ProductKey::kName), std::string(49, 'A'));
    std::string accented, cut;
    for (int i = 0; i < 60; ++i) accented += "É";
    for (int i = 0; i < 49; ++i) cut += "É";
    q.set_filter(accented);  // characters, not bytes
    EXPECT_EQ(q.filter(ProductKey::kName), cut);
    q.set_key(ProductKey::kCode);
    q.set_filter("123456789012345678");
    EXPECT_EQ(q.filter(ProductKey::kCode), "12345678901234");
    q.set_key(ProductKey::kReference);
    q.set_filter(std::string(40, 'R'));
    EXPECT_EQ(q.filter(ProductKey::kReference), std::string(34, 'R'));
}

TEST_F(ProductQuery, IncrementalSearchFindsTheFirstRowBeginningWithTheText) {
    auto q = opened(ProductKey::kName);
    EXPECT_EQ(q.locate("caf"), std::optional<std::size_t>(2));  // CAFÉ before cafeteira
    EXPECT_EQ(q.locate("CAFET"), std::optional<std::size_t>(3));
    EXPECT_EQ(q.locate("pap"), std::optional<std::size_t>(4));
    EXPECT_EQ(q.locate("xyz"), std::nullopt);
    EXPECT_EQ(q.locate(""), std::nullopt);

    q.set_key(ProductKey::kCode);
    EXPECT_EQ(q.locate("5"), std::optional<std::size_t>(3));  // 000042, 17, 42, 55, 56
}

TEST_F(ProductQuery, ALongListShowsItsFirstRowsAndSearchesBeyondThem) {
    QUERYSQL(
        "INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, ativo) "
        "SELECT 1000+g, 'G'||g, '1'||lpad(g::text, 12, '0'), 'ITEM '||lpad(g::text, 4, "
        "'0'), 1 FROM generate_series(1, 700) g;");
    auto q = opened(ProductKey::kName, "item");
    ASSERT_EQ(q.lines().size(), forms::kLookupRowLimit);
    EXPECT_TRUE(q.truncated());
    EXPECT_EQ(q.note(), "Mostrando os primeiros 500 produtos; digite mais para refinar a busca.");
    EXPECT_EQ(q.lines().back().descricao, "ITEM 0500");

    EXPECT_EQ(q.locate("item 0650"), std::optional<std::size_t>(0));
    EXPECT_EQ(q.lines().front().descricao, "ITEM 0650");
    EXPECT_EQ(q.lines().back().descricao, "ITEM 0700");
    EXPECT_FALSE(q.note().empty());
    // From a list positioned further down, rows above it are still found.
    EXPECT_EQ(q.locate("item 0660"), std::optional<std::size_t>(10));
    EXPECT_EQ(q.locate("item 0003"), std::optional<std::size_t>(0));
    EXPECT_EQ(q.lines().front().descricao, "ITEM 0003");
    // A text nothing begins with leaves the list where it was.
    EXPECT_EQ(q.locate("item 9"), std::nullopt);
    EXPECT_EQ(q.lines().front().descricao, "ITEM 0003");
    // Typing the filter again shows the list from its top.
    q.set_filter("item 06");
    EXPECT_EQ(q.lines().size(), 100u);
    EXPECT_FALSE(q.truncated());
    EXPECT_EQ(q.note(), "");
    expect_no_message();
}

TEST_F(ProductQuery, ChoiceHandsBackTheProductsKeys) {
    auto q = opened(ProductKey::kBarcode, "7890000000042");
    auto choice = q.choose(0);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->id_produto, 1);
    EXPECT_EQ(choice->codigo, "42");
    EXPECT_EQ(choice->codigo_barras, "7890000000042");
    EXPECT_EQ(choice->descricao, "CAFÉ TORRADO MOÍDO 500G");
    EXPECT_FALSE(q.choose(1));
}

TEST_F(ProductQuery, TheDatabaseFoldsAccentsAsTheProgramDoes) {
    const std::string letters = "ÁÀÂÃÄÇÉÈÊËÍÌÎÏÑÓÒÔÕÖÚÙÛÜÝáàâãäçéèêëíìîïñóòôõöúùûüýÿ";
    EXPECT_EQ(QUERYSQL("SELECT upper(balcora.to_ascii(" + TXTSQL(letters) + "));"),
              forms::fold_text(letters));
}

TEST(LookupFilter, PatternsAndMasks) {
    EXPECT_EQ(forms::like_pattern("caf"), "caf%");
    EXPECT_EQ(forms::like_pattern("%moido"), "%moido%");
    EXPECT_EQ(forms::like_pattern("caf%"), "caf%");
    EXPECT_EQ(forms::like_pattern(""), "%");
    EXPECT_EQ(forms::like_pattern("c:\\"), "c:\\\\%");
    EXPECT_EQ(forms::cest_text("2803800"), "28.038.00");
    EXPECT_EQ(forms::cest_text("100100"), "01.001.00");
    EXPECT_EQ(forms::cest_text("0"), "");
    EXPECT_EQ(forms::ncm_text("22030000"), "2203.00.00");
    EXPECT_EQ(forms::ncm_text(""), "");
    EXPECT_EQ(forms::ncm_text("123456789"), "123456789");
}

}  // namespace balcora::test
