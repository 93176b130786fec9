// Pre-sales from the back office turned into coupons: issued end to end,
// given up (issued and cancelled), and a back office that fails in the
// middle, with nothing lost and nothing half issued.
#include "backoffice/back_office_procedures.h"
#include "backoffice/pre_sale_fixture.h"
#include "backoffice/pre_sale_rules.h"
#include "backoffice/pre_sale_screen.h"
#include "backoffice/pre_sale_updates.h"
#include "db/settings.h"
#include "sale/coupon_cancellation.h"
#include "support/amounts.h"

namespace balcora::test {

namespace {

using backoffice::PreSaleScreen;

class PreSale : public BackOfficeFixture {
  protected:
    void SetUp() override {
        BackOfficeFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        add_product(9101, "9101", "", "10.00");
        add_product(9102, "9102", "", "15.50");
        bo("INSERT INTO gestao.empresa (id_empresa, id_matriz) VALUES (1, 1), (9001, 1)");
        bo("INSERT INTO kontora.clientes (id_cliente, id_empresa, razao) VALUES (1, 1, "
           "'CLIENTE UM'), (2, 1, 'CLIENTE DOIS')");
        bo("INSERT INTO gestao.formapag (id_formapag, id_empresa, codigo, descr, numparc, arred, "
           "ind_formapag) VALUES (1, 1, 1, 'À VISTA', 1, 0.01, 0), (2, 1, 2, '30/60 DIAS', 2, "
           "1.00, 1)");
        bo("INSERT INTO gestao.prazopag (id_formapag, numparc, prazo, porpag) VALUES (1, 1, 0, "
           "100), (2, 1, 30, 50), (2, 2, 60, 50)");
        // Two orders of today already numbered (one without a number).
        bo("INSERT INTO kontora.pedidos (id_pedido, id_empresa, num_pv, numero, data, situa, "
           "numero_dia) VALUES (90, 1, 0, 4090, '2026-12-07', 3, 3), (91, 1, 0, 4091, "
           "'2026-12-07', 3, NULL)");
        // Pre-sale 10, of yesterday: 2 x 10.00 + 15.50 = 35.50, paid 5.49 in
        // cash, a cheque of 10.00, a title of 10.00 and 10.01 on the terms.
        order(10, 10, 5010, "'2026-12-06'", "35.50", 2, "0");
        bo("INSERT INTO kontora.peditens (id_pedido, ordem, produ, qtd, pruni, descv, total, "
           "comis, vl_desconto, status) VALUES (10, 1, 9101, 2, 10.00, 0, 20.00, 1.00, 0, 0), "
           "(10, 2, 9102, 1, 15.50, 0, 15.50, 0.50, 0, 0)");
        bo("INSERT INTO kontora.recbtos (id_pedido, forma, valor, docto, bom) VALUES (10, 1, "
           "5.49, '', NULL), (10, 2, 10.00, '123', '2026-12-20')");
        bo("INSERT INTO kontora.ctr (id_empresa, id_pedido, prefixo, numero, docto, vecto, valor, "
           "situacao) VALUES (1, 10, 'PV', '5010-1', 'PV 5010', '2026-12-30', 10.00, 'A'), "
           "(9001, 110, 'PV', '5010-1', 'PV 5010', '2026-12-30', 10.00, 'A')");
        // Pre-sale 11, of today: one item with a 1.00 discount, paid in cash.
        order(11, 11, 5011, "'2026-12-07'", "9.00", 1, "1.00");
        bo("INSERT INTO kontora.peditens (id_pedido, ordem, produ, qtd, pruni, descv, total, "
           "comis, vl_desconto, status) VALUES (11, 1, 9101, 1, 10.00, 1.00, 9.00, 0, 1.00, 0)");
        bo("INSERT INTO kontora.recbtos (id_pedido, forma, valor, docto, bom) VALUES (11, 1, "
           "9.00, '', NULL)");
        backoffice::provide_back_office_procedures(service_port_);
    }
    void order(int id, int num_pv, int numero, const char* data, const char* total, int form,
               const char* discount) {
        bo("INSERT INTO kontora.pedidos (id_pedido, id_empresa, num_pv, numero, data, clien, "
           "total, cod_vendedor, cod_formapag, descv, acrev, situa, mod_docfiscal_vinc) VALUES "
           "(" +
           std::to_string(id) + ", 1, " + std::to_string(num_pv) + ", " + std::to_string(numero) +
           ", " + data + ", 1, " + total + ", 1, " + std::to_string(form) + ", " + discount +
           ", 0, 2, '2D'), (" + std::to_string(id + 100) + ", 9001, " + std::to_string(num_pv) +
           ", " + std::to_string(numero) + ", " + data + ", 1, " + total + ", 1, " +
           std::to_string(form) + ", " + discount + ", 0, 2, '2D')");
    }
    std::string coupon_of(int id_pedido, const std::string& column) {
        return value("SELECT " + column + " FROM balcora.cfiscal WHERE id_pedido=" +
                     std::to_string(id_pedido) + " ORDER BY id_cfiscal DESC LIMIT 1");
    }
    std::string payments_of(int id_pedido) {
        return value(
            "SELECT string_agg(tipo || ' ' || valor || ' ' || data || ' ' || numero || ' ' || "
            "coalesce(nsu, '-'), ', ' ORDER BY ordem) FROM balcora.cfiscalfp WHERE id_cfiscal=" +
            coupon_of(id_pedido, "id_cfiscal"));
    }
    int pending() { return count("balcora.registro WHERE chave LIKE 'ERRO_CF_%'"); }
};

TEST_F(PreSale, IssuedEndToEndWithReceiptsTitleAndTermsAndTheOrderMarkedIssued) {
    PreSaleScreen screen{checkout_};
    ASSERT_TRUE(screen.open()) << testing::PrintToString(messages());
    ASSERT_EQ(screen.rows().size(), 2u);  // the orders numbered 0 are no pre-sales
    EXPECT_EQ(screen.rows()[0].num_pv, 10);
    EXPECT_EQ(screen.rows()[0].razao, "CLIENTE UM");

    prompt_.answer(true);
    ASSERT_TRUE(screen.issue(10)) << testing::PrintToString(messages());
    const std::string coo = coupon_of(10, "numero"), cro = coupon_of(10, "num_cro");
    const std::string pos = value("SELECT numero FROM balcora.maqecf WHERE num_serie='" +
                                  std::string(demo::kPrinterSerial) + "'");
    char nsu[64];
    std::snprintf(nsu, sizeof nsu, "%s.%s.%06d/A", pos.c_str(), cro.c_str(), std::stoi(coo));
    EXPECT_EQ(coupon_of(10, "situacao || ' ' || num_pv || ' ' || total || ' ' || vl_recebido"),
              "E 10 35.50 35.50");
    EXPECT_EQ(count("balcora.cfiscald WHERE id_cfiscal=" + coupon_of(10, "id_cfiscal")), 2);
    // Cash, the cheque, the title under the coupon's number, the remainder
    // of 10.01 over 30/60 days at 50 % in whole reais.
    EXPECT_EQ(payments_of(10),
              "DI 5.49 2026-12-07 0 -, CH 10.00 2026-12-20 123 -, CR 10.00 "
              "2026-12-30 0 " +
                  std::string(nsu) + ", CR 5.00 2027-01-06 0 -, CR 5.01 2027-02-05 0 -");
    EXPECT_NE(paper().find("PV0000000010"), std::string::npos);
    EXPECT_EQ(glo::cf_aberto, 0);

    // The order of yesterday moves to today, numbered after today's last.
    EXPECT_EQ(bo_value("SELECT situa || ' ' || dtemi || ' ' || data || ' ' || numero_dia || ' ' "
                       "|| serie_docfiscal_vinc || ' ' || num_docfiscal_vinc FROM "
                       "kontora.pedidos WHERE id_pedido=10"),
              "3 2026-12-07 2026-12-07 4 " + cro + " " + coo);
    EXPECT_EQ(bo_value("SELECT string_agg(DISTINCT status::text, ',') FROM kontora.peditens "
                       "WHERE id_pedido=10"),
              "5");
    EXPECT_EQ(bo_value("SELECT string_agg(prefixo || ' ' || numero || ' ' || docto, ', ' ORDER "
                       "BY id_empresa) FROM kontora.ctr WHERE numero=" +
                       TXTSQL(nsu)),
              "CF " + std::string(nsu) + " CF " + coo + ", CF " + nsu + " CF " + coo);
    EXPECT_EQ(bo_value("SELECT chave || ' ' || nome FROM kontora.registro"),
              "PREVENDA_000001 NUM_PEDIDO_00005010");
    EXPECT_EQ(bo_value("SELECT descricao FROM gestao.log"), "Emissão CF # " + coo);
    EXPECT_EQ(pending(), 0);
    ASSERT_EQ(screen.rows().size(), 1u);

    // Asked again for the same order: refused before the printer.
    bo("UPDATE kontora.pedidos SET situa=2 WHERE id_pedido=10");
    ASSERT_TRUE(screen.refresh());
    EXPECT_FALSE(screen.issue(10));
    EXPECT_EQ(prompt_.count_containing("já emitido anteriormente"), 1);
}

TEST_F(PreSale, GivenUpIsIssuedThenCancelledAndABrowseCancellationGivesTheOrderBack) {
    PreSaleScreen screen{checkout_};
    ASSERT_TRUE(screen.open());
    prompt_.answer(true);
    ASSERT_TRUE(screen.cancel(11)) << testing::PrintToString(messages());
    const std::string coo = coupon_of(11, "numero");
    EXPECT_EQ(coupon_of(11, "situacao || ' ' || total || ' ' || vl_desconto"), "C 9.00 0.00");
    EXPECT_EQ(value("SELECT vl_desconto FROM balcora.cfiscald WHERE id_cfiscal=" +
                    coupon_of(11, "id_cfiscal")),
              "1.00");  // the discount is the item's, not given twice
    EXPECT_NE(paper().find("PV0000000011"), std::string::npos);
    EXPECT_EQ(bo_value("SELECT situa || ' ' || num_docfiscal_vinc FROM kontora.pedidos WHERE "
                       "id_pedido=11"),
              "4 " + coo);
    EXPECT_EQ(bo_value("SELECT descricao FROM gestao.log"), "Cancelado CF # " + coo);
    EXPECT_EQ(pending(), 0);

    // The coupon browse cancels the last coupon, one of pre-sale 10.
    prompt_.answer(true);
    ASSERT_TRUE(screen.issue(10));
    screen.close();
    const std::int64_t id = std::stoll(coupon_of(10, "id_cfiscal"));
    prompt_.answer(true);  // the store-credit question
    ASSERT_TRUE(sale::cancel_last_coupon(id, sale::CancelFrom::kCouponBrowse))
        << testing::PrintToString(messages());
    EXPECT_EQ(bo_value("SELECT situa FROM kontora.pedidos WHERE id_pedido=10"), "4");
    EXPECT_EQ(bo_value("SELECT string_agg(situacao, ',') FROM kontora.ctr"), "C,C");
    EXPECT_EQ(bo_value("SELECT chave FROM kontora.registro WHERE chave LIKE 'PREVENDACANC%'"),
              "PREVENDACANC_000001");
    EXPECT_EQ(bo_value("SELECT descricao FROM kontora.log"),
              "Cancelado CF # " + coupon_of(10, "numero"));
    EXPECT_EQ(pending(), 0);
}

TEST_F(PreSale, BackOfficeFailingInTheMiddleLosesNothingAndHalfIssuesNothing) {
    // The back office refuses the connection: the window does not open.
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Porta", "1"));
    {
        PreSaleScreen screen{checkout_};
        EXPECT_FALSE(screen.open());
    }
    ASSERT_TRUE(
        GRAVAREGISTRO("balcora", "PAF-ECF", "Porta", value("SELECT current_setting('port')")));

    // A total that does not match the items: refused before the printer.
    bo("UPDATE kontora.pedidos SET total=36.00 WHERE id_pedido=10");
    PreSaleScreen screen{checkout_};
    ASSERT_TRUE(screen.open());
    prompt_.answer(true);
    EXPECT_FALSE(screen.issue(10));
    EXPECT_EQ(prompt_.count_containing("não confere com a soma dos itens"), 1);
    EXPECT_EQ(count("balcora.cfiscal"), 0);
    bo("UPDATE kontora.pedidos SET total=35.50 WHERE id_pedido=10");
    // An item without its quantity: refused the same way.
    bo("UPDATE kontora.peditens SET qtd=NULL WHERE id_pedido=10 AND ordem=2");
    prompt_.answer(true);
    EXPECT_FALSE(screen.issue(10));
    EXPECT_EQ(prompt_.count_containing("Quantidade ou preço inválido"), 1);
    EXPECT_EQ(count("balcora.cfiscal"), 0);
    bo("UPDATE kontora.peditens SET qtd=1 WHERE id_pedido=10 AND ordem=2");

    // The back office drops the link while the titles are renamed: the open
    // coupon is cancelled on the printer and the order keeps waiting.
    bo("CREATE FUNCTION kontora.drop_link() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
       "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$");
    bo("CREATE TRIGGER drop_link BEFORE UPDATE ON kontora.ctr FOR EACH ROW EXECUTE PROCEDURE "
       "kontora.drop_link()");
    prompt_.answer(true);
    EXPECT_FALSE(screen.issue(10));
    EXPECT_EQ(prompt_.count_containing("interrompida na etapa: pagamentos"), 1);
    EXPECT_EQ(coupon_of(10, "situacao"), "C");
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(bo_value("SELECT situa FROM kontora.pedidos WHERE id_pedido=10"), "2");
    EXPECT_EQ(pending(), 0);
    bo("DROP TRIGGER drop_link ON kontora.ctr");

    // The order's update fails after the coupon was closed (the link is
    // opened again first): the back office keeps none of it, the pending
    // record keeps the outcome.
    bo("CREATE FUNCTION kontora.refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE "
       "EXCEPTION 'retaguarda fora do ar'; END $$");
    bo("CREATE TRIGGER refuse BEFORE UPDATE ON kontora.peditens FOR EACH ROW EXECUTE "
       "PROCEDURE kontora.refuse()");
    prompt_.clear();
    prompt_.answer(true);
    ASSERT_TRUE(screen.issue(10));
    const std::string id = coupon_of(10, "id_cfiscal");
    EXPECT_EQ(coupon_of(10, "situacao"), "E");
    EXPECT_EQ(pending(), 1);
    EXPECT_EQ(value("SELECT chave || ' ' || nome || ' ' || valor FROM balcora.registro WHERE "
                    "chave LIKE 'ERRO_CF_%'"),
              backoffice::pending_key(std::stoll(id), backoffice::OrderOutcome::kIssued) + " ID_" +
                  std::string(8 - id.size(), '0') + id + " " + std::string(8 - id.size(), '0') +
                  id);
    // Still held by this checkout: no other one lists it meanwhile.
    EXPECT_EQ(bo_value("SELECT situa FROM kontora.pedidos WHERE id_pedido=10"), "5");
    EXPECT_EQ(bo_value("SELECT count(*) FROM gestao.log"), "0");
    screen.close();

    // At the next opening the retry succeeds, once.
    bo("DROP TRIGGER refuse ON kontora.peditens");
    PreSaleScreen again{checkout_};
    ASSERT_TRUE(again.open());
    EXPECT_EQ(pending(), 0);
    EXPECT_EQ(bo_value("SELECT situa || ' ' || numero_dia FROM kontora.pedidos WHERE "
                       "id_pedido=10"),
              "3 4");
    EXPECT_EQ(bo_value("SELECT count(*) FROM gestao.log"), "1");
    EXPECT_EQ(again.rows().size(), 1u);
}

// Outcomes the back office has not taken yet hold their order back, and are
// given to it in the order they happened: a stale cancellation never undoes
// a later coupon of the same order.
TEST_F(PreSale, PendingOutcomesHoldTheOrderBackAndAreRetriedInTheOrderTheyHappened) {
    // The claim goes through; the outcome does not.
    bo("CREATE FUNCTION kontora.refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF "
       "NEW.situa IN (3, 4) THEN RAISE EXCEPTION 'retaguarda fora do ar'; END IF; RETURN NEW; "
       "END $$");
    bo("CREATE TRIGGER refuse BEFORE UPDATE ON kontora.pedidos FOR EACH ROW EXECUTE "
       "PROCEDURE kontora.refuse()");
    const std::int64_t first = [&] {
        PreSaleScreen screen{checkout_};
        EXPECT_TRUE(screen.open());
        prompt_.answer(true);
        EXPECT_TRUE(screen.issue(11));
        return std::stoll(coupon_of(11, "id_cfiscal"));
    }();
    prompt_.answer(true);
    ASSERT_TRUE(sale::cancel_last_coupon(first, sale::CancelFrom::kCouponBrowse))
        << testing::PrintToString(messages());
    EXPECT_EQ(pending(), 2);

    // The order stays claimed by this checkout, out of every list.
    EXPECT_EQ(bo_value("SELECT situa FROM kontora.pedidos WHERE id_pedido=11"), "5");
    // Put back to waiting by hand, yet no second coupon is made for it while
    // its updates are pending.
    bo("UPDATE kontora.pedidos SET situa=2 WHERE id_pedido=11");
    PreSaleScreen screen{checkout_};
    ASSERT_TRUE(screen.open());
    prompt_.clear();
    prompt_.answer(true);
    EXPECT_FALSE(screen.issue(11));
    EXPECT_EQ(prompt_.count_containing("ainda não atualizado na retaguarda"), 1);
    EXPECT_EQ(count("balcora.cfiscal WHERE id_pedido=11"), 1);
    screen.close();

    // As an earlier version left it: a second coupon issued while the first
    // one's cancellation was still pending.
    using backoffice::OrderOutcome;
    for (OrderOutcome o : {OrderOutcome::kIssued, OrderOutcome::kCancelled})
        ASSERT_TRUE(backoffice::delete_pending_update(first, o));
    {
        PreSaleScreen reissue{checkout_};
        ASSERT_TRUE(reissue.open());
        prompt_.answer(true);
        ASSERT_TRUE(reissue.issue(11)) << testing::PrintToString(messages());
    }
    for (OrderOutcome o : {OrderOutcome::kIssued, OrderOutcome::kCancelled})
        ASSERT_TRUE(backoffice::record_pending_update(first, o));
    const std::string second_coo = coupon_of(11, "numero");
    EXPECT_EQ(pending(), 3);

    bo("DROP TRIGGER refuse ON kontora.pedidos");
    PreSaleScreen retried{checkout_};
    ASSERT_TRUE(retried.open());
    EXPECT_EQ(pending(), 0);
    EXPECT_EQ(bo_value("SELECT situa || ' ' || num_docfiscal_vinc FROM kontora.pedidos WHERE "
                       "id_pedido=11"),
              "3 " + second_coo);
}

class DemoPreSales : public BackOfficeFixture {
  protected:
    bool demo_back_office() const override { return true; }
};

// What a new user meets first: every pre-sale of the demonstration passes
// the checks and is issued, the order marked issued in the back office.
TEST_F(DemoPreSales, EveryDemoPreSaleIsIssued) {
    PreSaleScreen screen{checkout_};
    ASSERT_TRUE(screen.open()) << testing::PrintToString(messages());
    ASSERT_EQ(screen.rows().size(), 3u);
    while (!screen.rows().empty()) {
        const std::int32_t id = screen.rows().front().id_pedido;
        prompt_.answer(true);
        ASSERT_TRUE(screen.issue(id)) << id << testing::PrintToString(messages());
        EXPECT_EQ(
            bo_value("SELECT situa FROM kontora.pedidos WHERE id_pedido=" + std::to_string(id)),
            "3");
    }
    EXPECT_EQ(count("balcora.cfiscal WHERE situacao='E' AND id_pedido IS NOT NULL"), 3);
    EXPECT_EQ(count("balcora.registro WHERE chave LIKE 'ERRO_CF_%'"), 0);
}

// A back office on UTF-8 refuses TO_ASCII: the payment form is read
// without it and its accents are taken off here.
TEST_F(DemoPreSales, PaymentFormReadFromAServerWhereToAsciiFails) {
    std::string error;
    auto admin = db::PgConnection::open(template_conninfo() + " dbname=postgres", &error);
    ASSERT_TRUE(admin) << error;
    const std::string name = back_office_->name() + "_utf8";
    ASSERT_TRUE(
        admin->exec("CREATE DATABASE " + name + " ENCODING 'UTF8' TEMPLATE template0").ok());
    {
        auto utf8 = db::PgConnection::open(template_conninfo() + " dbname=" + name, &error);
        ASSERT_TRUE(utf8) << error;
        ASSERT_TRUE(utf8->exec("CREATE SCHEMA gestao; CREATE TABLE gestao.formapag (id_formapag "
                               "integer, id_empresa integer, codigo integer, descr text); INSERT "
                               "INTO gestao.formapag VALUES (1, 1, 1, 'À VISTA')")
                        .ok());
    }
    backoffice::LinkSettings link = back_office_->link();
    link.database = name;
    {
        backoffice::LinkSession session(link);
        ASSERT_TRUE(session.ok());
        const auto form = backoffice::load_payment_form(1, 1, false);
        ASSERT_TRUE(form);
        EXPECT_EQ(form->descr, "A VISTA");
        EXPECT_TRUE(messages().empty()) << testing::PrintToString(messages());
    }
    admin->exec("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

TEST(PreSaleRules, TermsTitleNumbersDiscountLimitAndClosingLine) {
    using backoffice::PaymentTerm;
    const auto money = [](long long cents) { return util::Money::from_units(cents); };
    EXPECT_EQ(*backoffice::split_over_terms(
                  money(10000), {{1, 30, money(5000)}, {2, 60, money(5000)}}, money(100)),
              (std::vector<util::Money>{money(5000), money(5000)}));
    EXPECT_EQ(*backoffice::split_over_terms(
                  money(10000), {{1, 30, money(3333)}, {2, 60, money(3333)}, {3, 90, money(3333)}},
                  money(1)),
              (std::vector<util::Money>{money(3333), money(3333), money(3334)}));
    EXPECT_FALSE(backoffice::split_over_terms(money(10000), {}, money(1)));
    EXPECT_EQ(backoffice::title_number(1, 2, 1234, 1), "1.2.001234/B");
    const util::Money limit = backoffice::discount_limit("0");
    EXPECT_EQ(limit, money(5000));
    EXPECT_TRUE(backoffice::discount_above(money(600), util::Fixed<3>::from_units(10000),
                                           util::Quantity::from_units(1000), limit));
    EXPECT_FALSE(backoffice::discount_above(money(500), util::Fixed<3>::from_units(10000),
                                            util::Quantity::from_units(1000), limit));
    EXPECT_EQ(backoffice::pre_sale_closing_message(7, {}, {}, {}, "X"),
              "PV0000000007" + std::string(36, ' '));
}

}  // namespace

}  // namespace balcora::test
