// The Z-reduction file read back through libxml2: the day's adjustments
// spread to the cent over totalizers and products, the header, and the days
// that have no taxed sale.
#include "blocox/z_reduction_xml.h"

#include "blocox/xml_tree.h"
#include "sale/sale_fixture.h"

namespace balcora::test {

class ZReductionXml : public ShopFixture {
  protected:
    void SetUp() override {
        ShopFixture::SetUp();
        if (HasFatalFailure()) return;
        QUERYSQL("DELETE FROM balcora.produto");
        product(9201, "T", "18.00", "01", 22021000, 0);
        product(9202, "T", "7.00", "02", 22021000, 1234567);
        product(9203, "F", "0", "FF", 0, 0);  // no NCM
        product(9204, "F", "0", "FF", 22021000, 0);
        product(9205, "I", "0", "40", 22021000, 0);
        prompt_.clear();
    }

    void product(int id, const char* st, const char* rate, const char* cod_st, int ncm, int cest) {
        QUERYSQL(
            "INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, "
            "unidade, ecf_st, ecf_aliquota, ecf_cod_st, cod_ncm, cest) VALUES (" +
            std::to_string(id) + ", 'C" + std::to_string(id) + "', '789" + std::to_string(id) +
            "', 'PRODUTO', 'UN', '" + st + "', " + rate + ", '" + cod_st + "', " +
            std::to_string(ncm) + ", " + std::to_string(cest) + ")");
    }
    std::int32_t reduction(const char* day, const char* gross, int coo) {
        return std::stoi(QUERYSQL(
            "INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_cont_red_z, num_coo, "
            "num_cont_reinicio, dt_emissao, hr_emissao, vl_venda_bruta, vl_tot_geral) VALUES (1, "
            "1, '" +
            std::string(day) + "', 7, " + std::to_string(coo) + ", 2, '" + day + "', '22:05:09', " +
            gross + ", 123456.78) RETURNING id_reg60m"));
    }
    void total(std::int32_t z, const char* st, const char* name, const char* value) {
        QUERYSQL(
            "INSERT INTO balcora.reg60a (id_reg60m, st_aliq, totalizador, vl_acumulado) "
            "VALUES (" +
            std::to_string(z) + ", '" + st + "', '" + name + "', " + value + ")");
    }
    // One coupon per item keeps the fixture short; the file sums per product.
    void sold(const char* day, const char* situacao, int id_produto, const char* name,
              const char* qty, const char* value, int id_maqecf = 1) {
        const std::string id = QUERYSQL(
            "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, data, situacao, total) VALUES "
            "(1, " +
            std::to_string(id_maqecf) + ", '" + day + "', '" + situacao + "', " + value +
            ") RETURNING id_cfiscal");
        QUERYSQL(
            "INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, total, "
            "vl_base, item_cancelado, totalizador, descricao, unidade) VALUES (" +
            id + ", 1, " + std::to_string(id_produto) + ", " + qty + ", " + value + ", " + value +
            ", 0, '" + name + "', 'Pão de açúcar " + std::to_string(id_produto) + "', 'UN')");
    }

