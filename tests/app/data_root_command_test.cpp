#include "platform/data_root.h"
#include "support/balcora_cli.h"
#include "support/temp_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

// Every command starts by making the root's folders: a root that cannot take
// them used to end in an uncaught exception (exit 134, a core dump).
TEST(DataRootCommand, AnUnwritableRootIsNamedAndTheCommandEndsWithExitOne) {
    TempRoot tmp;
    fs::permissions(tmp.path(), fs::perms(0755));
    const fs::path file = tmp.path() / "arquivo";
    std::ofstream(file) << "não é uma pasta";
    struct Case {
        fs::path root;
        std::string message;
    };
    std::vector<Case> cases{{"", "Pasta não gravável: \"\""},
                            {file, "Pasta não gravável: " + file.string() + " ("},
                            {file / "loja", "Pasta não gravável: " + file.string() + " ("}};
    for (const auto& c : cases) {
        auto r = balcora_cli(c.root, {"db", "status"});
        EXPECT_EQ(r.exit_code, 1) << c.root << ": " << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }

    // A complete root on which nothing can be written: the folders exist, so
    // only writing tells. Root is not held back by permissions, so as root
    // the program runs as nobody, to whom the folder is read-only.
    const fs::path read_only = tmp.path() / "somente-leitura";
    std::string error;
    ASSERT_TRUE(platform::DataRoot(read_only).create_layout(&error)) << error;
    const bool as_root = geteuid() == 0;
    if (!as_root) fs::permissions(read_only, fs::perms(0555));
    auto r = balcora_cli(read_only, {"setting", "get", "PAF-ECF", "Ip"}, as_root ? "nobody" : "");
    if (!as_root) fs::permissions(read_only, fs::perms(0755));
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_NE(r.output.find("Pasta não gravável: " + read_only.string() + " (sem permissão"),
              std::string::npos)
        << r.output;
}

}  // namespace
}  // namespace balcora::test
