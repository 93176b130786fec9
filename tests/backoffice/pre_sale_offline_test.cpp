// The back office stops taking outcomes for hours (each order was claimed,
// then the link failed): the checkout goes on issuing, giving up and
// cancelling pre-sales, every outcome kept in its pending updates. Once the
// back office is back, every outcome reaches it in the order it happened,
// exactly once, and each order ends as its last outcome left it.
#include "backoffice/back_office_procedures.h"
#include "backoffice/pre_sale_copies.h"
#include "backoffice/pre_sale_fixture.h"
#include "backoffice/pre_sale_screen.h"
#include "sale/coupon_cancellation.h"

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace balcora::test {

namespace {

class PreSaleOffline : public BackOfficeFixture {
  protected:
    bool demo_back_office() const override { return true; }
    std::string last_coupon(const std::string& column) {
        return value("SELECT " + column + " FROM balcora.cfiscal ORDER BY id_cfiscal DESC LIMIT 1");
    }
};

TEST_F(PreSaleOffline, OutcomesOfHoursWithoutTheBackOfficeReachItInOrderExactlyOnce) {
    backoffice::provide_back_office_procedures(service_port_);
    constexpr int kOrders = 12;
    for (int i = 0; i < kOrders; ++i) bo(copy_of_demo_pre_sale(600 + i, 600 + i));
    bo("CREATE FUNCTION kontora.offline() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF "
       "NEW.situa IN (3, 4) THEN RAISE EXCEPTION 'retaguarda fora do ar'; END IF; RETURN NEW; "
       "END $$");
    bo("CREATE TRIGGER offline BEFORE UPDATE ON kontora.pedidos FOR EACH ROW EXECUTE "
       "PROCEDURE kontora.offline()");

    // What the back office must end up told, in order, and each order's end.
    std::vector<std::string> happened;
    std::map<int, std::string> last_state;
    for (int i = 0; i < kOrders; ++i) {
        const int id = 600 + i;
        SCOPED_TRACE("order " + std::to_string(id));
        {
            backoffice::PreSaleScreen screen{checkout_};
            ASSERT_TRUE(screen.open());
            prompt_.answer(true);
            if (i % 4 == 3) {  // the customer gave up
                ASSERT_TRUE(screen.cancel(id)) << testing::PrintToString(messages());
                happened.push_back("Cancelado CF # " + last_coupon("numero"));
                last_state[id] = "4 " + last_coupon("numero");
                continue;
            }
            ASSERT_TRUE(screen.issue(id)) << testing::PrintToString(messages());
        }
        happened.push_back("Emissão CF # " + last_coupon("numero"));
        last_state[id] = "3 " + last_coupon("numero");
        if (i % 4 == 1) {  // then cancelled in the coupon browse
            prompt_.answer(true);
            ASSERT_TRUE(sale::cancel_last_coupon(std::stoll(last_coupon("id_cfiscal")),
                                                 sale::CancelFrom::kCouponBrowse))
                << testing::PrintToString(messages());
            happened.push_back("Cancelado CF # " + last_coupon("numero"));
            last_state[id] = "4 " + last_coupon("numero");
        }
    }
    EXPECT_EQ(count("balcora.registro WHERE chave LIKE 'ERRO_CF_%'"),
              static_cast<int>(happened.size()));
    // Claimed all along: no other checkout could list them meanwhile.
    EXPECT_EQ(bo_value("SELECT count(*) FROM kontora.pedidos WHERE id_pedido >= 600 AND situa=5"),
              std::to_string(kOrders));

    bo("DROP TRIGGER offline ON kontora.pedidos");
    {
        backoffice::PreSaleScreen back{checkout_};
        ASSERT_TRUE(back.open()) << testing::PrintToString(messages());
    }
    // Opened again: nothing left to tell, nothing told twice.
    {
        backoffice::PreSaleScreen again{checkout_};
        ASSERT_TRUE(again.open());
    }
    EXPECT_EQ(count("balcora.registro WHERE chave LIKE 'ERRO_CF_%'"), 0);
    std::vector<std::string> told;
    const std::string log = bo_value(
        "SELECT string_agg(descricao, '|' ORDER BY data, id_log) FROM (SELECT "
        "data, id_log, descricao FROM gestao.log UNION ALL SELECT data, id_log, "
        "descricao FROM kontora.log) l");
    std::stringstream in(log);
    for (std::string line; std::getline(in, line, '|');) told.push_back(line);
    EXPECT_EQ(told, happened);
    for (const auto& [id, state] : last_state)
        EXPECT_EQ(bo_value("SELECT situa || ' ' || num_docfiscal_vinc FROM kontora.pedidos "
                           "WHERE id_pedido=" +
                           std::to_string(id)),
                  state)
            << "order " << id;

    // Back just before the browse cancels a coupon whose issue is still owed:
    // the issue is told first, so the order ends cancelled.
    bo(copy_of_demo_pre_sale(700, 700));
    bo("CREATE TRIGGER offline BEFORE UPDATE ON kontora.pedidos FOR EACH ROW EXECUTE "
       "PROCEDURE kontora.offline()");
    {
        backoffice::PreSaleScreen screen{checkout_};
        ASSERT_TRUE(screen.open());
        prompt_.answer(true);
        ASSERT_TRUE(screen.issue(700));
    }
    bo("DROP TRIGGER offline ON kontora.pedidos");
    prompt_.answer(true);
    ASSERT_TRUE(sale::cancel_last_coupon(std::stoll(last_coupon("id_cfiscal")),
                                         sale::CancelFrom::kCouponBrowse));
    {
        backoffice::PreSaleScreen after{checkout_};
        ASSERT_TRUE(after.open());
    }
    EXPECT_EQ(bo_value("SELECT situa FROM kontora.pedidos WHERE id_pedido=700"), "4");
}

}  // namespace

}  // namespace balcora::test
