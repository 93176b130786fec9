#include "support/balcora_cli.h"
#include "support/server_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

// A technician writes the Bloco X files of a closed day and of a month on
// the demo shop; the command refuses a day that has no reduction.
TEST(BlocoxCommand, WritesTheFilesOfAClosedDayAndOfAMonth) {
    ServerRoot tmp;
    ASSERT_EQ(balcora_cli(tmp.path(), {"demo"}).exit_code, 0);
    auto sql = balcora_cli(
        tmp.path(),
        {"sql",
         "INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_cont_red_z, num_coo, "
         "num_cont_reinicio, dt_emissao, hr_emissao, vl_venda_bruta, vl_tot_geral) VALUES (1, 1, "
         "'2026-12-05', 3, 120, 1, '2026-12-05', '21:00:00', 0, 100); INSERT INTO "
         "balcora.estinventario (id_empresa, data, id_produto, qtdade, valor) SELECT 1, "
         "'2026-11-30', id_produto, 2, 10 FROM balcora.produto"});
    ASSERT_EQ(sql.exit_code, 0) << sql.output;

    auto z = balcora_cli(tmp.path(), {"blocox", "z-xml", "--day", "2026-12-05"});
    ASSERT_EQ(z.exit_code, 0) << z.output;
    EXPECT_EQ(fs::path(last_line(z.output)).filename(), "reducaoz05122026.xml");
    std::ifstream file(last_line(z.output));
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("<CRZ>0003</CRZ>"), std::string::npos) << text.str();

    auto stock = balcora_cli(tmp.path(), {"blocox", "stock-xml", "--period", "2026-11"});
    ASSERT_EQ(stock.exit_code, 0) << stock.output;
    EXPECT_EQ(fs::path(last_line(stock.output)).filename(), "estoque112026.xml");
    EXPECT_TRUE(fs::exists(last_line(stock.output)));

    EXPECT_EQ(balcora_cli(tmp.path(), {"blocox", "z-xml", "--day", "2026-12-06"}).exit_code, 1);
    EXPECT_EQ(balcora_cli(tmp.path(), {"blocox", "stock-xml", "--period", "2026-13"}).exit_code, 2);
}

}  // namespace
}  // namespace balcora::test