    // Each totalizer's products as "id:discount/surcharge/cancellation/net".
    static std::map<std::string, std::vector<std::string>> products_by_totalizer(xmlNode* root) {
        std::map<std::string, std::vector<std::string>> out;
        xmlNode* list = XmlTree::at(root, "Mensagem/Ecf/DadosReducaoZ/TotalizadoresParciais");
        for (xmlNode* t : XmlTree::children(list)) {
            auto& products = out[XmlTree::text(XmlTree::child(t, "Nome")) + "=" +
                                 XmlTree::text(XmlTree::child(t, "Valor"))];
            for (xmlNode* p : XmlTree::children(XmlTree::child(t, "ProdutosServicos")))
                products.push_back(XmlTree::text(XmlTree::child(p, "CodigoProprio")) + ":" +
                                   XmlTree::text(XmlTree::child(p, "ValorDesconto")) + "/" +
                                   XmlTree::text(XmlTree::child(p, "ValorAcrescimo")) + "/" +
                                   XmlTree::text(XmlTree::child(p, "ValorCancelamento")) + "/" +
                                   XmlTree::text(XmlTree::child(p, "ValorTotalLiquido")));
        }
        return out;
    }
};

TEST_F(ZReductionXml, DiscountsSplitToTheCentWithTheResidualOnTheLargestAndTheHeaderInOrder) {
    const auto z = reduction("2026-12-05", "31.00", 4321);
    total(z, "01T1800", "01T1800", "10.00");
    total(z, "02T0700", "02T0700", "10.00");
    total(z, "F1", "F1", "10.00");
    total(z, "DESC", "", "1.00");
    sold("2026-12-05", "E", 9201, "01T1800", "1.000", "10.00");
    sold("2026-12-05", "E", 9202, "02T0700", "2.500", "10.00");
    sold("2026-12-05", "E", 9204, "F1", "1.000", "6.00");
    sold("2026-12-05", "E", 9203, "F1", "1.000", "4.00");
    sold("2026-12-05", "C", 9201, "01T1800", "1.000", "99.00");     // cancelled: not sold
    sold("2026-12-05", "E", 9201, "01T1800", "1.000", "77.00", 2);  // another checkout's sale

    const blocox::ZReductionXml xml = blocox::generate_z_reduction_xml(z);
    ASSERT_TRUE(xml.ok) << (prompt_.shown().empty() ? "" : prompt_.shown().back().text);
    EXPECT_EQ(xml.path.filename(), "reducaoz05122026.xml");
    EXPECT_EQ(xml.products_without_ncm, std::vector<std::int32_t>{9203});
    XmlTree tree(xml.path);
    ASSERT_NE(tree.root(), nullptr) << "not well-formed";
    EXPECT_EQ(XmlTree::names(tree.root()), std::vector<std::string>{"Mensagem"});
    EXPECT_EQ(XmlTree::names(XmlTree::at(tree.root(), "Mensagem")),
              (std::vector<std::string>{"Estabelecimento", "PafEcf", "Ecf"}));
    EXPECT_EQ(XmlTree::text(XmlTree::at(tree.root(), "Mensagem/Estabelecimento/Ie")),
              "110042490114");
    xmlNode* day = XmlTree::at(tree.root(), "Mensagem/Ecf/DadosReducaoZ");
    EXPECT_EQ(XmlTree::names(day),
              (std::vector<std::string>{"DataReferencia", "DataHoraEmissao", "CRZ", "COO", "CRO",
                                        "VendaBrutaDiaria", "GT", "TotalizadoresParciais"}));
    EXPECT_EQ(XmlTree::text(XmlTree::child(day, "DataHoraEmissao")), "2026-12-05T22:05:09");
    EXPECT_EQ(XmlTree::text(XmlTree::child(day, "COO")), "000004321");  // the demo model: 9 digits
    EXPECT_EQ(XmlTree::text(XmlTree::child(day, "VendaBrutaDiaria")), "00000000003100");
    EXPECT_EQ(XmlTree::text(XmlTree::child(day, "GT")), "000000000012345678");

    // 1,00 over three totalizers of 10,00: 0,33 + 0,33 + 0,34 on the last;
    // inside F1, 4,00 and 6,00 share its 0,34 as 0,14 and the rest, 0,20.
    const std::map<std::string, std::vector<std::string>> expected{
        {"01T1800=10,00", {"C9201:0,33/0,00/0,00/10,00"}},
        {"02T0700=10,00", {"C9202:0,33/0,00/0,00/10,00"}},
        {"F1=10,00", {"C9203:0,14/0,00/0,00/4,00", "C9204:0,20/0,00/0,00/6,00"}},
    };
    auto got = products_by_totalizer(tree.root());
    EXPECT_EQ(got, expected);

    xmlNode* product =
        XmlTree::at(day, "TotalizadoresParciais/TotalizadorParcial/ProdutosServicos/Produto");
    EXPECT_EQ(
        XmlTree::names(product),
        (std::vector<std::string>{"Descricao", "CodigoGTIN", "CodigoCEST", "CodigoNCMSH",
                                  "CodigoProprio", "Quantidade", "Unidade", "ValorDesconto",
                                  "ValorAcrescimo", "ValorCancelamento", "ValorTotalLiquido"}));
    EXPECT_EQ(XmlTree::text(XmlTree::child(product, "Descricao")), "Pao de acucar 9201");

    // A day without adjustment rows, on a printer of six-digit COO.
    QUERYSQL("UPDATE balcora.modecf SET cv0909=0");
    const auto plain = reduction("2026-12-06", "10.00", 4400);
    total(plain, "02T0700", "02T0700", "10.00");
    sold("2026-12-06", "E", 9202, "02T0700", "1.000", "10.00");
    const blocox::ZReductionXml second = blocox::generate_z_reduction_xml(plain);
    ASSERT_TRUE(second.ok);
    XmlTree t2(second.path);
    EXPECT_EQ(XmlTree::text(XmlTree::at(t2.root(), "Mensagem/Ecf/DadosReducaoZ/COO")), "004400");
    EXPECT_EQ(products_by_totalizer(t2.root()),
              (std::map<std::string, std::vector<std::string>>{
                  {"02T0700=10,00", {"C9202:0,00/0,00/0,00/10,00"}}}));
}

TEST_F(ZReductionXml, DaysWithoutTaxedSalesTakeTheirTotalizersFromCancelledCouponsOrTheProducts) {
    // Only cancelled coupons: their totalizers at 0,00, the products' whole
    // value cancelled; a product no longer registered has empty codes.
    const auto cancelled = reduction("2026-12-05", "14.50", 10);
    total(cancelled, "CANC", "", "14.50");
    sold("2026-12-05", "C", 9201, "01T1800", "1.000", "10.00");
    sold("2026-12-05", "C", 9999, "01T1800", "3.000", "4.50");
    // A file that cannot be put in place is reported and leaves nothing behind.
    const auto target = blocox::z_reduction_xml_path(util::day_number(2026, 12, 5));
    std::filesystem::create_directories(target / "busy");
    EXPECT_FALSE(blocox::generate_z_reduction_xml(cancelled).ok);
    EXPECT_EQ(prompt_.count_containing("ao gerar arquivo \"" + target.string() + "\"!"), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.parent_path()), {}), 1);
    std::filesystem::remove_all(target);

    const blocox::ZReductionXml xml = blocox::generate_z_reduction_xml(cancelled);
    ASSERT_TRUE(xml.ok);
    EXPECT_EQ(xml.products_without_ncm, std::vector<std::int32_t>{9999});
    XmlTree tree(xml.path);
    EXPECT_EQ(products_by_totalizer(tree.root()),
              (std::map<std::string, std::vector<std::string>>{
                  {"01T1800=0,00", {":0,00/0,00/4,50/0,00", "C9201:0,00/0,00/10,00/0,00"}}}));

    // No sale at all: one empty totalizer per tax configuration of the products.
    const auto empty = reduction("2026-12-06", "0", 11);
    const blocox::ZReductionXml none = blocox::generate_z_reduction_xml(empty);
    ASSERT_TRUE(none.ok);
    XmlTree t2(none.path);
    EXPECT_EQ(products_by_totalizer(t2.root()),
              (std::map<std::string, std::vector<std::string>>{
                  {"01T1800=0,00", {}}, {"02T0700=0,00", {}}, {"F1=0,00", {}}, {"I1=0,00", {}}}));
    EXPECT_TRUE(none.products_without_ncm.empty());
}

TEST(BlocoxNumberFormat, DecimalCommaFixedPlacesAndRefusedPlaces) {
    EXPECT_EQ(blocox::format_number(util::Money::from_units(1250), 2), "12,50");
    EXPECT_EQ(blocox::format_number(util::Quantity::from_whole(3), 3), "3,000");
    EXPECT_EQ(blocox::format_number(util::Money::from_units(-123456789), 2), "-1234567,89");
    EXPECT_EQ(blocox::format_number(util::Quantity::from_units(-2345), 2), "-2,35");
    EXPECT_EQ(blocox::format_number(util::Money::from_units(5), 0), "0");
    ScriptedPrompt prompt;
    ScopedEnvironment env({nullptr, nullptr, &prompt});
    EXPECT_EQ(blocox::format_number(util::Money::from_units(150), 7), "1.50");
    EXPECT_EQ(prompt.count_containing("Decimais (7) inválido!"), 1);
}

}  // namespace balcora::test
