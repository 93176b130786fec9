// QUERYSQL and the shared result record against raw libpq on the same server.
#include "db/database.h"
#include "db/query_sql.h"
#include "ratio_reporter.h"
#include "support/test_database.h"

#include <memory>

namespace {

using namespace balcora;

// One database for the whole run; the benchmark functions share it.
test::TestDatabase& database() {
    static test::ScriptedPrompt prompt;
    static ScopedEnvironment env({nullptr, nullptr, &prompt});
    static auto db = [] {
        auto d = std::make_unique<test::TestDatabase>();
        QUERYSQL(
            "CREATE TABLE bench_one (id integer primary key, nome text, valor numeric(13,2));");
        QUERYSQL("INSERT INTO bench_one VALUES (1, 'um', 10.00);");
        // Each update benchmark has its own table, so the dead row versions one
        // leaves behind do not slow the other down.
        QUERYSQL("CREATE TABLE bench_upd_raw AS SELECT * FROM bench_one;");
        QUERYSQL("ALTER TABLE bench_upd_raw ADD PRIMARY KEY (id);");
        QUERYSQL("CREATE TABLE bench_upd_qs AS SELECT * FROM bench_one;");
        QUERYSQL("ALTER TABLE bench_upd_qs ADD PRIMARY KEY (id);");
        QUERYSQL(
            "CREATE TABLE bench_rows AS SELECT g AS id, 'produto ' || g AS nome, "
            "(g * 1.25)::numeric(13,2) AS preco, '7891000' || lpad(g::text, 6, '0') AS "
            "codigo FROM generate_series(1, 10000) g;");
        return d;
    }();
    return *db;
}

constexpr const char* kSelectOne = "SELECT nome, valor FROM bench_one WHERE id=1";
constexpr const char* kUpdateRaw = "UPDATE bench_upd_raw SET valor=valor+0 WHERE id=1;";
constexpr const char* kUpdateQuerysql = "UPDATE bench_upd_qs SET valor=valor+0 WHERE id=1;";
constexpr const char* kSelectRows = "SELECT id, nome, preco, codigo FROM bench_rows ORDER BY id";

PGconn* raw() {
    return db::connection()->get();
}

void raw_libpq_select(benchmark::State& state) {
    database();
    for (auto _ : state) {
        PGresult* r = PQexec(raw(), kSelectOne);
        benchmark::DoNotOptimize(PQgetvalue(r, 0, 0));
        PQclear(r);
    }
}
BENCHMARK(raw_libpq_select);

void querysql_select(benchmark::State& state) {
    database();
    for (auto _ : state) benchmark::DoNotOptimize(QUERYSQL(kSelectOne));
}
BENCHMARK(querysql_select);

void raw_libpq_update(benchmark::State& state) {
    database();
    for (auto _ : state) PQclear(PQexec(raw(), kUpdateRaw));
}
BENCHMARK(raw_libpq_update);

void querysql_update(benchmark::State& state) {
    database();
    for (auto _ : state) benchmark::DoNotOptimize(QUERYSQL(kUpdateQuerysql));
}
BENCHMARK(querysql_update);

// The walks are measured over a result already fetched, so the server's time
// does not hide the cost of the record.
void raw_pqgetvalue_walk(benchmark::State& state) {
    database();
    PGresult* r = PQexec(raw(), kSelectRows);
    const int rows = PQntuples(r), cols = PQnfields(r);
    for (auto _ : state) {
        std::size_t total = 0;
        for (int i = 0; i < rows; ++i)
            for (int c = 0; c < cols; ++c)
                total += std::string_view(PQgetvalue(r, i, c), PQgetlength(r, i, c)).size();
        benchmark::DoNotOptimize(total);
    }
    PQclear(r);
}
BENCHMARK(raw_pqgetvalue_walk);

void shared_record_walk(benchmark::State& state) {
    database();
    db::SqlRecord rec;
    for (auto _ : state) {
        state.PauseTiming();
        rec.load(db::connection()->exec(kSelectRows));
        state.ResumeTiming();
        std::size_t total = 0;
        do {
            for (int c = 1; c <= 4; ++c) total += rec.C(c).size();
        } while (rec.next());
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(shared_record_walk);

}  // namespace

int main(int argc, char** argv) {
    return balcora::bench::run_with_ratios(
        argc, argv,
        {{"querysql_select_vs_libpq", "querysql_select", "raw_libpq_select", 1.2},
         {"querysql_update_vs_libpq", "querysql_update", "raw_libpq_update", 1.2},
         {"shared_record_walk_vs_pqgetvalue", "shared_record_walk", "raw_pqgetvalue_walk", 1.5}});
}
