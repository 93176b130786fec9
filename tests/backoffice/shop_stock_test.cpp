// The stock movements of a shop's checkouts in one back office: each
// checkout replaces only its own, whoever exports first, and what a checkout
// sold while the back office was away arrives once it is back, once.
#include "backoffice/shop_fixture.h"
#include "backoffice/stock_export.h"
#include "db/settings.h"
#include "sale/stock_date_mark.h"

namespace balcora::test {

namespace {

class ShopStock : public ShopCheckoutsFixture {
  protected:
    void SetUp() override {
        ShopCheckoutsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (int id : {9101, 9102})
            add_product(id, std::to_string(id), demo::ean13("78900000" + std::to_string(id)),
                        "10.00");
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Data Estoque", "2026-12-05"));
        first_ = db_.name();
        second_ = add_checkout(2);
    }
    void sell(int coupon, const char* day, int product, const char* quantity) {
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cfiscal (id_cfiscal, id_empresa, numero, data, "
                           "situacao) VALUES (" +
                           std::to_string(coupon) + ", 1, " + std::to_string(coupon) + ", '" + day +
                           "', 'E');"),
                  "1");
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, "
                           "qtdade, item_cancelado) VALUES (" +
                           std::to_string(coupon) + ", 1, " + std::to_string(product) + ", " +
                           quantity + ", 0);"),
                  "1");
        ASSERT_TRUE(GRAVADATAESTOQUE(util::parse_iso_date(day)));
    }
    bool export_stock() {
        backoffice::StockExportScreen screen(backoffice::ExportMode::kAutomatic);
        screen.open();
        return screen.run();
    }
    // What the back office holds: product, day and the quantity of all rows.
    std::string totals() {
        return bo_value(
            "SELECT string_agg(id_produto || '@' || to_char(data, 'DD') || '=' || q, ' ' ORDER BY "
            "id_produto, data) FROM (SELECT id_produto, data, sum(qtdade) AS q FROM "
            "gestao.estmovto WHERE origem_prefixo='PDV' GROUP BY id_produto, data) t");
    }
    std::string first_, second_;
};

TEST_F(ShopStock, TwoCheckoutsExportingTheSameDayInEitherOrderLeaveTheSum) {
    use(first_);
    sell(1, "2026-12-05", 9101, "2.000");
    use(second_);
    sell(1, "2026-12-05", 9101, "3.000");
    sell(2, "2026-12-05", 9102, "1.000");
    for (const auto& order : {std::vector{first_, second_}, std::vector{second_, first_}}) {
        for (const auto& checkout : order) {
            use(checkout);
            // Each run starts from the same day again, as a late sale makes it.
            ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Data Estoque", "2026-12-05"));
            ASSERT_TRUE(export_stock()) << testing::PrintToString(messages());
        }
        EXPECT_EQ(totals(), "9101@05=5.000 9102@05=1.000");
    }
    // Each checkout's rows carry its printer's number.
    EXPECT_EQ(bo_value("SELECT string_agg(DISTINCT origem_seq::text, ',') FROM gestao.estmovto"),
              "1,2");
}

TEST_F(ShopStock, SalesMadeWhileTheBackOfficeIsAwayArriveOnceWhenItIsBack) {
    use(first_);
    const backoffice::LinkSettings reachable = back_office_->link();
    backoffice::LinkSettings away = reachable;
    away.porta = 1;  // nothing listens there
    ASSERT_TRUE(backoffice::write_link_settings(away));
    sell(1, "2026-12-05", 9101, "1.000");
    EXPECT_FALSE(export_stock());
    sell(2, "2026-12-06", 9102, "2.000");
    sell(3, "2026-12-07", 9101, "4.000");
    EXPECT_FALSE(export_stock());
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "Data Estoque"), "2026-12-05");
    EXPECT_EQ(totals(), "");

    ASSERT_TRUE(backoffice::write_link_settings(reachable));
    ASSERT_TRUE(export_stock()) << testing::PrintToString(messages());
    EXPECT_EQ(totals(), "9101@05=1.000 9101@07=4.000 9102@06=2.000");
    EXPECT_EQ(bo_value("SELECT string_agg(to_char(data, 'DD') || ':' || origem_ordem, ' ' ORDER BY "
                       "id_estmovto) FROM gestao.estmovto"),
              "05:1 06:1 07:1");

    // A sale of the open day registered by another process of this checkout
    // while the export runs is sent by the next run, and nothing twice.
    backoffice::StockExportScreen screen(backoffice::ExportMode::kAutomatic);
    screen.open();
    bool sold = false;
    screen.on_status([&](const std::string& status) {
        if (sold || status != "Atualizando estoque no Balcora...") return;
        sold = true;
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cfiscal (id_cfiscal, id_empresa, numero, data, "
                           "situacao) VALUES (4, 1, 4, '2026-12-07', 'E');"),
                  "1");
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, "
                           "qtdade, item_cancelado) VALUES (4, 1, 9101, 1.000, 0);"),
                  "1");
    });
    ASSERT_TRUE(screen.run());
    ASSERT_TRUE(sold);
    ASSERT_TRUE(export_stock());
    EXPECT_EQ(totals(), "9101@05=1.000 9101@07=5.000 9102@06=2.000");
}

}  // namespace
}  // namespace balcora::test
