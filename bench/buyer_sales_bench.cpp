// The month's sales-by-CPF/CNPJ file of a busy shop (12,500 coupons, 3,000
// identified buyers, invoices beside them), written and signed, against its
// query alone through raw libpq on the same connection.
#include "db/database.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "fiscal/buyer_sales.h"
#include "globals/globals.h"
#include "ratio_reporter.h"
#include "support/test_database.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace balcora;

const fiscal::BuyerSalesRequest kNovember{2026, 11, "", false};

void run(const std::string& statement) {
    if (QUERYSQL(statement).empty()) {
        std::fprintf(stderr, "bench set-up failed: %s\n", statement.c_str());
        std::exit(1);
    }
}

test::ScriptedPrompt& prompt() {
    static test::ScriptedPrompt p;
    return p;
}

test::TestDatabase& database() {
    static test::TempRoot root;
    static platform::FixedClock clock{{2026, 12, 7, 10, 0, 0}};
    static ScopedEnvironment env({&clock, &root.root(), &prompt()});
    static auto db = [] {
        auto d = std::make_unique<test::TestDatabase>();
        glo::id_empresa = 1;
        run("INSERT INTO balcora.empresa (id_empresa, razao_social, cnpj, inscr_estadual, "
            "inscr_municipal, ativa) VALUES (1, 'MERCADO DE BANCADA', '12.345.678/0001-90', "
            "'123456789110', '4455', 1);");
        for (auto [key, value] : {std::pair{"cnpj", "55666777000188"},
                                  {"ie", "ISENTO"},
                                  {"im", "77123"},
                                  {"razao", "Balcora Sistemas"},
                                  {"laudo", "LAU0012026"},
                                  {"nomesoft", "Balcora PDV"},
                                  {"versaosoft", "1.0"}})
            GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", key, value);
        // 3,000 buyers, one in five a company, written as people type them;
        // and 500 customers who gave no document.
        run("INSERT INTO balcora.cliente (id_cliente, cgcpf) SELECT g, CASE WHEN g % 5 = 0 THEN "
            "to_char(10000000000000 + g * 7919, 'FM00\".\"000\".\"000\"/\"0000\"-\"00') ELSE "
            "to_char(10000000000 + g * 104729, 'FM000\".\"000\".\"000\"-\"00') END "
            "FROM generate_series(1, 3000) g;");
        run("INSERT INTO balcora.cliente (id_cliente, cgcpf) SELECT g, '' "
            "FROM generate_series(3001, 3500) g;");
        // 12,500 coupons over the month (one in six to an unidentified
        // consumer), a few cancelled, and the month around it.
        run("INSERT INTO balcora.cfiscal (id_empresa, id_cliente, data, total, situacao) "
            "SELECT 1, CASE WHEN g % 6 = 0 THEN NULL ELSE 1 + g % 3500 END, "
            "date '2026-11-01' + (g % 30), (g % 9000) / 100.0 + 1, "
            "CASE WHEN g % 97 = 0 THEN 'C' ELSE 'E' END FROM generate_series(1, 12500) g;");
        run("INSERT INTO balcora.cfiscal (id_empresa, id_cliente, data, total, situacao) "
            "SELECT 1, 1 + g % 3500, date '2026-10-01' + (g % 61), 10, 'E' "
            "FROM generate_series(1, 12500) g WHERE (date '2026-10-01' + (g % 61)) "
            "NOT BETWEEN '2026-11-01' AND '2026-11-30';");
        run("INSERT INTO balcora.nf (id_empresa, cpf_cnpj_adquirente, dt_emissao, vl_total, "
            "status) SELECT 1, regexp_replace(cgcpf, '\\\\D', '', 'g'), "
            "date '2026-11-01' + (id_cliente % 30), 150.75, 'E' FROM balcora.cliente "
            "WHERE id_cliente % 4 = 0 AND cgcpf <> '';");
        run("ANALYZE balcora.cliente; ANALYZE balcora.cfiscal; ANALYZE balcora.nf;");
        return d;
    }();
    return *db;
}

void buyer_sales_month(benchmark::State& state) {
    database();
    for (auto _ : state) {
        prompt().clear();
        if (!fiscal::generate_buyer_sales(kNovember).ok) state.SkipWithError("file not written");
    }
}
BENCHMARK(buyer_sales_month);

void buyer_sales_query(benchmark::State& state) {
    database();
    const std::string statement = fiscal::buyer_sales_statement(kNovember);
    PGconn* conn = db::connection()->get();
    for (auto _ : state) {
        PGresult* r = PQexec(conn, statement.c_str());
        if (PQresultStatus(r) != PGRES_TUPLES_OK) state.SkipWithError("query failed");
        benchmark::DoNotOptimize(PQntuples(r));
        PQclear(r);
    }
}
BENCHMARK(buyer_sales_query);

}  // namespace

int main(int argc, char** argv) {
    return balcora::bench::run_with_ratios(
        argc, argv,
        {{"buyer_sales_month_vs_query", "buyer_sales_month", "buyer_sales_query", 1.5}});
}
