// The stock run's due periods and grace days against a pinned clock, and
// the stock file with the registration faults it collects.
#include "blocox/stock_xml.h"

#include "blocox/xml_tree.h"
#include "ecf/maqecf_record.h"
#include "sale/sale_fixture.h"

namespace balcora::test {

class StockXml : public ShopFixture {
  protected:
    void SetUp() override {
        ShopFixture::SetUp();
        if (HasFatalFailure()) return;
        QUERYSQL("DELETE FROM balcora.estoquex");
        printer_.id_empresa = 1;
        printer_.num_cred_ecf = 123456;
        prompt_.clear();
    }

    void period(const char* periodo, const char* sit, const char* lib) {
        QUERYSQL(
            "INSERT INTO balcora.estoquex (id_empresa, periodo, sit_blocox, lib_env) VALUES "
            "(1, '" +
            std::string(periodo) + "', " + sit + ", '" + lib + "')");
    }
    void inventory(const char* day, int id_produto, const char* qty, const char* value) {
        QUERYSQL(
            "INSERT INTO balcora.estinventario (id_empresa, data, id_produto, qtdade, valor, "
            "qt_tot_aquisicao, vl_tot_aquisicao, vl_tot_icmsdebforne, vl_bc_calcicmsst, "
            "vl_tot_icmsst) VALUES (1, '" +
            std::string(day) + "', " + std::to_string(id_produto) + ", " + qty + ", " + value +
            ", 1, 2, 3, 4, 5)");
    }
    void today(int y, int m, int d) { clock_.set({y, m, d, 10, 0, 0}); }

    // Runs the stock periods, recording what was handed over for sending.
    blocox::StockRun run() {
        sent_.clear();
        prompt_.clear();
        return blocox::run_stock_periods(
            printer_,
            [this](const blocox::StockPeriod& p, const std::filesystem::path& xml) {
                sent_.push_back(blocox::period_label(p) + " " + xml.filename().string());
                QUERYSQL("UPDATE balcora.estoquex SET sit_blocox='T' WHERE id_estoquex=" +
                         std::to_string(p.id_estoquex));
                return true;
            },
            {});
    }

