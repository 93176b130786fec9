// Three checkouts of one shop (each its own data root, database and virtual
// printer) beside one back office. Round after round, all three run
// "balcora presale issue" on the same pre-sale at the same instant: exactly
// one coupon comes out, and the losers' printers print nothing.
#include "backoffice/pre_sale_copies.h"
#include "db/record_hash.h"
#include "demo/demo_data.h"
#include "support/balcora_cli.h"
#include "support/server_root.h"
#include "support/test_backoffice.h"
#include "support/test_database.h"

#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace balcora::test {

namespace {

namespace fs = std::filesystem;

constexpr int kCheckouts = 3;
constexpr int kRounds = 3;

std::uintmax_t printer_memory(const ServerRoot& root) {
    std::error_code ec;
    const auto size = fs::file_size(
        root.path() / "sistemas" / "balcora" / "ecf" / demo::kPrinterSerial / "mfd.dat", ec);
    return ec ? 0 : size;
}

class PreSaleRace : public DbTest {
  protected:
    // A checkout of the demo shop whose point of sale is number `number` and
    // whose link points at the shop's back office.
    void set_up_checkout(ServerRoot& root, int number, const backoffice::LinkSettings& link) {
        auto must = [&](const std::vector<std::string>& words) {
            const auto r = balcora_cli(root.path(), words);
            ASSERT_EQ(r.exit_code, 0) << testing::PrintToString(words) << r.output;
        };
        must({"demo"});
        const std::string where = " WHERE num_serie='" + std::string(demo::kPrinterSerial) + "';";
        must({"sql", "UPDATE balcora.maqecf SET numero=" + std::to_string(number) + where +
                         " UPDATE balcora.maqecf SET hash=" + db::hash_expression("maqecf") +
                         where});
        must({"setting", "set", "PAF-ECF", "Database", link.database});
        must({"setting", "set", "PAF-ECF", "Porta", std::to_string(link.porta)});
        must({"setting", "set", "PAF-ECF", "Senha", link.senha});
    }
};

TEST_F(PreSaleRace, ThreeCheckoutsIssueTheSameOrderAtOnceAndOnlyOneCouponComesOut) {
    DEFINEHASH();
    TestBackOffice back_office(true);
    std::vector<std::unique_ptr<ServerRoot>> roots;
    std::vector<std::thread> setting_up;
    for (int i = 0; i < kCheckouts; ++i) roots.push_back(std::make_unique<ServerRoot>());
    for (int i = 0; i < kCheckouts; ++i)
        setting_up.emplace_back([&, i] { set_up_checkout(*roots[i], i + 1, back_office.link()); });
    for (auto& t : setting_up) t.join();
    ASSERT_FALSE(HasFatalFailure());

    for (int round = 0; round < kRounds; ++round) {
        const int pv = 500 + round;
        SCOPED_TRACE("pre-sale " + std::to_string(pv));
        back_office.exec(copy_of_demo_pre_sale(pv, pv));
        std::vector<std::uintmax_t> before;
        for (const auto& r : roots) before.push_back(printer_memory(*r));
        std::vector<platform::ProcessResult> results(kCheckouts);
        std::vector<std::thread> racing;
        for (int i = 0; i < kCheckouts; ++i)
            racing.emplace_back([&, i] {
                results[i] = balcora_cli(
                    roots[i]->path(), {"--user", "demo", "--password", "demo", "presale", "issue",
                                       std::to_string(pv), "--sim"});
            });
        for (auto& t : racing) t.join();

        int winners = 0;
        for (int i = 0; i < kCheckouts; ++i) {
            if (results[i].exit_code == 0) {
                ++winners;
                EXPECT_GT(printer_memory(*roots[i]), before[i]);
                continue;
            }
            // The loser was told who has it (or that it is done), and its
            // printer took nothing.
            const std::string& out = results[i].output;
            EXPECT_TRUE(out.find("está sendo emitida no caixa da ECF nº") != std::string::npos ||
                        out.find("já foi emitida no cupom fiscal") != std::string::npos)
                << out;
            EXPECT_EQ(printer_memory(*roots[i]), before[i]) << "checkout " << i + 1;
        }
        EXPECT_EQ(winners, 1);
        EXPECT_EQ(back_office.value("SELECT situa FROM kontora.pedidos WHERE id_pedido=" +
                                    std::to_string(pv)),
                  "3");
    }
    int coupons = 0;
    for (const auto& r : roots) {
        const auto count =
            balcora_cli(r->path(), {"sql",
                                    "SELECT count(*) FROM balcora.cfiscal WHERE situacao='E' AND "
                                    "num_pv >= 500"});
        ASSERT_EQ(count.exit_code, 0) << count.output;
        coupons += std::stoi(last_line(count.output));
    }
    EXPECT_EQ(coupons, kRounds);
    EXPECT_EQ(back_office.value("SELECT count(*) FROM gestao.log WHERE descricao LIKE "
                                "'Emissão CF%'"),
              std::to_string(kRounds));

    // A give-up from the first checkout: every other one is told it is gone.
    const auto listed =
        balcora_cli(roots[1]->path(), {"--user", "demo", "--password", "demo", "presale", "list"});
    ASSERT_EQ(listed.exit_code, 0) << listed.output;
    EXPECT_NE(listed.output.find("\n1\t1001\t"), std::string::npos) << listed.output;
    EXPECT_EQ(listed.output.find("\n500\t"), std::string::npos) << listed.output;
    const auto cancelled = balcora_cli(roots[0]->path(), {"--user", "demo", "--password", "demo",
                                                          "presale", "cancel", "1", "--sim"});
    EXPECT_EQ(cancelled.exit_code, 0) << cancelled.output;
    const auto late = balcora_cli(roots[1]->path(), {"--user", "demo", "--password", "demo",
                                                     "presale", "issue", "1", "--sim"});
    EXPECT_EQ(late.exit_code, 1);
    EXPECT_NE(late.output.find("A Pré-Venda 1 foi cancelada"), std::string::npos) << late.output;
}

}  // namespace

}  // namespace balcora::test
