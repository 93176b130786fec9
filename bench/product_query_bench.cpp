// The product query's refresh at each keystroke of a name search over 50,000
// products, against the same statement run through raw libpq.
#include "db/database.h"
#include "db/query_sql.h"
#include "forms/product_query.h"
#include "ratio_reporter.h"
#include "support/test_database.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace balcora;

// What an operator types looking for rice, then for coffee: one refresh each.
const std::vector<std::string> kKeystrokes = {
    "A", "AR", "ARR", "ARRO", "ARROZ", "ARROZ ", "ARROZ I", "ARROZ IN",
    "C", "CA", "CAF", "CAFE", "CAFE ", "CAFE T", "CAFE TO", "CAFE TOR"};

test::TestDatabase& database() {
    static test::ScriptedPrompt prompt;
    static test::TempRoot root;
    static ScopedEnvironment env({nullptr, &root.root(), &prompt});
    static auto db = [] {
        auto d = std::make_unique<test::TestDatabase>();
        QUERYSQL(
            "INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, refer, "
            "unidade, preco_venda1, preco_venda2, preco_venda3, cest, cod_ncm, ecf_st, "
            "ecf_aliquota, iat, ippt, qtd_estoque, ativo) "
            "SELECT g, lpad(g::text, 6, '0'), '789' || lpad(g::text, 10, '0'), "
            "(ARRAY['ARROZ','FEIJÃO','CAFÉ','AÇÚCAR','MACARRÃO','ÓLEO','SABÃO','BISCOITO',"
            "'LEITE','FARINHA','PÃO','MAÇÃ','AZEITE','MOLHO','CHÁ','SABONETE','DETERGENTE',"
            "'ÁGUA','CERVEJA','REFRIGERANTE','IOGURTE','QUEIJO','PRESUNTO','MANTEIGA',"
            "'CHOCOLATE','BALA','PAPEL','ESPONJA','AMACIANTE','ALVEJANTE'])[1 + g % 30] || ' ' || "
            "(ARRAY['TIPO 1','INTEGRAL','TORRADO','PREMIUM','ESPECIAL','LIGHT','EXTRA',"
            "'TRADICIONAL','ORGÂNICO','ZERO','DIET','FAMÍLIA'])[1 + (g / 30) % 12] || ' ' || "
            "(50 + g % 950) || 'G ' || upper(substr(md5(g::text), 1, 6)), "
            "'R' || g, 'UN', 1 + g % 500, 1 + g % 480, 1 + g % 460, 2803800, 9012100, 'T', 18, "
            "'A', 'T', g % 300, CASE WHEN g % 10 = 0 THEN 0 ELSE 1 END "
            "FROM generate_series(1, 50000) g;");
        QUERYSQL("ANALYZE balcora.produto;");
        return d;
    }();
    return *db;
}

// The statement the query runs for a name filter, written out here so the
// floor is the server's own work plus libpq, without the screen's.
std::string name_statement(std::string typed) {
    while (!typed.empty() && typed.back() == ' ') typed.pop_back();
    return "SELECT id_produto, codigo, codigo_barras, refer, cest, cod_ncm, descricao, unidade, "
           "preco_venda1, ecf_st, ecf_aliquota, iat, ippt, qtd_estoque FROM balcora.produto "
           "WHERE ativo = 1 and UPPER(balcora.to_ascii(descricao)) LIKE "
           "UPPER(balcora.to_ascii('" +
           typed +
           "%')) ORDER BY UPPER(balcora.to_ascii(descricao)) COLLATE \"C\", id_produto LIMIT 501;";
}

forms::ProductQueryScreen& screen() {
    static forms::ProductQueryScreen q = [] {
        database();
        forms::ProductQueryScreen s;
        s.open();
        s.set_key(forms::ProductKey::kName);
        s.set_price_table(1);
        return s;
    }();
    return q;
}

void keystroke_refresh(benchmark::State& state) {
    auto& q = screen();
    std::size_t i = 0;
    for (auto _ : state) {
        q.set_filter(kKeystrokes[i++ % kKeystrokes.size()]);
        benchmark::DoNotOptimize(q.lines().data());
    }
}
BENCHMARK(keystroke_refresh);

void keystroke_raw_libpq(benchmark::State& state) {
    database();
    std::vector<std::string> statements;
    for (const auto& k : kKeystrokes) statements.push_back(name_statement(k));
    PGconn* conn = db::connection()->get();
    std::size_t i = 0;
    for (auto _ : state) {
        PGresult* r = PQexec(conn, statements[i++ % statements.size()].c_str());
        benchmark::DoNotOptimize(PQntuples(r));
        PQclear(r);
    }
}
BENCHMARK(keystroke_raw_libpq);

void contains_refresh(benchmark::State& state) {
    auto& q = screen();
    for (auto _ : state) {
        q.set_filter("%INTEGRAL 7");
        benchmark::DoNotOptimize(q.lines().data());
    }
}
BENCHMARK(contains_refresh);

void contains_raw_libpq(benchmark::State& state) {
    database();
    const std::string statement = name_statement("%INTEGRAL 7");
    PGconn* conn = db::connection()->get();
    for (auto _ : state) {
        PGresult* r = PQexec(conn, statement.c_str());
        benchmark::DoNotOptimize(PQntuples(r));
        PQclear(r);
    }
}
BENCHMARK(contains_raw_libpq);

// Each keystroke timed on its own, several rounds: the operator feels the
// slowest refresh, not the mean.
void print_keystroke_times() {
    auto& q = screen();
    std::vector<double> all;
    std::vector<std::pair<double, std::string>> worst_per_key;
    for (const auto& k : kKeystrokes) worst_per_key.push_back({0.0, k});
    for (int round = 0; round < 5; ++round) {
        for (std::size_t i = 0; i < kKeystrokes.size(); ++i) {
            const auto start = std::chrono::steady_clock::now();
            q.set_filter(kKeystrokes[i]);
            const auto end = std::chrono::steady_clock::now();
            const double ms = std::chrono::duration<double, std::milli>(end - start).count();
            all.push_back(ms);
            worst_per_key[i].first = std::max(worst_per_key[i].first, ms);
        }
    }
    std::sort(all.begin(), all.end());
    const auto slowest = *std::max_element(worst_per_key.begin(), worst_per_key.end());
    std::printf(
        "keystroke refresh over 50000 products: median %.2f ms, p90 %.2f ms, max %.2f ms "
        "(\"%s\") goal 50 ms\n",
        all[all.size() / 2], all[all.size() * 9 / 10], all.back(), slowest.second.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    print_keystroke_times();
    return balcora::bench::run_with_ratios(
        argc, argv,
        {{"product_keystroke_vs_libpq", "keystroke_refresh", "keystroke_raw_libpq", 1.5},
         {"product_contains_vs_libpq", "contains_refresh", "contains_raw_libpq", 1.5}});
}
