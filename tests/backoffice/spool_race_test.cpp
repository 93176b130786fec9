// Checkouts of one shop polling the same back-office spool at the same
// instant, each a process of its own with its own database and printer:
// every document comes out of exactly one printer, once.
#include "backoffice/print_spool.h"
#include "backoffice/shop_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace balcora::test {

namespace {

constexpr int kCheckouts = 4;
constexpr int kDocuments = 24;

class SpoolRace : public ShopCheckoutsFixture {
  protected:
    std::string doc(int n) { return "DOC-" + std::to_string(100 + n); }

    // The child's whole life: its own root (so its own printer) and
    // database, ready, then ticking from the common start until no document
    // of the shop waits or is being printed.
    [[noreturn]] void checkout(const TempRoot& root, const std::string& database,
                               const std::filesystem::path& go) {
        ScopedEnvironment env({nullptr, &root.root(), nullptr});
        use(database);
#ifdef BALCORA_VIRTUAL_ECF_PATH
        if (!ecf::load_driver(BALCORA_VIRTUAL_ECF_PATH)) _exit(4);
#endif
        backoffice::PrintSpoolScreen spool;
        if (!spool.open()) _exit(5);
        std::ofstream(root.path() / "pronto").close();
        while (!std::filesystem::exists(go))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int round = 0; round < 20 * kDocuments; ++round) {
            if (spool.tick()) continue;
            db::SqlRecord r;
            if (!backoffice::read_linked("SELECT count(*) FROM gestao.spoolecf WHERE situacao<>'E'",
                                         "n", {"n"}, r))
                _exit(6);
            if (r.C(1) == "0") _exit(0);
        }
        _exit(7);
    }

    std::string tape_of(const TempRoot& root) {
        std::ifstream in(root.path() / "sistemas" / "balcora" / "ecf" / demo::kPrinterSerial /
                         "bobina.txt");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

int occurrences(const std::string& text, const std::string& word) {
    int n = 0;
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}

TEST_F(SpoolRace, EveryDocumentIsPrintedOnExactlyOnePrinterOnce) {
    std::vector<std::string> databases;
    for (int i = 1; i <= kCheckouts; ++i) databases.push_back(add_checkout(i + 1));
    for (int n = 0; n < kDocuments; ++n)
        for (const char* line : {" PRIMEIRA LINHA", " ULTIMA LINHA"})
            bo("INSERT INTO gestao.spoolecf (id_docto, id_empresa, titulo, linha, situacao) "
               "VALUES ('" +
               doc(n) + "', 1, 'ORCAMENTO', '" + doc(n) + line + "', 'L')");
    std::vector<std::unique_ptr<TempRoot>> roots;
    for (int i = 0; i < kCheckouts; ++i) roots.push_back(std::make_unique<TempRoot>());
    const std::filesystem::path go = root_.path() / "ja";

    // Nothing of this process's connections may be shared with the children.
    backoffice::close_link();
    ecf::unload_driver();
    db::close_connection();
    std::vector<pid_t> children;
    for (int i = 0; i < kCheckouts; ++i) {
        const pid_t child = fork();
        if (child == 0) checkout(*roots[i], databases[i], go);
        children.push_back(child);
    }
    for (int waited = 0; waited < 60000; ++waited) {
        int ready = 0;
        for (const auto& r : roots) ready += std::filesystem::exists(r->path() / "pronto");
        if (ready == kCheckouts) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::ofstream(go).close();
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    use(db_.name());

    std::string all;
    for (const auto& r : roots) all += tape_of(*r);
    for (int n = 0; n < kDocuments; ++n) {
        EXPECT_EQ(occurrences(all, doc(n) + " PRIMEIRA LINHA"), 1) << doc(n);
        EXPECT_EQ(occurrences(all, doc(n) + " ULTIMA LINHA"), 1) << doc(n);
    }
    EXPECT_EQ(bo_value("SELECT string_agg(DISTINCT situacao, '') FROM gestao.spoolecf"), "E");
}

}  // namespace
}  // namespace balcora::test
