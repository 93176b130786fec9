#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/schema_scripts.h"
#include "db/script_runner.h"
#include "db/settings.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace balcora::test {
namespace {

const std::string kDeveloper = "'Desenvolvedor PAF-ECF'";

class SchemaTest : public DbTest {
  protected:
    void SetUp() override { DEFINEHASH(); }

    void run(const std::string& statement) { ASSERT_EQ(QUERYSQL(statement), "1") << statement; }

    // The digest as the program recomputes it when it checks the row.
    std::string recomputed(const std::string& table, const std::string& id) {
        return QUERYSQL("select " + db::hash_expression(table) + " from balcora." + table +
                        " where id_" + table + "=" + id);
    }
    std::string stored(const std::string& table, const std::string& id) {
        return QUERYSQL("select hash from balcora." + table + " where id_" + table + "=" + id);
    }
    void expect_intact(const std::string& table, const std::string& id) {
        const std::string hash = stored(table, id);
        EXPECT_EQ(hash.size(), 32u) << table << " " << id;
        EXPECT_EQ(hash, recomputed(table, id)) << table << " " << id;
    }

    std::string developer_hash() {
        return QUERYSQL("select valor from balcora.registro where chave=" + kDeveloper +
                        " and nome='hash'");
    }
    void set_developer(const std::string& key, const std::string& value) {
        run("INSERT INTO balcora.registro (chave, nome, valor) VALUES (" + kDeveloper + ", '" +
            key + "', " + TXTSQL(value) + ")");
    }

    // A printer, one day's Z reduction with a totaliser, and one invoice with
    // one item; the amounts carry more decimals than the columns keep, and the
    // texts an apostrophe, a backslash and accents.
    void write_fiscal_rows() {
        run("INSERT INTO balcora.maqecf (id_maqecf, id_empresa, numero, num_serie) "
            "VALUES (7, 1, 1, " +
            TXTSQL("EP09'12\\345") + ")");
        run("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_coo_inicial, "
            "num_coo_final, num_cont_red_z, num_cont_reinicio, vl_venda_bruta, vl_tot_geral, "
            "dt_emissao, hr_emissao, num_coo, sit_blocox) VALUES (1, 7, '2026-12-07', 10, 40, "
            "12, 2, 1234.567, 98765.4, '2026-12-08', '01:02:03', 41, 'P')");
        reg60m_ = QUERYSQL("SELECT currval('balcora.reg60m_id_reg60m_seq');");
        run("INSERT INTO balcora.reg60a (id_reg60m, st_aliq, vl_acumulado, totalizador) VALUES (" +
            reg60m_ + ", 'T1800', 10.1, '01T1800')");
        reg60a_ = QUERYSQL("SELECT currval('balcora.reg60a_id_reg60a_seq');");
        run("INSERT INTO balcora.nf (id_empresa, cnpj_emissor, dt_emissao, vl_subtotal, "
            "vl_desconto, vl_total, tp_doc, status, nome_adquirente, cpf_cnpj_adquirente, numero, "
            "serie, tipo_pagto, chave_acesso_nfe, vl_acrescimo) VALUES (1, '11222333000181', "
            "'2026-12-07', 100, 0, 100.005, '2', 'E', " +
            TXTSQL("Zé d'Ávila") + ", '12345678909', 55, '1', 'DI', '', 0)");
        nf_ = QUERYSQL("SELECT currval('balcora.nf_id_nf_seq');");
        run("INSERT INTO balcora.nfdet (id_nf, num_item, cod_produto, descricao, quantidade, "
            "unidade, vl_unitario, vl_desconto, vl_acrescimo, vl_total, totalizador, id_produto) "
            "VALUES (" +
            nf_ + ", 1, '000123', " + TXTSQL("Café \\ 500g") +
            ", 1.5, 'UN', 66.66666, 0, 0, 100, 'T1800', 3)");
        nfdet_ = QUERYSQL("SELECT currval('balcora.nfdet_id_nfdet_seq');");
    }

