// A shop's back-office server of its own and a checkout linked to it, as an
// installer sets them up from the command line.
#include "cluster/embedded_server.h"
#include "credentials/link_password.h"
#include "credentials/role_password.h"
#include "db/pg_handles.h"
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

    ASSERT_EQ(balcora_cli(checkout.path(), {"demo"}).exit_code, 0);
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

    // Sales of the open day reach the server's stock, those made while it was
    // stopped once it serves again, each once.
    auto sell = [&](int coupon, int product) {
        const std::string id = std::to_string(coupon);
        return balcora_cli(checkout.path(),
                           {"sql",
                            "INSERT INTO balcora.cfiscal (id_cfiscal, id_empresa, numero, "
                            "data, situacao) VALUES (" +
                                id + ", 1, " + id +
                                ", current_date, 'E'); INSERT INTO "
                                "balcora.cfiscald (id_cfiscal, num_item, id_produto, "
                                "qtdade, item_cancelado) VALUES (" +
                                id + ", 1, " + std::to_string(product) + ", 2, 0)"})
            .exit_code;
    };
    auto movements = [&] {
        std::string error;
        auto bo = db::PgConnection::open(db::EmbeddedServer(server.root()).conninfo("retaguarda"),
                                         &error);
        if (!bo) return error;
        auto r = bo->exec(
            "SELECT string_agg(origem_seq || ':' || id_produto || ':' || qtdade, ' ' ORDER BY "
            "id_produto) FROM gestao.estmovto");
        return r.ok() && r.rows() ? std::string(r.value(0, 0)) : r.error_message();
    };
    ASSERT_EQ(sell(901, 1), 0);
    EXPECT_EQ(balcora_cli(checkout.path(), {"backoffice", "stock"}).exit_code, 0);
    EXPECT_EQ(movements(), "1:1:2.000");
    ASSERT_EQ(balcora_cli(server.path(), {"backoffice", "stop"}).exit_code, 0);
    ASSERT_EQ(sell(902, 2), 0);
    EXPECT_EQ(balcora_cli(checkout.path(), {"backoffice", "stock"}).exit_code, 1);
    ASSERT_EQ(balcora_cli(server.path(), {"backoffice", "serve"}).exit_code, 0);
    EXPECT_EQ(balcora_cli(checkout.path(), {"backoffice", "stock"}).exit_code, 0);
    EXPECT_EQ(movements(), "1:1:2.000 1:2:2.000");

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
