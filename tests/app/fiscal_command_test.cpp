#include "platform/process.h"
#include "support/balcora_cli.h"
#include "support/server_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

// The path a command printed; its notices (stderr) share the output.
std::string printed_path(const std::string& output) {
    for (std::size_t at = 0; at < output.size();) {
        const std::size_t end = std::min(output.find('\n', at), output.size());
        if (output[at] == '/') return output.substr(at, end - at);
        at = end + 1;
    }
    return "";
}

// The technician's round trip on a demo shop: the two regulatory files and
// the public key, each path printed, each signature accepted by our check
// and by the stock openssl tool alone.
TEST(FiscalCommand, DemoShopFilesComeOutSignedAndVerifiable) {
    ServerRoot tmp;
    auto demo = balcora_cli(tmp.path(), {"demo"});
    ASSERT_EQ(demo.exit_code, 0) << demo.output;

    auto key = balcora_cli(tmp.path(), {"fiscal", "public-key"});
    ASSERT_EQ(key.exit_code, 0) << key.output;
    const std::string key_file = printed_path(key.output);
    auto registers = balcora_cli(
        tmp.path(), {"fiscal", "registers", "--from", "01/12/2026", "--to", "2026-12-31"});
    ASSERT_EQ(registers.exit_code, 0) << registers.output;
    auto buyers = balcora_cli(tmp.path(), {"fiscal", "buyers", "--month", "2026-12"});
    ASSERT_EQ(buyers.exit_code, 0) << buyers.output;

    for (const std::string& file : {printed_path(registers.output), printed_path(buyers.output)}) {
        ASSERT_TRUE(fs::exists(file)) << file;
        EXPECT_EQ(balcora_cli(tmp.path(), {"fiscal", "verify", file}).exit_code, 0) << file;
        auto openssl = platform::run_program(
            {std::string(BALCORA_SOURCE_DIR) + "/scripts/verify-ead-openssl", file, key_file});
        EXPECT_EQ(openssl.exit_code, 0) << openssl.output;
    }
    EXPECT_EQ(balcora_cli(tmp.path(),
                          {"fiscal", "registers", "--from", "31/12/2026", "--to", "01/12/2026"})
                  .exit_code,
              1);
    EXPECT_NE(balcora_cli(tmp.path(), {"fiscal", "verify", key_file}).exit_code, 0);

    // The sales report of the same shop as a PDF, without a display.
    const std::string pdf = (tmp.path() / "vendas.pdf").string();
    auto report = balcora_cli(tmp.path(), {"report", "--model", "2", "--from", "01/12/2026", "--to",
                                           "2026-12-31", "--pdf", pdf});
    ASSERT_EQ(report.exit_code, 0) << report.output;
    auto text = platform::run_program({"pdftotext", "-layout", pdf, "-"});
    EXPECT_NE(text.output.find("VENDAS POR PRODUTO"), std::string::npos) << text.output;
    EXPECT_EQ(balcora_cli(tmp.path(), {"report", "--model", "5", "--from", "01/12/2026", "--to",
                                       "2026-12-31", "--pdf", pdf})
                  .exit_code,
              2);
}

}  // namespace
}  // namespace balcora::test
