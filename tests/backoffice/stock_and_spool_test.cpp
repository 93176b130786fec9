// The stock export replacing an earlier run's movements, and the print spool
// printing the back office's documents one per tick.
#include "backoffice/pre_sale_fixture.h"
#include "backoffice/print_spool.h"
#include "backoffice/stock_export.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "sale/stock_date_mark.h"

namespace balcora::test {

namespace {

class StockExport : public BackOfficeFixture {
  protected:
    void SetUp() override {
        BackOfficeFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (int id : {9101, 9102, 9103})
            add_product(id, std::to_string(id), demo::ean13("78900000" + std::to_string(id)),
                        "10.00");
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Data Estoque", "2026-12-05"));
        // Day 5: three products; day 6: one of them.
        sell(1, "2026-12-05", {{9103, "1.000"}, {9101, "2.000"}, {9102, "0.500"}});
        sell(2, "2026-12-06", {{9101, "3.000"}});
        // A movement of the back office's own is no business of the export.
        bo("INSERT INTO gestao.estmovto (id_empresa, id_estlocal, id_produto, data, tipo, "
           "qtdade, origem_prefixo, origem_id) VALUES (1, 1, 9101, '2026-12-05', 'E', 10, 'NF', "
           "1)");
        bo("INSERT INTO gestao.estsaldo (id_empresa, id_estlocal, id_produto, qtdade, valor, "
           "data) VALUES (1, 1, 9101, 42.5, 255.00, '2026-12-06'), (1, 1, 777, 1, 1, "
           "'2026-12-06')");
    }
    void sell(int coupon, const char* day, std::vector<std::pair<int, const char*>> items) {
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cfiscal (id_cfiscal, id_empresa, numero, data, "
                           "situacao) VALUES (" +
                           std::to_string(coupon) + ", 1, " + std::to_string(coupon) + ", '" + day +
                           "', 'E');"),
                  "1");
        int n = 0;
        for (const auto& [product, quantity] : items)
            ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, "
                               "qtdade, item_cancelado) VALUES (" +
                               std::to_string(coupon) + ", " + std::to_string(++n) + ", " +
                               std::to_string(product) + ", " + quantity + ", 0);"),
                      "1");
    }
    std::string movements() {
        return bo_value("SELECT string_agg(origem_id - " +
                        std::to_string(util::parse_iso_date("2026-12-05")) +
                        " || ':' || origem_ordem || ':' || id_produto || ':' || qtdade, ' ' ORDER "
                        "BY origem_id, origem_ordem) FROM gestao.estmovto WHERE "
                        "origem_prefixo='PDV'");
    }
};

