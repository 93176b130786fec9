#include "sale/stock_date_mark.h"

#include "db/settings.h"
#include "support/test_database.h"

namespace balcora::test {

class StockDateMark : public DbTest {
  protected:
    std::string mark() { return LEREGISTRO("balcora", "PAF-ECF", "Data Estoque", "unset"); }
};

TEST_F(StockDateMark, MovesTheNextExportBackToAnEarlierDayOnly) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Data Estoque", "2026-12-09"));
    EXPECT_TRUE(GRAVADATAESTOQUE(util::day_number(2026, 12, 10)));
    EXPECT_EQ(mark(), "2026-12-09");
    EXPECT_TRUE(GRAVADATAESTOQUE(util::day_number(2026, 12, 9)));
    EXPECT_EQ(mark(), "2026-12-09");
    EXPECT_TRUE(GRAVADATAESTOQUE(util::day_number(2026, 11, 30)));
    EXPECT_EQ(mark(), "2026-11-30");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(StockDateMark, AnUnsetOrUnreadableMarkAndANonDateChangeNothing) {
    EXPECT_TRUE(GRAVADATAESTOQUE(util::day_number(2026, 12, 7)));
    EXPECT_EQ(mark(), "unset");

    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Data Estoque", "ontem"));
    EXPECT_TRUE(GRAVADATAESTOQUE(util::day_number(2026, 12, 7)));
    EXPECT_EQ(mark(), "ontem");

    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Data Estoque", "2026-12-09"));
    EXPECT_TRUE(GRAVADATAESTOQUE(0));
    EXPECT_EQ(mark(), "2026-12-09");
}

}  // namespace balcora::test
