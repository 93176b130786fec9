// A shop's back-office server of its own and a checkout linked to it, as an
// installer sets them up from the command line.
#include "cluster/embedded_server.h"
#include "credentials/link_password.h"
#include "credentials/role_password.h"
#include "support/balcora_cli.h"
#include "support/server_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

unsigned mode_of(const fs::path& file) {
    struct stat st {};
    return stat(file.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

std::string text_of_folder(const fs::path& dir) {
    std::string all;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        all += s.str();
    }
    return all;
}

TEST(ShopServerCommand, ACheckoutLinksByAddressWithAPasswordThatOnlyPrivateFilesHold) {
    ServerRoot server, checkout;
    const auto served =
        balcora_cli(server.path(), {"backoffice", "serve", "--listen", "127.0.0.1"});
    ASSERT_EQ(served.exit_code, 0) << served.output;
    const std::string password = db::read_role_password(server.root());
    ASSERT_EQ(password.size(), 32u);
    EXPECT_EQ(mode_of(db::role_password_file(server.root())), 0600u);
    const int port = db::EmbeddedServer(server.root()).port();
    ASSERT_GT(port, 0);
    EXPECT_NE(served.output.find("127.0.0.1:" + std::to_string(port)), std::string::npos);

    ASSERT_EQ(balcora_cli(checkout.path(), {"db", "init"}).exit_code, 0);
    const std::vector<std::string> link{
        "backoffice",      "link",
        "--server",        "127.0.0.1",
        "--port",          std::to_string(port),
        "--password-file", db::role_password_file(server.root()).string()};
    const auto linked = balcora_cli(checkout.path(), link);
    ASSERT_EQ(linked.exit_code, 0) << linked.output;
    EXPECT_NE(linked.output.find("Retaguarda respondeu."), std::string::npos);
    EXPECT_EQ(db::read_link_password(checkout.root(), "127.0.0.1", port, "retaguarda", "balcora"),
              password);
    EXPECT_EQ(mode_of(db::link_password_file(checkout.root())), 0600u);
    const auto senha = balcora_cli(checkout.path(), {"setting", "get", "PAF-ECF", "Senha"});
    EXPECT_EQ(last_line(senha.output), "(arquivo de senha)");

    // A wrong password is refused and shown masked; the server stopped, the
    // link says the back office does not answer.
    const fs::path wrong = server.path() / "errada.txt";
    std::ofstream(wrong) << "senha-errada-123\n";
    auto refused = link;
    refused.back() = wrong.string();
    const auto bad = balcora_cli(checkout.path(), refused);
    EXPECT_EQ(bad.exit_code, 1);
    EXPECT_EQ(bad.output.find("senha-errada-123"), std::string::npos) << bad.output;
    ASSERT_EQ(balcora_cli(server.path(), {"backoffice", "stop"}).exit_code, 0);
    EXPECT_EQ(balcora_cli(checkout.path(), link).exit_code, 1);

    // Neither output nor any log or setting of either root shows the password.
    EXPECT_EQ(served.output.find(password), std::string::npos);
    EXPECT_EQ(linked.output.find(password), std::string::npos);
    for (const fs::path& dir :
         {server.path() / "pgdata" / "log", checkout.path() / "pgdata" / "log",
          server.path() / "windows", checkout.path() / "windows"})
        EXPECT_EQ(text_of_folder(dir).find(password), std::string::npos) << dir;
}

}  // namespace
}  // namespace balcora::test