    std::string reg60m_, reg60a_, nf_, nfdet_;
};

TEST_F(SchemaTest, TriggersStoreTheDigestTheProgramVerifies) {
    write_fiscal_rows();
    expect_intact("maqecf", "7");
    expect_intact("reg60m", reg60m_);
    expect_intact("reg60a", reg60a_);
    expect_intact("nf", nf_);
    expect_intact("nfdet", nfdet_);

    // An update is never sealed by the database: typed outside the program
    // it leaves the stored digest behind; the writer stores it itself.
    const std::string before = stored("reg60m", reg60m_);
    run("UPDATE balcora.reg60m SET vl_venda_bruta=1300 WHERE id_reg60m=" + reg60m_);
    EXPECT_EQ(stored("reg60m", reg60m_), before);
    EXPECT_NE(recomputed("reg60m", reg60m_), before);
    ASSERT_TRUE(db::store_hash("reg60m", std::stoll(reg60m_)));
    expect_intact("reg60m", reg60m_);
    run("UPDATE balcora.nf SET status='C' WHERE id_nf=" + nf_);
    EXPECT_NE(stored("nf", nf_), recomputed("nf", nf_));
    EXPECT_NE(stored("nfdet", nfdet_), recomputed("nfdet", nfdet_));
}

TEST_F(SchemaTest, RowWithANullHashedColumnStoresANullDigest) {
    // The day record opened in the morning has no emission date yet.
    run("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_cont_red_z, num_coo, "
        "num_cont_reinicio, vl_venda_bruta, sit_blocox) VALUES (1, 7, '2026-12-07', 0, 0, 0, 0, "
        "'P')");
    const std::string id = QUERYSQL("SELECT currval('balcora.reg60m_id_reg60m_seq');");
    EXPECT_EQ(QUERYSQL("select (hash is null)::text || (" + db::hash_expression("reg60m") +
                       " is null)::text from balcora.reg60m where id_reg60m=" + id),
              "truetrue");
}

TEST_F(SchemaTest, TotaliserDigestChangesWithItsReductionCounter) {
    write_fiscal_rows();
    run("UPDATE balcora.reg60m SET num_cont_red_z=13 WHERE id_reg60m=" + reg60m_);
    ASSERT_TRUE(db::store_hash("reg60m", std::stoll(reg60m_)));
    expect_intact("reg60m", reg60m_);
    EXPECT_NE(stored("reg60a", reg60a_), recomputed("reg60a", reg60a_));

    run("UPDATE balcora.reg60m SET num_cont_red_z=12 WHERE id_reg60m=" + reg60m_);
    expect_intact("reg60a", reg60a_);
}

TEST_F(SchemaTest, DeveloperHashFollowsItsParts) {
    set_developer("cnpj", "11222333000181");
    set_developer("nomesoft", "Balcora PDV");
    set_developer("versaosoft", "13");
    // Without md5exe a single blank stands in for it.
    EXPECT_EQ(developer_hash(), QUERYSQL("select md5('11222333000181Balcora PDV ')"));
    EXPECT_EQ(developer_hash(), QUERYSQL("select " + db::hash_expression("registro")));

    set_developer("md5exe", "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(developer_hash(),
              QUERYSQL("select md5('11222333000181Balcora PDV0123456789abcdef0123456789abcdef')"));

    // The program seals the part it changes; a change or removal by hand
    // leaves the digest behind.
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "md5exe", "fedcba"));
    EXPECT_EQ(developer_hash(), QUERYSQL("select md5('11222333000181Balcora PDVfedcba')"));
    EXPECT_TRUE(db::verify_registro_hash());
    run("UPDATE balcora.registro SET valor='abc' WHERE chave=" + kDeveloper + " AND nome='md5exe'");
    EXPECT_FALSE(db::verify_registro_hash());
    run("DELETE FROM balcora.registro WHERE chave=" + kDeveloper + " AND nome='md5exe'");
    EXPECT_FALSE(db::verify_registro_hash());
    EXPECT_EQ(QUERYSQL("select count(*) from balcora.registro where nome='hash'"), "1");
}

TEST_F(SchemaTest, UniqueKeysRejectDuplicates) {
    run("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto) VALUES (1, 1, 10)");
    EXPECT_EQ(QUERYSQL("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto) "
                       "VALUES (1, 1, 11)"),
              "");
    EXPECT_EQ(prompt_.count_containing("cfiscald_keyid_cfiscal"), 1);
    run("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto) VALUES (1, 2, 11)");

    const std::string reduction =
        "INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, sit_blocox) VALUES (1, ";
    run(reduction + "7, '2026-12-07', 'P')");
    EXPECT_EQ(QUERYSQL(reduction + "7, '2026-12-07', 'P')"), "");
    EXPECT_EQ(prompt_.count_containing("reg60m_keydata"), 1);
    run(reduction + "8, '2026-12-07', 'P')");
    run(reduction + "7, '2026-12-08', 'P')");

    set_developer("cnpj", "1");
    EXPECT_EQ(QUERYSQL("INSERT INTO balcora.registro (chave, nome, valor) VALUES (" + kDeveloper +
                       ", 'cnpj', '2')"),
              "");

    // Product codes compare without regard to case; many products may lack a
    // barcode.
    run("INSERT INTO balcora.produto (id_produto, codigo, codigo_barras) VALUES (1, 'ab1', '')");
    run("INSERT INTO balcora.produto (id_produto, codigo, codigo_barras) VALUES (2, 'ab2', '')");
    EXPECT_EQ(QUERYSQL("INSERT INTO balcora.produto (id_produto, codigo) VALUES (3, 'AB1')"), "");
}

TEST_F(SchemaTest, CouponWithoutCustomerOrSellerStoresNull) {
    run("INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, numero, data, id_cliente, "
        "id_vendedor, situacao) VALUES (1, 7, 100, '2026-12-07', " +
        ZEROISNULL("0") + ", " + ZEROISNULL("0") + ", 'E')");
    const std::string id = QUERYSQL("SELECT currval('balcora.cfiscal_id_cfiscal_seq');");
    EXPECT_EQ(QUERYSQL("select count(*) from balcora.cfiscal where id_cfiscal=" + id +
                       " and id_cliente is null and id_vendedor is null"),
              "1");
    run("INSERT INTO balcora.cfiscal (id_empresa, numero, situacao) VALUES (1, 101, 'E')");
    EXPECT_EQ(QUERYSQL("select count(*) from balcora.cfiscal where id_cliente is null and "
                       "id_vendedor is null"),
              "2");
}

