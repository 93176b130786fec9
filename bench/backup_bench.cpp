// A verified backup of the shop's year of sales (dump, restore into a
// scratch database, comparison of every table) against a bare
// "pg_dump -Fc" of the same database by the same client programs.
#include "backup/backup.h"
#include "bench_steps.h"
#include "db/record_hash.h"
#include "globals/globals.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "support/backup_target.h"
#include "support/test_database.h"
#include "year_of_sales.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using namespace balcora;
using bench::Clock;
using bench::fail;
using bench::median;
using bench::seconds_since;

double bare_dump(const shell::BackupTarget& t, const std::filesystem::path& file) {
    const auto start = Clock::now();
    auto r = platform::run_program({shell::postgres_tool(t.tools, "pg_dump"), "-h", t.host, "-p",
                                    std::to_string(t.port), "-U", t.user, "-w", "-Fc", "-f",
                                    file.string(), t.dbname});
    if (!r.ok()) fail("pg_dump: " + r.output);
    return seconds_since(start);
}

class Quiet final : public shell::BackupProgressView {
  public:
    void show(const std::string&) override {}
    void step(const std::string&) override {}
    void output(const std::string&) override {}
    void idle() override { std::this_thread::sleep_for(std::chrono::milliseconds(5)); }
    void finished(bool) override {}
};

}  // namespace

int main() {
    bench::YearShop shop;
    auto& root = shop.root;
    auto& database = shop.database;
    auto& prompt = shop.prompt;
    const shell::BackupTarget target = test::backup_target_of(database, root.path());
    const std::filesystem::path floor_file = root.path() / "bare.pgsql";

    std::vector<double> verified, floor;
    std::uintmax_t size = 0;
    for (int round = 0; round < 1; ++round) {
        floor.push_back(bare_dump(target, floor_file));
        const auto start = Clock::now();
        shell::BackupRun run(target);
        Quiet quiet;
        run.execute(quiet);
        verified.push_back(seconds_since(start));
        if (!run.succeeded()) {
            for (const auto& s : prompt.shown()) std::fprintf(stderr, "%s\n", s.text.c_str());
            fail("verified backup");
        }
        size = std::filesystem::file_size(run.file());
    }
    const double ratio = median(verified) / median(floor);
    std::printf("median backup_verified_year %.3f s (%.1f MB file), bare pg_dump %.3f s\n",
                median(verified), static_cast<double>(size) / 1e6, median(floor));
    std::printf("ratio backup_verified_vs_dump %.2f goal 2.50\n", ratio);
    return ratio <= 2.5 ? 0 : 1;
}
