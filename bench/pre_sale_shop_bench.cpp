// A shop of 1, 2, 4 and 8 checkouts, no GUI: each checkout a process of its
// own with its own database and virtual printer, all issuing distinct
// pre-sales through the pre-sale window's code against one back-office
// database for a fixed time. Prints the curve of pre-sales issued per second,
// the ratio of the wall-clock time per issued pre-sale with eight checkouts
// to the same with one, and the rate at which the outcomes queued during an
// hour without the back office reach it once it is back.
#include "backoffice/backoffice_link.h"
#include "backoffice/pre_sale_copies.h"
#include "backoffice/pre_sale_screen.h"
#include "backoffice/pre_sale_updates.h"
#include "db/database.h"
#include "db/pg_handles.h"
#include "db/query_sql.h"
#include "db/session.h"
#include "demo/backoffice_demo.h"
#include "demo/demo_data.h"
#include "ecf/driver_printer.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_driver.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "platform/clock.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "support/test_backoffice.h"
#include "support/test_database.h"
#include "ui/environment.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace balcora::bench {

namespace {

constexpr int kMaxCheckouts = 8;
constexpr int kOrdersPerCheckout = 100;
constexpr double kSeconds = 4.0;
constexpr int kQueuedOutcomes = 300;  // an hour of a busy checkout's pre-sales

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "pre-sale shop bench: %s\n", what.c_str());
    std::exit(2);
}

std::string cluster_with(const std::string& name) {
    return test::template_conninfo() + " dbname=" + name;
}

bool admin(const std::string& sql) {
    std::string error;
    auto conn = db::PgConnection::open(cluster_with("postgres"), &error);
    if (!conn) return false;
    auto r = conn->exec(sql);
    if (!r.ok()) std::fprintf(stderr, "admin: %s\n", r.error_message().c_str());
    return r.ok();
}

void back_office_exec(const std::string& name, const std::string& sql) {
    std::string error;
    auto conn = db::PgConnection::open(cluster_with(name), &error);
    if (!conn) fail("back office: " + error);
    if (!conn->exec(sql).ok()) fail("back office: " + conn->error_message());
}

void connect(const std::string& conninfo) {
    std::string error;
    auto conn = db::PgConnection::open(conninfo, &error);
    if (!conn) fail("checkout database: " + error);
    db::prepare_session(*conn);
    db::set_connection(std::move(conn));
    db::apply_program_session_settings();
}

// The back office of a run: the demo's, with kOrdersPerCheckout waiting
// pre-sales for each checkout (checkout i takes the numbers i, i + 8, ...).
void fresh_back_office(const std::string& name) {
    admin("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    if (!admin("CREATE DATABASE " + name + " TEMPLATE retaguarda_template")) fail("back office");
    std::string error;
    if (!load_backoffice_demo(cluster_with(name), &error)) fail(error);
    std::string copies;
    for (int pv = 1000; pv < 1000 + kMaxCheckouts * kOrdersPerCheckout; ++pv)
        copies += test::copy_of_demo_pre_sale(pv, pv);
    back_office_exec(name, copies + " ANALYZE kontora.pedidos, kontora.peditens, kontora.recbtos;");
}

// One checkout: its database, its printer under its data root, issuing its
// share of the pre-sales until the time is up; writes how many it issued.
[[noreturn]] void checkout_process(int index, int checkouts, const std::string& database,
                                   const std::filesystem::path& root,
                                   std::chrono::steady_clock::time_point until,
                                   const std::filesystem::path& result) {
    test::ScriptedPrompt prompt;
    platform::DataRoot data_root(root);
    ScopedEnvironment env{{nullptr, &data_root, &prompt}};
    connect(test::template_conninfo() + " dbname=" + database);
    // The printer's driver reaches the same database.
    const auto at = glo::string_conexao.find("DATABASE=") + 9;
    glo::string_conexao = glo::string_conexao.substr(0, at) + database +
                          glo::string_conexao.substr(glo::string_conexao.find(';', at));
#ifdef BALCORA_VIRTUAL_ECF_PATH
    if (!ecf::load_driver(BALCORA_VIRTUAL_ECF_PATH)) _exit(4);
#endif
    CheckoutState checkout;
    ecf::DriverPrinter printer{checkout};
    ecf::UsePrinter use{printer};
    backoffice::PreSaleScreen screen{checkout};
    if (!screen.open()) _exit(5);
    int issued = 0;
    for (int pv = 1000 + index; std::chrono::steady_clock::now() < until; pv += checkouts) {
        prompt.answer(true);
        const auto order = screen.order_of(pv);
        if (!order || !screen.issue(*order)) {
            for (const auto& s : prompt.shown())
                std::fprintf(stderr, "checkout %d: %s\n", index, s.text.c_str());
            _exit(6);
        }
        prompt.clear();
        ++issued;
    }
    std::ofstream(result) << issued << "\n";
    _exit(0);
}

}  // namespace

}  // namespace balcora::bench

