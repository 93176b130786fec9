// The Bloco X file of a busy day (2,000 coupons over 800 products and five
// tax totalizers) against the day's product aggregation query alone, read by
// the same client from the same server.
#include "bench_steps.h"
#include "blocox/z_reduction_xml.h"
#include "db/database.h"
#include "demo/demo_data.h"
#include "globals/globals.h"
#include "platform/clock.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "support/test_database.h"
#include "ui/environment.h"

#include <libpq-fe.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace balcora;
using bench::Clock;
using bench::fail;
using bench::median;
using bench::run;
using bench::seconds_since;

constexpr const char* kTotalizers = "ARRAY['01T1800','02T1200','03T0700','F1','I1']";

// 800 products spread over the five totalizers; 2,000 issued coupons of five
// items each (every tenth with a discount), 40 cancelled coupons; the day's
// reduction with its totalizers and adjustments.
std::string load_day() {
    run("INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, unidade, "
        "ecf_st, ecf_aliquota, ecf_cod_st, cod_ncm, cest) SELECT 100000 + p, 'B' || p, "
        "'789' || (1000000 + p), 'PRODUTO DE BANCADA ' || p, 'UN', 'T', 18, '01', 22021000, "
        "CASE WHEN p % 3 = 0 THEN 1234567 ELSE 0 END FROM generate_series(1, 800) p;");
    run("INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, data, total, "
        "vl_desconto, situacao) SELECT 1, 1, 1, g, '2026-12-05', 50.00, CASE WHEN g % 10 = 0 "
        "THEN 1.00 ELSE 0 END, CASE WHEN g % 50 = 0 THEN 'C' ELSE 'E' END "
        "FROM generate_series(1, 2040) g;");
    run(std::string("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, "
                    "preco, total, vl_base, item_cancelado, totalizador, descricao, unidade) "
                    "SELECT c.id_cfiscal, i, 100001 + (c.numero * 7 + i * 131) % 800, 1.250, "
                    "8.000, 10.00, 10.00, 0, (") +
        kTotalizers +
        ")[1 + (c.numero * 7 + i * 131) % 800 % 5], 'PRODUTO DE BANCADA', 'UN' "
        "FROM balcora.cfiscal c, generate_series(1, 5) i;");
    run("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_cont_red_z, num_coo, "
        "num_cont_reinicio, dt_emissao, hr_emissao, vl_venda_bruta, vl_tot_geral) VALUES (1, 1, "
        "'2026-12-05', 30, 2100, 1, '2026-12-05', '22:00:00', 102000.00, 5000000.00);");
    run(std::string("INSERT INTO balcora.reg60a (id_reg60m, st_aliq, totalizador, vl_acumulado) "
                    "SELECT m.id_reg60m, t, t, 19984.00 FROM balcora.reg60m m, unnest(") +
        kTotalizers + ") t;");
    run("INSERT INTO balcora.reg60a (id_reg60m, st_aliq, totalizador, vl_acumulado) SELECT "
        "id_reg60m, s, '', v FROM balcora.reg60m, (VALUES ('DESC', 200.00), ('CANC', 2000.00), "
        "('AT', 12.34)) a(s, v);");
    run("ANALYZE balcora.cfiscal; ANALYZE balcora.cfiscald; ANALYZE balcora.produto;");
    PGresult* r = PQexec(db::connection()->get(), "SELECT max(id_reg60m) FROM balcora.reg60m");
    const std::string id = PQgetvalue(r, 0, 0);
    PQclear(r);
    return id;
}

// The products of the day per totalizer, every value read by the client.
double query_floor() {
    const auto t = Clock::now();
    PGresult* r =
        PQexec(db::connection()->get(),
               "SELECT a.totalizador, a.id_produto, a.descricao, a.unidade, sum(a.qtdade), "
               "sum(a.vl_base) FROM balcora.cfiscald a LEFT JOIN balcora.cfiscal b ON "
               "a.id_cfiscal=b.id_cfiscal WHERE b.data='2026-12-05' AND b.situacao='E' AND "
               "a.item_cancelado=0 GROUP BY a.totalizador, a.id_produto, a.descricao, a.unidade "
               "ORDER BY sum(a.vl_base)");
    if (PQresultStatus(r) != PGRES_TUPLES_OK) fail("aggregation query");
    std::size_t bytes = 0;
    for (int i = 0; i < PQntuples(r); ++i)
        for (int k = 0; k < PQnfields(r); ++k) bytes += std::string(PQgetvalue(r, i, k)).size();
    PQclear(r);
    if (bytes == 0) fail("aggregation query found nothing");
    return seconds_since(t);
}

}  // namespace

int main() {
    test::ScriptedPrompt prompt;
    test::TempRoot root;
    platform::FixedClock clock{{2026, 12, 7, 10, 0, 0}};
    ScopedEnvironment env{{&clock, &root.root(), &prompt}};
    glo::reset_all();
    test::TestDatabase database;
    glo::string_conexao = database.connection_string();
    if (!load_demo_data()) fail("demo data");
    glo::numfab = demo::kPrinterSerial;
    const std::int32_t id = std::stoi(load_day());

    std::vector<double> generation, floor;
    std::uintmax_t size = 0;
    for (int round = 0; round < 7; ++round) {
        floor.push_back(query_floor());
        const auto t = Clock::now();
        const blocox::ZReductionXml xml = blocox::generate_z_reduction_xml(id);
        generation.push_back(seconds_since(t));
        if (!xml.ok) {
            for (const auto& s : prompt.shown()) std::fprintf(stderr, "%s\n", s.text.c_str());
            fail("Z-reduction file");
        }
        size = std::filesystem::file_size(xml.path);
    }
    const double ratio = median(generation) / median(floor);
    std::printf("median blocox_z_xml %.1f ms (%.0f kB file), aggregation query %.1f ms\n",
                median(generation) * 1e3, static_cast<double>(size) / 1e3, median(floor) * 1e3);
    std::printf("ratio blocox_z_xml_vs_query %.2f goal 2.00\n", ratio);
    return ratio <= 2.0 ? 0 : 1;
}
