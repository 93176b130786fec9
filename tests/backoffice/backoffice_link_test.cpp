#include "backoffice/backoffice_link.h"
#include "backoffice/retaguarda_screen.h"
#include "credentials/link_password.h"
#include "credentials/role_password.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/sql_record.h"
#include "support/test_backoffice.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

namespace balcora {
namespace {

using backoffice::exec_linked;
using backoffice::read_linked;

class BackOfficeLinkTest : public test::DbTest {
  protected:
    test::TestBackOffice bo_;
};

// The back office's statements of the pre-sale, master-data and cancellation
// screens run as those screens send them, through the link, on the demo shop.
TEST_F(BackOfficeLinkTest, DemoBackOfficeAnswersTheScreensStatementsThroughTheLink) {
    ASSERT_TRUE(backoffice::open_link(bo_.link()));
    db::SqlRecord r;
    ASSERT_TRUE(read_linked(
        "SELECT a.id_pedido, a.num_pv, a.numero, a.data, a.clien, b.razao, a.total, "
        "a.cod_vendedor, a.cod_formapag, a.descv, a.acrev,c.id_matriz, d.ind_formapag, "
        "e.id_pedido FROM kontora.pedidos A LEFT OUTER JOIN kontora.clientes B ON "
        "(a.clien=b.id_cliente) LEFT OUTER JOIN gestao.empresa C ON (a.id_empresa=c.id_empresa) "
        "LEFT OUTER JOIN gestao.formapag D ON (d.id_empresa=c.id_matriz AND "
        "d.codigo=a.cod_formapag) LEFT OUTER JOIN kontora.pedidos E ON "
        "(e.id_empresa=(a.id_empresa+9000) AND a.num_pv=e.num_pv) WHERE a.id_empresa=1 AND "
        "a.situa=2 AND a.mod_docfiscal_vinc='2D' ORDER BY a.num_pv;",
        "pedido",
        {"id_pedido", "num_pv", "numero", "data", "clien", "razao", "total", "vende",
         "cod_formapag", "vl_desc", "vl_acresc", "id_matriz", "ind_formapag", "id_pedido_ger"},
        r));
    ASSERT_EQ(r.row_count(), 3);
    EXPECT_EQ(r.C(2), "1");
    EXPECT_EQ(r.C(6), "JOAO DA SILVA");
    EXPECT_EQ(r.C(14), "101");  // the shadow company's twin order

    // Store-credit titles of pre-sale 1 find their twins in company 9001.
    ASSERT_TRUE(read_linked(
        "SELECT id_ctr,vecto,valor, (SELECT a.id_ctr FROM kontora.ctr as a WHERE "
        "a.id_empresa=9001 and a.prefixo=kontora.ctr.prefixo and a.numero=kontora.ctr.numero) "
        "FROM kontora.ctr WHERE id_pedido=1 ORDER BY vecto;",
        "ctr", {"id_ctr", "vecto", "valor", "id_ctr2"}, r));
    ASSERT_EQ(r.row_count(), 2);
    EXPECT_FALSE(r.C(4).empty());

    // TO_ASCII needs the back office's single-byte encoding; accents and
    // apostrophes cross the link both ways intact.
    // Values enter the inner statement as this program writes every literal.
    ASSERT_TRUE(
        exec_linked("INSERT INTO gestao.formapag (id_formapag, id_empresa, codigo, descr) "
                    "VALUES (9, 1, 9, " +
                    TXTSQL("CARTÃO D'ÁGUA \\ X") + ")"));
    ASSERT_TRUE(read_linked("SELECT descr, TO_ASCII(descr) FROM gestao.formapag WHERE codigo=9",
                            "f", {"descr", "ascii"}, r));
    EXPECT_EQ(r.C(1), "CARTÃO D'ÁGUA \\ X");
    EXPECT_EQ(r.C(2), "CARTAO D'AGUA \\ X");
    EXPECT_EQ(bo_.value("SELECT descr FROM gestao.formapag WHERE codigo=9"), "CARTÃO D'ÁGUA \\ X");

    // The master-data product query, with its joins over stock, tax rules and
    // approximate taxes.
    ASSERT_TRUE(read_linked(
        "select a.id, a.codigo, coalesce(sum(b.qtdade),0), max(b.data_atual), e.ecf_cod_st, "
        "d.aliq_pis, f.aliqnac from kontora.produto as A left outer join kontora.estoque as B "
        "on(b.id_empresa=1 and a.id=b.id_produto) left outer join kontora.maqecf as C "
        "on(C.id_empresa=1 and C.cpd_ativo='1') left outer join gestao.st as D "
        "on(C.id_empresa=D.id_empresa and A.cod_st=D.codigo) left outer join kontora.stecf as E "
        "on(C.id_maqecf=E.id_maqecf and D.id_st=E.id_st) left outer join gestao.ibptax as F "
        "on(A.cod_ncm::text=F.codigo and coalesce(A.ex_tipi,'')=F.ex and 0=F.tabela) where "
        "a.ativo=a.ativo group by a.id, a.codigo, e.ecf_cod_st, d.aliq_pis, f.aliqnac order by "
        "a.id",
        "p", {"id", "codigo", "qt", "dt", "cod_st", "pis", "aliqnac"}, r));
    ASSERT_EQ(r.row_count(), 14);
    EXPECT_EQ(r.C(5), "01");
    EXPECT_EQ(r.C(7), "13.45");
    backoffice::close_link();
    EXPECT_FALSE(backoffice::link_is_open());
}

// A link left open by an earlier screen is replaced, not refused; a refused
// login is shown without the password and leaves no link behind.
TEST_F(BackOfficeLinkTest, StaleLinkIsReplacedAndRefusedLoginHidesThePassword) {
    ASSERT_TRUE(backoffice::open_link(bo_.link()));
    {
        backoffice::LinkSession again(bo_.link());
        ASSERT_TRUE(again.ok());
        EXPECT_EQ(
            QUERYSQL(backoffice::linked_select("SELECT count(*) FROM kontora.produto", "n", {"n"})),
            "14");
    }
    EXPECT_FALSE(backoffice::link_is_open());

    // The demo's setting: the installation's own password, from its file.
    auto from_file = bo_.link();
    std::string error;
    ASSERT_TRUE(db::write_role_password(root_.root(), from_file.senha, &error)) << error;
    from_file.senha = std::string(backoffice::kPasswordFromFile);
    EXPECT_TRUE(backoffice::open_link(from_file));
    backoffice::close_link();

    auto wrong = bo_.link();
    wrong.senha = "segredo'errado";
    EXPECT_FALSE(backoffice::open_link(wrong));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text.find("segredo"), std::string::npos);
    EXPECT_NE(prompt_.shown()[0].text.find("********"), std::string::npos);
    EXPECT_FALSE(backoffice::link_is_open());