int main() {
    using namespace balcora;
    using namespace balcora::bench;
    if (test::template_conninfo().empty()) fail("no cluster: BALCORA_TEST_PG_FILE is not set");
    test::ScriptedPrompt prompt;
    test::TempRoot scratch;
    platform::FixedClock clock{{2026, 12, 7, 10, 0, 0}};
    ScopedEnvironment env{{&clock, &scratch.root(), &prompt}};

    // The checkout every database is cloned from: the demo shop, its day
    // open, its link pointing at the back office of the runs.
    const std::string back_office = "bench_presale_bo";
    auto base = std::make_unique<test::TestDatabase>();
    glo::string_conexao = base->connection_string();
    if (!load_demo_data()) fail("demo data");
    glo::numfab = demo::kPrinterSerial;
    glo::id_empresa = demo::kCompanyId;
    glo::nome_operador = "bench";
    QUERYSQL("UPDATE balcora.maqecf SET situacao='A', data_sit='2026-12-07';");
    {
        test::TestBackOffice borrowed(false);
        backoffice::LinkSettings link = borrowed.link();
        link.database = back_office;
        if (!point_settings_at_backoffice(link)) fail("link settings");
    }
    const std::string base_name = base->name();
    db::close_connection();

    std::vector<std::unique_ptr<test::TempRoot>> roots;
    for (int i = 0; i < kMaxCheckouts; ++i) roots.push_back(std::make_unique<test::TempRoot>());
    auto checkout_db = [&](int i) { return base_name + "_c" + std::to_string(i); };

    std::vector<std::pair<int, double>> curve;
    for (int checkouts : {1, 2, 4, 8}) {
        fresh_back_office(back_office);
        for (int i = 0; i < checkouts; ++i) {
            admin("DROP DATABASE IF EXISTS " + checkout_db(i) + " WITH (FORCE)");
            if (!admin("CREATE DATABASE " + checkout_db(i) + " TEMPLATE " + base_name))
                fail("checkout database");
            std::filesystem::remove_all(roots[i]->path() / "sistemas" / "balcora" / "ecf");
        }
        const auto start = std::chrono::steady_clock::now();
        const auto until = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(kSeconds));
        std::vector<pid_t> children;
        for (int i = 0; i < checkouts; ++i) {
            const pid_t pid = fork();
            if (pid == 0)
                checkout_process(i, checkouts, checkout_db(i), roots[i]->path(), until,
                                 roots[i]->path() / "issued");
            children.push_back(pid);
        }
        bool all = true;
        for (pid_t pid : children) {
            int status = 0;
            waitpid(pid, &status, 0);
            all = all && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!all) fail(std::to_string(checkouts) + " checkouts: a checkout failed");
        int issued = 0;
        for (int i = 0; i < checkouts; ++i) {
            std::ifstream in(roots[i]->path() / "issued");
            int n = 0;
            in >> n;
            issued += n;
        }
        curve.emplace_back(checkouts, issued / elapsed);
        std::printf("curve presale_issued_per_second checkouts %d: %.2f (%d in %.1f s)\n",
                    checkouts, issued / elapsed, issued, elapsed);
        std::fflush(stdout);
    }

    // An hour without the back office: the outcomes of the checkout's
    // coupons wait in its pending updates. Built from the last run's coupons,
    // each queued again for an order of its own.
    connect(test::template_conninfo() + " dbname=" + checkout_db(0));
    fresh_back_office(back_office);
    backoffice::LinkSession link;
    if (!link.ok()) fail("link");
    const std::string queued =
        "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, data, situacao, "
        "num_ccf, num_pv, id_pedido, total) SELECT id_empresa, id_maqecf, num_cro, 5000 + g, "
        "data, 'E', 5000 + g, 1000 + g, 1000 + g, total FROM balcora.cfiscal c, "
        "generate_series(0, " +
        std::to_string(kQueuedOutcomes - 1) +
        ") g WHERE c.id_cfiscal=(SELECT min(id_cfiscal) FROM balcora.cfiscal); INSERT INTO "
        "balcora.registro (chave, nome, valor) SELECT 'ERRO_CF_' || lpad(id_cfiscal::text, 8, "
        "'0'), 'ID_' || lpad(id_cfiscal::text, 8, '0'), lpad(id_cfiscal::text, 8, '0') FROM "
        "balcora.cfiscal WHERE numero >= 5000;";
    if (!db::run_sql(queued)) fail("queued outcomes");
    const auto start = std::chrono::steady_clock::now();
    const bool all = backoffice::retry_pending_updates();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!all) fail("catch-up left outcomes pending");
    std::printf("curve presale_catch_up_outcomes_per_second %.1f (%d in %.2f s)\n",
                kQueuedOutcomes / elapsed, kQueuedOutcomes, elapsed);

    const double one = curve.front().second, eight = curve.back().second;
    const double ratio = one / eight;  // time per issue with 8 over the same with 1
    std::printf("ratio presale_time_per_issue_8_vs_1 %.3f goal 0.50\n", ratio);
    db::close_connection();
    for (int i = 0; i < kMaxCheckouts; ++i)
        admin("DROP DATABASE IF EXISTS " + checkout_db(i) + " WITH (FORCE)");
    admin("DROP DATABASE IF EXISTS " + back_office + " WITH (FORCE)");
    return ratio <= 0.5 ? 0 : 1;
}