TEST_F(StockExport, ASecondRunReplacesTheFirstAndAnInventoryBlockKeepsItWhole) {
    backoffice::StockExportScreen screen;
    screen.open();
    ASSERT_TRUE(screen.run()) << testing::PrintToString(messages());
    EXPECT_EQ(movements(), "0:1:9101:2.000 0:2:9102:0.500 0:3:9103:1.000 1:1:9101:3.000");
    EXPECT_EQ(bo_value("SELECT data || ' ' || historico || ' ' || tipo || ' ' || "
                       "docto_natureza FROM gestao.estmovto WHERE origem_prefixo='PDV' AND "
                       "origem_ordem=1 ORDER BY data LIMIT 1"),
              "2026-12-05 MOVIMENTO BALCORA S F");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "Data Estoque"), "2026-12-07");
    EXPECT_EQ(value("SELECT qtd_estoque || ' ' || vl_estoque || ' ' || dt_estoque || ' ' || "
                    "(hash = " +
                    db::hash_expression("produto") +
                    ")::text FROM balcora.produto WHERE id_produto=9101"),
              "42.50 255.00 2026-12-06 true");
    EXPECT_EQ(bo_value("SELECT length(valor) FROM gestao.registro WHERE chave='PAFECF' AND "
                       "nome='MD5'"),
              "32");

    // A sale of day 6 registered late moves the first day back; the second
    // run leaves one set of movements per product and day.
    sell(3, "2026-12-06", {{9102, "1.000"}});
    ASSERT_TRUE(GRAVADATAESTOQUE(util::parse_iso_date("2026-12-05")));
    ASSERT_TRUE(screen.run());
    EXPECT_EQ(movements(),
              "0:1:9101:2.000 0:2:9102:0.500 0:3:9103:1.000 1:1:9101:3.000 1:2:9102:1.000");
    EXPECT_EQ(bo_value("SELECT count(*) FROM gestao.estmovto WHERE origem_prefixo='NF'"), "1");

    // An inventory counted on day 6 refuses that day's movement: the run
    // stops with the earlier rows in place and the first day kept.
    bo("INSERT INTO gestao.estinventario (id_empresa, id_estlocal, id_produto, data) VALUES (1, "
       "1, 9102, '2026-12-06')");
    ASSERT_TRUE(GRAVADATAESTOQUE(util::parse_iso_date("2026-12-05")));
    prompt_.clear();
    EXPECT_FALSE(screen.run());
    EXPECT_EQ(prompt_.count_containing("bloqueada por inventário"), 1);
    EXPECT_EQ(movements(),
              "0:1:9101:2.000 0:2:9102:0.500 0:3:9103:1.000 1:1:9101:3.000 1:2:9102:1.000");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "Data Estoque"), "2026-12-05");
}

class PrintSpool : public BackOfficeFixture {
  protected:
    void queue(const std::string& docto, const std::string& title,
               const std::vector<std::string>& lines) {
        for (const auto& line : lines)
            bo("INSERT INTO gestao.spoolecf (id_docto, id_empresa, titulo, linha, situacao) "
               "VALUES (" +
               TXTSQL(docto) + ", 1, " + TXTSQL(title) + ", " + TXTSQL(line) + ", 'L')");
    }
    std::string situations() {
        return bo_value(
            "SELECT string_agg(DISTINCT id_docto || '=' || situacao, ' ') FROM "
            "gestao.spoolecf");
    }
};

