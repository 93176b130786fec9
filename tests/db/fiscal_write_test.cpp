#include "db/fiscal_write.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "support/test_database.h"

namespace balcora::test {

class FiscalWrite : public DbTest {
  protected:
    void SetUp() override { DEFINEHASH(); }
    std::string value(const std::string& select) {
        db::SqlRecord rec;
        QUERYSQL(select, rec);
        return std::string(rec.C(1));
    }
    static constexpr const char* kInsertCoupon =
        "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, data, total, "
        "situacao, num_ccf) VALUES (1, 1, 1, 77, '2026-12-07', 10.50, 'E', 12);";
};

TEST_F(FiscalWrite, CommitsRowWithItsHashWhenTheDependentWorkAgrees) {
    std::int64_t seen = 0;
    std::int64_t id = db::write_fiscal_row("cfiscal", kInsertCoupon, [&](std::int64_t new_id) {
        seen = new_id;
        // Inside the transaction the row already carries its hash.
        return !value("SELECT hash FROM balcora.cfiscal WHERE id_cfiscal=" + std::to_string(new_id))
                    .empty();
    });
    ASSERT_GT(id, 0);
    EXPECT_EQ(id, seen);
    EXPECT_EQ(value("SELECT count(*) FROM balcora.cfiscal"), "1");
    EXPECT_EQ(value("SELECT hash FROM balcora.cfiscal WHERE id_cfiscal=" + std::to_string(id)),
              value("SELECT md5(1::text||12::text||77::text||10.50||'E')"));
    EXPECT_TRUE(db::verify_hash("cfiscal", id));
    EXPECT_EQ(value("SELECT count(*) FROM pg_stat_activity WHERE datname=current_database() AND "
                    "state LIKE 'idle in transaction%'"),
              "0");
}

TEST_F(FiscalWrite, RefusedDependentWorkLeavesNothing) {
    std::int64_t id = db::write_fiscal_row("cfiscal", kInsertCoupon, [](std::int64_t) {
        return false;  // the printer refused
    });
    EXPECT_EQ(id, 0);
    EXPECT_EQ(value("SELECT count(*) FROM balcora.cfiscal"), "0");
    // The connection is usable again: no transaction left open.
    EXPECT_EQ(QUERYSQL("SELECT 5"), "5");
}

TEST_F(FiscalWrite, FailedInsertShowsTheTableErrorAndRollsBack) {
    std::int64_t id = db::write_fiscal_row(
        "cfiscal", "INSERT INTO balcora.cfiscal (coluna_errada) VALUES (1);", [](std::int64_t) {
            ADD_FAILURE() << "dependent work must not run";
            return true;
        });
    EXPECT_EQ(id, 0);
    ASSERT_FALSE(prompt_.shown().empty());
    EXPECT_EQ(prompt_.shown().front().kind, "beep");
    EXPECT_EQ(prompt_.shown().back().title, "Erro (42703)/cfiscal");
    EXPECT_EQ(QUERYSQL("SELECT 5"), "5");
}

TEST_F(FiscalWrite, VerifyDetectsTamperingAndTheSetWiseCheckAgrees) {
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 3; ++i) ids.push_back(db::write_fiscal_row("cfiscal", kInsertCoupon));
    QUERYSQL("UPDATE balcora.cfiscal SET total=99 WHERE id_cfiscal=" + std::to_string(ids[1]) +
             ";");
    EXPECT_TRUE(db::verify_hash("cfiscal", ids[0]));
    EXPECT_FALSE(db::verify_hash("cfiscal", ids[1]));
    auto all = db::verify_hashes("cfiscal");
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(all[ids[0]]);
    EXPECT_FALSE(all[ids[1]]);
    EXPECT_TRUE(all[ids[2]]);
    // Restoring the value clears the mark.
    QUERYSQL("UPDATE balcora.cfiscal SET total=10.50 WHERE id_cfiscal=" + std::to_string(ids[1]) +
             ";");
    EXPECT_TRUE(db::verify_hash("cfiscal", ids[1]));
}

TEST_F(FiscalWrite, ItemAndPaymentDigestsFollowTheCouponCounters) {
    std::int64_t coupon = db::write_fiscal_row("cfiscal", kInsertCoupon);
    std::string c = std::to_string(coupon);
    std::int64_t item = db::write_fiscal_row(
        "cfiscald",
        "INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, preco, qtdade, "
        "total, vl_acrescimo, vl_desconto, item_cancelado, totalizador) VALUES (" +
            c + ", 1, 5, 3.500, 3.000, 10.50, 0, 0, 0, '01T1700');");
    std::int64_t pay = db::write_fiscal_row(
        "cfiscalfp",
        "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, num_coo, "
        "num_coo_cf, num_gnf) VALUES (" +
            c + ", 1, 'DI', 10.50, 77, 77, 0);");
    ASSERT_GT(item, 0);
    ASSERT_GT(pay, 0);
    EXPECT_TRUE(db::verify_hash("cfiscald", item));
    EXPECT_TRUE(db::verify_hash("cfiscalfp", pay));
    QUERYSQL("UPDATE balcora.cfiscal SET numero=78 WHERE id_cfiscal=" + c + ";");
    EXPECT_FALSE(db::verify_hash("cfiscald", item));
    EXPECT_FALSE(db::verify_hash("cfiscalfp", pay));
}

// A NULL digest proves nothing about the row, so it fails its test.
TEST_F(FiscalWrite, NullInAHashedColumnGivesANullHashThatFailsItsTest) {
    std::int64_t id = db::write_fiscal_row(
        "cfiscal", "INSERT INTO balcora.cfiscal (id_maqecf, numero, situacao) VALUES (1, 5, 'E');");
    ASSERT_GT(id, 0);
    EXPECT_EQ(
        value("SELECT hash IS NULL FROM balcora.cfiscal WHERE id_cfiscal=" + std::to_string(id)),
        "t");
    EXPECT_FALSE(db::verify_hash("cfiscal", id));
    EXPECT_FALSE(db::verify_hashes("cfiscal").at(id));
}

TEST_F(FiscalWrite, AHashThatCouldNotBeStoredCommitsNothingAndSaysSo) {
    // The server refuses the hash: the row must not be kept without it, and
    // the COMMIT the server turns into ROLLBACK is no success.
    ASSERT_EQ(QUERYSQL("ALTER TABLE balcora.cfiscal ADD CONSTRAINT sem_hash CHECK (hash IS NULL)"),
              "1");
    bool printer_asked = false;
    EXPECT_EQ(db::write_fiscal_row("cfiscal", kInsertCoupon,
                                   [&](std::int64_t) { return printer_asked = true; }),
              0);
    EXPECT_FALSE(printer_asked) << "the printer is never asked for a row without its hash";
    EXPECT_EQ(value("SELECT count(*) FROM balcora.cfiscal"), "0");

    db::Transaction tx;
    ASSERT_TRUE(tx.begun());
    QUERYSQL("INSERT INTO balcora.cfiscal (id_empresa) VALUES (1)");
    EXPECT_EQ(QUERYSQL("SELECT 1 FROM nao_existe"), "");
    EXPECT_FALSE(tx.commit());
    EXPECT_EQ(value("SELECT count(*) FROM balcora.cfiscal"), "0");
}

}  // namespace balcora::test