    // A caller that words the failure itself gets it, masked, and nothing is shown.
    db::SqlFailure failure;
    std::string shown;
    EXPECT_FALSE(backoffice::open_link(wrong, {}, &failure, &shown));
    EXPECT_EQ(prompt_.shown().size(), 1u);
    EXPECT_FALSE(failure.text.empty());
    EXPECT_EQ(shown.find("segredo"), std::string::npos);
    EXPECT_NE(shown.find("********"), std::string::npos);

    // A shop's server: its password comes from the checkout's link password
    // file, kept for that address, port, database and user.
    auto shop = bo_.link();
    ASSERT_TRUE(db::keep_link_password(root_.root(), shop.ip, shop.porta, shop.database,
                                       shop.usuario, shop.senha, &error))
        << error;
    ASSERT_TRUE(db::write_role_password(root_.root(), "nao-e-esta", &error)) << error;
    shop.senha = std::string(backoffice::kPasswordFromFile);
    EXPECT_TRUE(backoffice::open_link(shop));
    backoffice::close_link();
}

}  // namespace
}  // namespace balcora

namespace balcora {
namespace {

// "Reseta RET" clears what an old foreign-server set-up left and keeps the
// link's extension, which every database of the program already has.
TEST_F(BackOfficeLinkTest, ResetaRetDropsTheOldSchemaAndKeepsTheLinkWorking) {
    QUERYSQL("CREATE SCHEMA ret");
    QUERYSQL("INSERT INTO balcora.registro (chave, nome, valor) VALUES ('Schema.Ret', 'v', '1')");
    backoffice::RetaguardaScreen screen([] { return true; });
    screen.open();
    EXPECT_TRUE(screen.reseta_ret());
    EXPECT_EQ(prompt_.count_containing("Retaguarda Resetada com Sucesso!"), 1);
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM pg_namespace WHERE nspname='ret'"), "0");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.registro WHERE chave='Schema.Ret'"), "0");
    backoffice::LinkSession link(bo_.link());
    EXPECT_TRUE(link.ok());
}

TEST(BackOfficeLinkAddress, ThisMachineIsReachedByAddressAndOthersByTheirName) {
    backoffice::LinkSettings s;
    s.type = backoffice::ConnectionType::kMachineName;
    for (const char* name : {"localhost", " LOCALHOST ", "127.0.0.1"}) {
        s.servidor = name;
        EXPECT_EQ(backoffice::link_conninfo(s).rfind("hostaddr='127.0.0.1' ", 0), 0u) << name;
    }
    s.servidor = "retaguarda";
    EXPECT_EQ(backoffice::link_conninfo(s).rfind("host='retaguarda' ", 0), 0u);
}

}  // namespace
}  // namespace balcora
