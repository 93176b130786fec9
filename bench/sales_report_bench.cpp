// The by-product sales report of a year's movement against its own query
// alone, run and fetched by the same client on the same server.
#include "bench_steps.h"
#include "db/database.h"
#include "db/literals.h"
#include "globals/globals.h"
#include "platform/clock.h"
#include "reports/sales_report.h"
#include "year_of_sales.h"

#include <libpq-fe.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace balcora;
using bench::Clock;
using bench::seconds_since;

double query_alone(util::DayNumber first, util::DayNumber last) {
    const auto t = Clock::now();
    PGresult* r = PQexec(
        db::connection()->get(),
        ("select A.id_produto,sum(A.qtdade),sum(CASE WHEN (B.total+B.vl_desconto-B.vl_acrescimo)=0 "
         "THEN 0 ELSE ((A.total-A.vl_desconto+A.vl_acrescimo)*B.total/"
         "(B.total+B.vl_desconto-B.vl_acrescimo)) END) FROM balcora.cfiscald AS A LEFT OUTER JOIN "
         "balcora.cfiscal AS B ON (A.id_cfiscal=B.id_cfiscal) WHERE B.situacao='E' AND B.data>=" +
         DTSQL(first) + " AND B.data<=" + DTSQL(last) +
         " AND A.item_cancelado=0 GROUP BY A.id_produto ORDER BY A.id_produto")
            .c_str());
    if (PQresultStatus(r) != PGRES_TUPLES_OK) bench::fail("query");
    PQclear(r);
    return seconds_since(t);
}

}  // namespace

int main() {
    bench::YearShop shop;
    auto& clock = shop.clock;

    const util::DayNumber first = util::day_number(2025, 1, 1),
                          last = util::day_number(2025, 12, 31);
    std::vector<double> report, floor;
    for (int round = 0; round < 3; ++round) {
        floor.push_back(query_alone(first, last));
        const auto t = Clock::now();
        const auto r = reports::build_sales_report(reports::SalesReportModel::kByProduct, first,
                                                   last, clock.now());
        report.push_back(seconds_since(t));
        if (!r || r->lines.empty()) bench::fail("report");
    }
    const double ratio = bench::median(report) / bench::median(floor);
    std::printf("median sales_report_model2_year %.3f s, query alone %.3f s\n",
                bench::median(report), bench::median(floor));
    std::printf("ratio sales_report_model2_vs_query %.2f goal 1.50\n", ratio);
    return ratio <= 1.5 ? 0 : 1;
}