TEST_F(PrintSpool, DocumentsPrintOnePerTickAndACutDocumentComesAgainWhole) {
    queue("ORC'1", "ORCAMENTO 1", {"ORCAMENTO 1 - D'AVILA", "", "2 X ARROZ    54,98"});
    queue("ORC-2", "ORCAMENTO 2", {"ORCAMENTO 2 - PRIMEIRA LINHA", "SEGUNDA LINHA"});
    queue("ORC-3", "OUTRA LOJA", {"NAO E DESTA LOJA"});
    bo("UPDATE gestao.spoolecf SET id_empresa=2 WHERE id_docto='ORC-3'");

    backoffice::PrintSpoolScreen spool;
    ASSERT_TRUE(spool.open()) << testing::PrintToString(messages());
    EXPECT_EQ(spool.status(), "Aguardando...");
    ASSERT_TRUE(spool.tick());
    EXPECT_NE(paper().find("D'AVILA"), std::string::npos);
    EXPECT_EQ(situations(), "ORC'1=E ORC-2=L ORC-3=L");

    // The printer refuses a line: the report is closed, the document stays
    // waiting and is printed again from its first line.
    refuse_next(ecf::CMD_REPORT_LINE, 1);
    const std::size_t before = paper().size();
    EXPECT_FALSE(spool.tick());
    EXPECT_EQ(situations(), "ORC'1=E ORC-2=L ORC-3=L");
    ASSERT_TRUE(spool.tick());
    const std::string after = paper().substr(before);
    EXPECT_NE(after.find("PRIMEIRA LINHA"), std::string::npos);
    EXPECT_NE(after.find("SEGUNDA LINHA"), std::string::npos);
    EXPECT_EQ(situations(), "ORC'1=E ORC-2=E ORC-3=L");

    // Nothing more for this store.
    EXPECT_FALSE(spool.tick());
    EXPECT_EQ(spool.status(), "Aguardando...");

    // A back office that stops answering is reported once, not every tick,
    // and the spool goes on when it answers again.
    bo("ALTER TABLE gestao.spoolecf RENAME TO spool_fora");
    prompt_.clear();
    EXPECT_FALSE(spool.tick());
    EXPECT_FALSE(spool.tick());
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(spool.status(), "Sem resposta da retaguarda. Aguardando...");
    bo("ALTER TABLE gestao.spool_fora RENAME TO spoolecf");
    bo("UPDATE gestao.spoolecf SET id_empresa=1 WHERE id_docto='ORC-3'");
    EXPECT_TRUE(spool.tick());

    // Printed, but the back office refuses its mark: the next tick only marks
    // it, the paper has it once.
    queue("ORC-4", "ORCAMENTO 4", {"ORCAMENTO 4 - UMA VEZ"});
    bo("CREATE FUNCTION gestao.refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF "
       "NEW.situacao='E' THEN RAISE EXCEPTION 'retaguarda fora do ar'; END IF; RETURN NEW; END "
       "$$");
    bo("CREATE TRIGGER refuse BEFORE UPDATE ON gestao.spoolecf FOR EACH ROW EXECUTE PROCEDURE "
       "gestao.refuse()");
    EXPECT_TRUE(spool.tick());
    // Still claimed by this checkout: no other one prints it meanwhile.
    EXPECT_EQ(situations(), "ORC'1=E ORC-2=E ORC-3=E ORC-4=I");
    bo("DROP TRIGGER refuse ON gestao.spoolecf");
    EXPECT_FALSE(spool.tick());
    EXPECT_EQ(situations(), "ORC'1=E ORC-2=E ORC-3=E ORC-4=E");
    const std::string tape = paper();
    EXPECT_EQ(tape.find("UMA VEZ"), tape.rfind("UMA VEZ"));
    EXPECT_NE(tape.find("UMA VEZ"), std::string::npos);
    EXPECT_EQ(value("SELECT count(*) FROM balcora.registro WHERE chave LIKE 'SPOOL_ECF_%'"), "0");
}

TEST_F(PrintSpool, AClaimLeftByACrashIsSettledByWhetherItsTransactionCommitted) {
    queue("ORC-9", "ORCAMENTO 9", {"ORCAMENTO 9 - DE NOVO"});
    queue("ORC-10", "ORCAMENTO 10", {"ORCAMENTO 10 - DE OUTRO CAIXA"});
    // This checkout claimed ORC-9 and died before printing it.
    const std::string ours = back_office_->value(
        "UPDATE gestao.spoolecf SET situacao='I' WHERE id_docto='ORC-9' RETURNING "
        "txid_current()");
    // Its claim of ORC-10 never committed; another checkout holds that one.
    back_office_->exec("BEGIN");
    const std::string lost = back_office_->value("SELECT txid_current()");
    back_office_->exec("ROLLBACK");
    bo("UPDATE gestao.spoolecf SET situacao='I' WHERE id_docto='ORC-10'");
    for (const auto& [docto, xid] : {std::pair{"ORC-9", ours}, std::pair{"ORC-10", lost}})
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.registro (chave, nome, valor) VALUES "
                           "('SPOOL_ECF_RESERVA', '1/" +
                           std::string(docto) + "', '" + xid + "');"),
                  "1");

    backoffice::PrintSpoolScreen spool;
    ASSERT_TRUE(spool.open());
    ASSERT_TRUE(spool.tick());
    EXPECT_NE(paper().find("DE NOVO"), std::string::npos);
    EXPECT_EQ(paper().find("DE OUTRO CAIXA"), std::string::npos);
    EXPECT_EQ(situations(), "ORC-10=I ORC-9=E");
    EXPECT_EQ(value("SELECT count(*) FROM balcora.registro WHERE chave LIKE 'SPOOL_ECF_%'"), "0");
}

}  // namespace

}  // namespace balcora::test