    MaqecfRecord printer_;
    std::vector<std::string> sent_;
};

TEST_F(StockXml, DuePeriodsWaitForTheirInventoryWithGraceDaysAndForTheirRelease) {
    // Every run makes last year's inventory due: here no December row exists.
    today(2027, 1, 9);
    auto r = run();
    EXPECT_EQ(count("balcora.estoquex WHERE periodo='2026-12-31' AND sit_blocox='P'"), 1);
    EXPECT_FALSE(r.last_transmitted);
    EXPECT_TRUE(messages().empty()) << messages()[0];  // 9 days after 31 December: silent
    today(2027, 1, 10);
    run();
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Favor gerar o inventário do ultimo dia do Ano(31/12/2026)!"});

    // A monthly December row takes the place of the yearly one, made due.
    QUERYSQL("DELETE FROM balcora.estoquex");
    period("2026-12-01", "NULL", "N");
    run();
    EXPECT_EQ(count("balcora.estoquex WHERE sit_blocox='P'"), 1);
    EXPECT_EQ(count("balcora.estoquex"), 1);

    // Last month's inventory is silently awaited until the 10th; an older
    // month is asked for at once.
    QUERYSQL("DELETE FROM balcora.estoquex");
    period("2026-12-31", "'T'", "S");
    period("2027-02-01", "'P'", "S");
    today(2027, 3, 5);
    run();
    EXPECT_TRUE(messages().empty());
    today(2027, 3, 10);
    run();
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Favor gerar o inventário do ultimo dia do mês(28/02/2027)!"});
    period("2026-11-01", "'P'", "N");
    today(2027, 3, 5);
    run();
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Favor gerar o inventário do ultimo dia do mês(30/11/2026)!"});

    // With its inventory, a period not released stops the run; released, it
    // goes, and so does the next one.
    inventory("2026-11-30", 1, "1", "1");
    inventory("2027-02-28", 1, "1", "1");
    r = run();
    EXPECT_EQ(messages(), std::vector<std::string>{"Favor informar a liberação de transmição para "
                                                   "o Inventário do mês (11/2026)!"});
    EXPECT_TRUE(sent_.empty());
    QUERYSQL("UPDATE balcora.estoquex SET lib_env='S'");
    r = run();
    EXPECT_TRUE(r.last_transmitted);
    EXPECT_EQ(sent_,
              (std::vector<std::string>{"11/2026 estoque112026.xml", "02/2027 estoque022027.xml"}));
}

TEST_F(StockXml, FileOfAPeriodWithItsRegistrationFaults) {
    QUERYSQL(
        "UPDATE balcora.produto SET cest=0, cod_ncm=22021000, ecf_cod_st='00', ecf_st='T', "
        "ecf_aliquota=7 WHERE id_produto=1");
    QUERYSQL(
        "UPDATE balcora.produto SET cest=0, cod_ncm=0, ecf_cod_st='FF', ecf_st='F', ippt='P' "
        "WHERE id_produto=2");
    QUERYSQL("UPDATE balcora.produto SET ecf_st='X' WHERE id_produto=3");
    inventory("2026-11-30", 1, "-2.000", "-5.00");
    inventory("2026-11-30", 2, "3.000", "10.00");
    inventory("2026-11-30", 3, "0", "0");
    inventory("2026-11-30", 987654, "1", "1");
    blocox::StockPeriod p;
    p.id_empresa = 1;
    p.periodo = util::day_number(2026, 11, 1);
    blocox::StockErrors errors;
    const auto path = blocox::generate_stock_xml(p, errors);
    ASSERT_TRUE(path);
    EXPECT_EQ(errors.report_lines(),
              (std::vector<std::string>{
                  "0000002 - Produtos sem CEST cadastrado!",
                  "0000002 - Produtos sem NCM cadastrado!", "0000003 - Produtos sem ST cadastrado!",
                  "0987654 - Produtos no Inventário sem cadastro de produto!"}));

    XmlTree tree(*path);
    ASSERT_NE(tree.root(), nullptr);
    EXPECT_EQ(XmlTree::names(XmlTree::at(tree.root(), "Mensagem")),
              (std::vector<std::string>{"Estabelecimento", "PafEcf", "DadosEstoque"}));
    xmlNode* data = XmlTree::at(tree.root(), "Mensagem/DadosEstoque");
    EXPECT_EQ(XmlTree::text(XmlTree::child(data, "DataReferencia")), "2026-11-30");
    const auto products = XmlTree::children(XmlTree::child(data, "Produtos"));
    ASSERT_EQ(products.size(), 4u);
    EXPECT_EQ(
        XmlTree::names(products[0]),
        (std::vector<std::string>{
            "Descricao", "CodigoGTIN", "CodigoCEST", "CodigoNCMSH", "CodigoProprio", "Quantidade",
            "QuantidadeTotalAquisicao", "Unidade", "ValorUnitario", "ValorTotalAquisicao",
            "ValorTotalICMSDebitoFornecedor", "ValorBaseCalculoICMSST", "ValorTotalICMSST",
            "SituacaoTributaria", "Aliquota", "IsArredondado", "Ippt", "SituacaoEstoque"}));
    const auto text = [&](int k, const char* name) {
        return XmlTree::text(XmlTree::child(products[k], name));
    };
    EXPECT_EQ(text(0, "Aliquota"), " 7,00");
    EXPECT_EQ(text(0, "SituacaoEstoque"), "Negativo");
    EXPECT_EQ(text(0, "ValorUnitario"), "2,500");
    EXPECT_EQ(text(0, "Quantidade"), "-2,000");
    EXPECT_EQ(text(1, "ValorUnitario"), "3,333");
    EXPECT_EQ(text(1, "Ippt"), "Proprio");
    EXPECT_EQ(text(1, "SituacaoTributaria"), "Substituicao tributaria");
    EXPECT_EQ(text(1, "CodigoNCMSH"), "<missing>");
    EXPECT_EQ(text(2, "ValorUnitario"), "0,000");
    EXPECT_EQ(text(2, "SituacaoTributaria"), "<missing>");
}

}  // namespace balcora::test
