// The registers file of a year's movement against a COPY of the same rows to
// a file by the same client on the same server, with the client's peak memory.
#include "bench_steps.h"
#include "db/database.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "demo/demo_data.h"
#include "fiscal/paf_register_blocks.h"
#include "fiscal/paf_registers.h"
#include "globals/globals.h"
#include "platform/clock.h"
#include "util/day_number.h"
#include "year_of_sales.h"

#include <libpq-fe.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace balcora;
using bench::Clock;
using bench::fail;
using bench::median;
using bench::seconds_since;

// COPY of each movement query to one file, read with PQgetCopyData.
double copy_floor(const fiscal::RegistersContext& c, const std::string& file) {
    const auto t = Clock::now();
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) fail("open " + file);
    PGconn* conn = db::connection()->get();
    for (const std::string& q : fiscal::movement_queries(c)) {
        PGresult* r = PQexec(conn, ("COPY (" + q + ") TO STDOUT").c_str());
        if (PQresultStatus(r) != PGRES_COPY_OUT) fail("COPY: " + std::string(PQerrorMessage(conn)));
        PQclear(r);
        char* buffer = nullptr;
        int n;
        while ((n = PQgetCopyData(conn, &buffer, 0)) > 0) {
            std::fwrite(buffer, 1, static_cast<std::size_t>(n), out);
            PQfreemem(buffer);
        }
        while ((r = PQgetResult(conn))) PQclear(r);
    }
    std::fclose(out);
    return seconds_since(t);
}

}  // namespace

int main() {
    bench::YearShop shop;
    auto& root = shop.root;
    auto& prompt = shop.prompt;

    fiscal::RegistersRequest request;
    request.start = util::day_number(2025, 1, 1);
    request.end = util::day_number(2025, 12, 31);
    fiscal::RegistersContext context;
    context.id_empresa = demo::kCompanyId;
    context.id_maqecf = 1;
    context.start = request.start;
    context.end = request.end;
    const std::string floor_file = (root.path() / "copy.txt").string();

    std::vector<double> generation, floor;
    std::uintmax_t file_size = 0;
    for (int round = 0; round < 3; ++round) {
        floor.push_back(copy_floor(context, floor_file));
        const auto t = Clock::now();
        const fiscal::RegistersResult r = fiscal::generate_paf_registers(request);
        generation.push_back(seconds_since(t));
        if (!r.ok) {
            for (const auto& s : prompt.shown()) std::fprintf(stderr, "%s\n", s.text.c_str());
            fail("registers file");
        }
        file_size = std::filesystem::file_size(r.file);
        std::filesystem::remove(r.file);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const double ratio = median(generation) / median(floor);
    std::printf("median paf_registers_year %.3f s (%.1f MB file), copy %.3f s (%.1f MB)\n",
                median(generation), static_cast<double>(file_size) / 1e6, median(floor),
                static_cast<double>(std::filesystem::file_size(floor_file)) / 1e6);
    std::printf("ratio paf_registers_year_vs_copy %.2f goal 2.00 peak_rss_mb %.1f goal_mb 200\n",
                ratio, peak_mb);
    return ratio <= 2.0 && peak_mb < 200 ? 0 : 1;
}
