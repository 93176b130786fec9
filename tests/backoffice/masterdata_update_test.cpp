#include "backoffice/masterdata_screen.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "demo/demo_data.h"
#include "support/test_backoffice.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

namespace balcora {
namespace {

using backoffice::MasterDataScreen;

class MasterDataUpdateTest : public test::DbTest {
  protected:
    MasterDataUpdateTest() {
        bo_.point_settings();
        // Dates under the test's control: everything last changed in November.
        bo_.exec("UPDATE kontora.produto SET data_atual='2026-11-01'");
        bo_.exec("UPDATE kontora.clientes SET data_atual='2026-11-01'");
        bo_.exec("UPDATE gestao.municipio SET dt_atual='2026-11-01'");
    }

    bool update(bool changed_only, const std::string& since = "2026-12-01") {
        GRAVAREGISTRO("balcora", "atbalcora", "tp_atual", changed_only ? "1" : "0");
        GRAVAREGISTRO("balcora", "atbalcora", "dt_atual", since);
        screen_.open();
        return screen_.atualizar();
    }

    std::string local(const std::string& query) { return QUERYSQL(query); }

    // What the operator was told, for a failure's explanation.
    std::string shown() const {
        std::string all;
        for (const auto& s : prompt_.shown()) all += s.title + ": " + s.text + "\n";
        return all;
    }

    long long result(const std::string& table, bool inserted) {
        for (const auto& r : screen_.results())
            if (r.table == table) return inserted ? r.inserted : r.updated;
        return -1;
    }

