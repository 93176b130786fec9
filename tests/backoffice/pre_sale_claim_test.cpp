// A pre-sale is claimed in the back office before the printer takes any of
// it: an order another checkout holds, or a back office that cannot be told,
// leaves this checkout's printer untouched; a coupon that is not issued gives
// the order back as it was.
#include "backoffice/pre_sale_fixture.h"
#include "backoffice/pre_sale_screen.h"
#include "ecf/printer_commands.h"

namespace balcora::test {

namespace {

class PreSaleClaim : public BackOfficeFixture {
  protected:
    bool demo_back_office() const override { return true; }
    std::string order_state() {
        return bo_value(
            "SELECT situa || ' ' || coalesce(serie_docfiscal_vinc::text, '-') FROM "
            "kontora.pedidos WHERE id_pedido=3");
    }
};

TEST_F(PreSaleClaim, RefusedBeforeThePrinterWhenHeldElsewhereOrUntoldAndGivenBackWhenNotIssued) {
    backoffice::PreSaleScreen screen{checkout_};
    ASSERT_TRUE(screen.open()) << testing::PrintToString(messages());
    const std::string paper_before = paper();

    // Checkout 7 claimed it after this list was read.
    bo("UPDATE kontora.pedidos SET situa=5, serie_docfiscal_vinc=7 WHERE id_pedido=3");
    prompt_.answer(true);
    EXPECT_FALSE(screen.issue(3));
    EXPECT_EQ(prompt_.count_containing("está sendo emitida no caixa da ECF nº 7"), 1)
        << testing::PrintToString(messages());
    // The command line names it by its number, off the list now.
    EXPECT_FALSE(screen.order_of(3).has_value());
    EXPECT_EQ(prompt_.count_containing("está sendo emitida no caixa da ECF nº 7"), 2);

    // Waiting again, but the back office refuses the claim: nothing printed.
    bo("UPDATE kontora.pedidos SET situa=2, serie_docfiscal_vinc=42 WHERE id_pedido=3");
    bo("CREATE FUNCTION kontora.refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE "
       "EXCEPTION 'retaguarda fora do ar'; END $$");
    bo("CREATE TRIGGER refuse BEFORE UPDATE ON kontora.pedidos FOR EACH ROW EXECUTE PROCEDURE "
       "kontora.refuse()");
    ASSERT_TRUE(screen.refresh());
    prompt_.clear();
    prompt_.answer(true);
    EXPECT_FALSE(screen.issue(3));
    EXPECT_EQ(prompt_.count_containing("não pôde ser reservada na retaguarda"), 1)
        << testing::PrintToString(messages());
    bo("DROP TRIGGER refuse ON kontora.pedidos");

    // Claimed, then the printer refuses an item: the coupon is cancelled and
    // the order waits again with what it held.
    EXPECT_EQ(count("balcora.cfiscal"), 0);
    EXPECT_EQ(paper(), paper_before);
    refuse_next(ecf::CMD_SELL_ITEM);
    prompt_.answer(true);
    EXPECT_FALSE(screen.issue(3));
    EXPECT_EQ(value("SELECT situacao FROM balcora.cfiscal WHERE id_pedido=3"), "C");
    EXPECT_EQ(order_state(), "2 42");

    // Issued at last: the claim gives way to the coupon's CRO and COO.
    prompt_.answer(true);
    ASSERT_TRUE(screen.issue(3)) << testing::PrintToString(messages());
    EXPECT_EQ(order_state(), "3 " + value("SELECT num_cro FROM balcora.cfiscal WHERE "
                                          "id_pedido=3 AND situacao='E'"));
    EXPECT_EQ(value("SELECT count(*) FROM balcora.registro WHERE chave='PAF-ECF' AND "
                    "nome='PreVendaReservada' AND "
                    "trim(valor)<>''"),
              "0");
}

}  // namespace

}  // namespace balcora::test