TEST_F(SchemaTest, ViewsListSoldQuantitiesAndActivities) {
    run("INSERT INTO balcora.cfiscal (id_empresa, data, situacao) VALUES (1, '2026-12-07', 'E')");
    const std::string issued = QUERYSQL("SELECT currval('balcora.cfiscal_id_cfiscal_seq');");
    run("INSERT INTO balcora.cfiscal (id_empresa, data, situacao) VALUES (1, '2026-12-07', 'C')");
    const std::string cancelled = QUERYSQL("SELECT currval('balcora.cfiscal_id_cfiscal_seq');");
    run("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, item_cancelado) "
        "VALUES (" +
        issued + ", 1, 10, 2, 0), (" + issued + ", 2, 10, 1.5, 0), (" + issued +
        ", 3, 11, 4, 1), (" + cancelled + ", 1, 10, 100, 0)");
    EXPECT_EQ(QUERYSQL("SELECT data || ' ' || id_produto || ' ' || sum(qtdade) FROM "
                       "balcora.vmovestoque GROUP BY data, id_produto"),
              "2026-12-07 10 3.500");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.vmovestoque WHERE id_produto=11"), "0");

    run("INSERT INTO balcora.cliente (nome, cgcpf, ramo_ativ) VALUES ('a', '', 'Padaria'), "
        "('b', '', 'Açougue'), ('c', '', 'Padaria'), ('d', '', ' '), ('e', '', NULL)");
    EXPECT_EQ(QUERYSQL("SELECT string_agg(atividade, ',') FROM balcora.vlista_atividade"),
              "Açougue,Padaria");
}

TEST_F(SchemaTest, DatabaseFillsServiceColumns) {
    run("INSERT INTO balcora.log (nome_cpd, nome_usuario, operacao, tabela, id, descricao) "
        "VALUES ('caixa1', 'ana', 'FUN', 'lx', '82000', 'lx ok')");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.log WHERE id_log IS NOT NULL AND data IS "
                       "NOT NULL"),
              "1");
    // Customers keyed at the checkout start above the back office's codes.
    run("INSERT INTO balcora.cliente (nome) VALUES ('novo')");
    EXPECT_EQ(QUERYSQL("SELECT currval('balcora.cliente_id_cliente_seq');"), "950000");
    // The back office's barcode import writes no factor: one scan, one unit.
    run("INSERT INTO balcora.codbarra (codigo, id_produto) VALUES ('00000000000123', 1)");
    EXPECT_EQ(QUERYSQL("SELECT fator FROM balcora.codbarra"), "1");
}

}  // namespace
TEST_F(SchemaTest, TheUpgradeOfAnInstalledShopStopsTheResealingAndSealsItsPlaceholders) {
    // A shop installed before: triggers that sealed every update, and the
    // open day's reduction row with no emission date (a NULL digest).
    for (const char* t : {"maqecf", "reg60m", "reg60a", "nf", "nfdet"})
        run(std::string("DROP TRIGGER ") + t + "_hash ON balcora." + t + "; CREATE TRIGGER " + t +
            "_hash BEFORE INSERT OR UPDATE ON balcora." + t +
            " FOR EACH ROW EXECUTE PROCEDURE balcora." + t + "_hash()");
    write_fiscal_rows();
    run("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_cont_red_z, num_coo, "
        "num_cont_reinicio, vl_venda_bruta, sit_blocox) VALUES (1, 7, '2026-12-08', 0, 0, 0, 0, "
        "'P')");
    const std::string open_day = QUERYSQL("SELECT currval('balcora.reg60m_id_reg60m_seq');");
    run("UPDATE balcora.cfg SET seqatual=1005, dataatual2=''");

    ASSERT_EQ(LEARQUIVOSQL((db::shipped_scripts_dir() / "balcora2.sql").string(), 2, "balcora"), 1);
    expect_intact("reg60m", open_day);
    EXPECT_EQ(QUERYSQL("SELECT to_char(dt_emissao,'YYYY-MM-DD')||' '||hr_emissao FROM "
                       "balcora.reg60m WHERE id_reg60m=" +
                       open_day),
              "1800-12-28 00:00:00");
    for (const auto& [table, id] : std::map<std::string, std::string>{
             {"reg60m", reg60m_}, {"reg60a", reg60a_}, {"nf", nf_}, {"nfdet", nfdet_}}) {
        const std::string column = table == "reg60a"  ? "vl_acumulado"
                                   : table == "nf"    ? "vl_total"
                                   : table == "nfdet" ? "vl_unitario"
                                                      : "vl_venda_bruta";
        run("UPDATE balcora." + table + " SET " + column + "=" + column + "+1 WHERE id_" + table +
            "=" + id);
        EXPECT_NE(stored(table, id), recomputed(table, id)) << table << " was sealed again";
    }
}

}  // namespace balcora::test