    test::TestBackOffice bo_;
    MasterDataScreen screen_{demo::kPrinterSerial,
                             [](const std::string&, std::string*) { return "127.0.0.1"; }};
};

// A first full update fills an empty checkout under the product rules; a
// changed-only one then takes only what changed since the last date, and
// stock always.
TEST_F(MasterDataUpdateTest, FullThenChangedOnlyUpdate) {
    // Code from the id, short barcodes from the code, an inactive product, a
    // product whose NCM has no approximate-tax rate.
    bo_.exec(
        "INSERT INTO kontora.produto (id, codigo, codigo_barras, nome, unida, categ, "
        "preco_venda1, preco_venda2, preco_venda3, ativo, data_atual, cod_st, cod_ncm, ex_tipi, "
        "cest) VALUES (45, '', '', 'PRODUTO SEM CODIGO', 'UN', 1, 1, 1, 1, 1, '2026-11-01', 1, "
        "9012100, '', 0), (46, '123', '789', 'CODIGO CURTO', 'UN', 1, 2, 2, 2, 1, '2026-11-01', "
        "1, 9012100, '', 0), (47, '000047', '', 'FORA DE LINHA', 'UN', 1, 3, 3, 3, 0, "
        "'2026-11-01', 1, 9012100, '', 0), (48, '000048', '', 'SEM IBPT', 'UN', 1, 4, 4, 4, 1, "
        "'2026-11-01', 1, 99999999, '01', 0)");
    ASSERT_TRUE(update(false)) << shown();
    EXPECT_EQ(result("PRODUTO", true), 18);
    EXPECT_EQ(result("CLIENTE", true), 5);
    EXPECT_EQ(local("SELECT codigo || ' ' || codigo_barras FROM balcora.produto WHERE "
                    "id_produto=45"),
              "000045 00000000000045");
    EXPECT_EQ(local("SELECT codigo_barras FROM balcora.produto WHERE id_produto=46"),
              "00000000000123");
    EXPECT_EQ(local("SELECT ativo FROM balcora.produto WHERE id_produto=47"), "0");
    EXPECT_EQ(local("SELECT ippt || preco_venda1 FROM balcora.produto WHERE id_produto=14"),
              "P59.90");
    EXPECT_EQ(local("SELECT count(*) FROM balcora.itp WHERE id_produto=14"), "4");
    EXPECT_EQ(local("SELECT ecf_cod_st || ' ' || aliq_federal FROM balcora.produto WHERE "
                    "id_produto=1"),
              "01 13.45");
    EXPECT_EQ(local("SELECT count(*) FROM balcora.codbarra WHERE id_produto=2"), "1");
    EXPECT_EQ(local("SELECT ativa FROM balcora.empresa WHERE id_empresa=1"), "1");
    EXPECT_EQ(local("SELECT num_serie FROM balcora.maqecf"), demo::kPrinterSerial);
    EXPECT_EQ(prompt_.count_containing("NCM 99999999 Ex: 01 não encontrado na tabela IPBTax!|"
                                       "Produto: 48 SEM IBPT"),
              1);
    EXPECT_EQ(prompt_.count_containing("NCM 9012100"), 0);
    // The company arrives without a stock date and the printer without a day:
    // both still verify, so a file made now marks nothing.
    for (const char* table : {"produto", "empresa", "maqecf"}) {
        const auto rows = db::verify_hashes(table);
        EXPECT_FALSE(rows.empty()) << table;
        for (const auto& [id, intact] : rows) EXPECT_TRUE(intact) << table << " " << id;
    }
    EXPECT_EQ(LEREGISTRO("balcora", "atbalcora", "dt_atual"), "2026-12-07");

    // The day changes: the printer's day state here is the driver's.
    QUERYSQL("UPDATE balcora.maqecf SET situacao='A', data_sit='2026-12-07'");
    bo_.exec("UPDATE kontora.produto SET preco_venda1=9.49, data_atual='2026-12-02' WHERE id=3");
    bo_.exec("UPDATE kontora.produto SET preco_venda1=99.99, data_atual='2026-11-30' WHERE id=4");
    bo_.exec("UPDATE kontora.produto SET ativo=0, data_atual='2026-12-02' WHERE id=6");
    bo_.exec("UPDATE kontora.estoque SET qtdade=77 WHERE id_produto=5");
    bo_.exec(
        "UPDATE kontora.clientes SET razao='JOAO DA SILVA NETO', data_atual='2026-12-03' "
        "WHERE codigo=1");
    bo_.exec(
        "UPDATE kontora.clientes SET razao='ALTERADO ANTES', data_atual='2026-11-30' "
        "WHERE codigo=2");
    bo_.exec("UPDATE kontora.clientes SET razao='SEM DATA', data_atual=NULL WHERE codigo=3");
    prompt_.clear();
    ASSERT_TRUE(update(true, "2026-12-01")) << shown();
    EXPECT_EQ(result("PRODUTO", true), 0);
    EXPECT_EQ(result("PRODUTO", false), 3);
    EXPECT_EQ(local("SELECT preco_venda1 FROM balcora.produto WHERE id_produto=3"), "9.49");
    EXPECT_EQ(local("SELECT preco_venda1 FROM balcora.produto WHERE id_produto=4"), "7.49");
    EXPECT_EQ(local("SELECT ativo FROM balcora.produto WHERE id_produto=6"), "0");
    EXPECT_EQ(local("SELECT qtd_estoque FROM balcora.produto WHERE id_produto=5"), "77.00");
    EXPECT_EQ(local("SELECT razao FROM balcora.cliente WHERE id_cliente=1"), "JOAO DA SILVA NETO");
    EXPECT_EQ(local("SELECT razao FROM balcora.cliente WHERE id_cliente=2"),
              "MARIA APARECIDA SANTOS");
    EXPECT_EQ(local("SELECT razao FROM balcora.cliente WHERE id_cliente=3"),
              "JOSE D'AVILA PEREIRA");
    EXPECT_EQ(result("CLIENTE", false), 1);
    EXPECT_EQ(local("SELECT situacao || data_sit FROM balcora.maqecf"), "A2026-12-07");
    for (const auto& [id, intact] : db::verify_hashes("produto")) EXPECT_TRUE(intact) << id;
}

// A fresh installation has never updated: its first update takes every
// client and municipality, however long ago they were registered, though
// "only what changed" is on by default. A date typed in is then honoured.
TEST_F(MasterDataUpdateTest, TheFirstUpdateOfAnInstallationTakesEverything) {
    screen_.open();
    EXPECT_TRUE(screen_.options.tp_atual);
    EXPECT_EQ(screen_.options.dt_atual, 0);
    ASSERT_TRUE(screen_.atualizar()) << shown();
    EXPECT_EQ(result("CLIENTE", true), 5);
    EXPECT_GT(result("MUNICIPIO", true) + result("MUNICIPIO", false), 0);
    EXPECT_EQ(LEREGISTRO("balcora", "atbalcora", "dt_atual"), "2026-12-07");

    bo_.exec("UPDATE kontora.clientes SET razao='ALTERADO EM NOVEMBRO' WHERE codigo=2");
    screen_.open();
    screen_.options.dt_atual = util::day_number(2026, 11, 1);
    ASSERT_TRUE(screen_.atualizar()) << shown();
    EXPECT_EQ(local("SELECT razao FROM balcora.cliente WHERE id_cliente=2"),
              "ALTERADO EM NOVEMBRO");
}

// A client keyed at this checkout and later registered in the back office
// with the same CPF (there without punctuation) takes the back office's code,
// and its coupons follow; a client without CPF is nobody's twin.
TEST_F(MasterDataUpdateTest, CheckoutClientTakesItsBackOfficeCode) {
    QUERYSQL(
        "INSERT INTO balcora.cliente (id_cliente, ativo, cgcpf, razao, id_municipio) VALUES "
        "(950001, 1, '111.222.333-96', 'CLIENTE DO CAIXA', 3550308), (950002, 1, '', "
        "'SEM DOCUMENTO', 3550308)");
    QUERYSQL(
        "INSERT INTO balcora.cfiscal (id_empresa, id_cliente, situacao, total) VALUES (1, "
        "950001, 'E', 10), (1, 950001, 'E', 20), (1, 950002, 'E', 30)");
    bo_.exec(
        "INSERT INTO kontora.clientes (id_cliente, id_empresa, codigo, data_atual, ativo, "
        "pesso, cgcpf, razao, id_municipio) VALUES (321, 1, 321, '2026-12-05', 1, 2, "
        "'11122233396', 'CLIENTE DO CAIXA CADASTRADO', 3550308), (322, 1, 322, "
        "'2026-12-05', 1, 2, '', 'OUTRO SEM DOCUMENTO', 3550308)");
    ASSERT_TRUE(update(true)) << shown();
    EXPECT_EQ(local("SELECT count(*) FROM balcora.cliente WHERE id_cliente=950001"), "0");
    EXPECT_EQ(local("SELECT razao FROM balcora.cliente WHERE id_cliente=321"),
              "CLIENTE DO CAIXA CADASTRADO");
    EXPECT_EQ(local("SELECT count(*) FROM balcora.cfiscal WHERE id_cliente=321"), "2");
    EXPECT_EQ(local("SELECT razao FROM balcora.cliente WHERE id_cliente=950002"), "SEM DOCUMENTO");
    EXPECT_EQ(local("SELECT count(*) FROM balcora.cfiscal WHERE id_cliente=950002"), "1");
}

// A back office that refuses the connection, drops it half-way, or holds a
// client without municipality leaves the checkout exactly as it was.
TEST_F(MasterDataUpdateTest, FailuresRollEverythingBack) {
    GRAVAREGISTRO("balcora", "atbalcora", "porta", "1");
    EXPECT_FALSE(update(false));
    EXPECT_EQ(prompt_.count_containing("Não foi possivel conectar ao servidor |IP: 127.0.0.1"), 1);
    EXPECT_EQ(local("SELECT count(*) FROM balcora.produto"), "0");
    EXPECT_EQ(LEREGISTRO("balcora", "atbalcora", "dt_atual"), "2026-12-01");

    bo_.point_settings();
    screen_.status_hook = [this](const std::string& status) {
        if (status.find("Tabela: VENDEDOR") != std::string::npos)
            bo_.exec(
                "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                "datname=current_database() AND pid<>pg_backend_pid()");
    };
    prompt_.clear();
    EXPECT_FALSE(update(false));
    screen_.status_hook = nullptr;
    EXPECT_EQ(prompt_.count_containing("(VENDEDOR)|Comando SQL:"), 1);
    EXPECT_EQ(prompt_.count_containing("Não foi Possivel atualizar o Banco de Dados do Balcora!"),
              1);
    EXPECT_EQ(local("SELECT count(*) FROM balcora.produto"), "0");
    EXPECT_EQ(local("SELECT count(*) FROM balcora.municipio"), "0");

    bo_.exec("UPDATE kontora.clientes SET id_municipio=NULL WHERE codigo=4");
    prompt_.clear();
    EXPECT_FALSE(update(false));
    EXPECT_EQ(prompt_.count_containing("Favor informar o Municipio no cadastro de Clientes:4"), 1);
    EXPECT_EQ(local("SELECT count(*) FROM balcora.produto"), "0");
}

}  // namespace
}  // namespace balcora
