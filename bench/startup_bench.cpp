// Start-up to the main menu (the frame shown and its start-up checks run)
// against launching the same binary with --version, both as whole processes.
// Needs BALCORA_BENCH_BINARY (the balcora executable) and BALCORA_BENCH_ROOT
// (a data root whose database server is running), as bench/run gives them.
#include "platform/process.h"
#include "ratio_reporter.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

using namespace balcora;

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

platform::ProcessOptions offscreen() {
    platform::ProcessOptions o;
    // Measured without a display server: the program's own work, not X11's.
    o.env.emplace_back("QT_QPA_PLATFORM", "offscreen");
    return o;
}

std::vector<std::string> program(std::vector<std::string> args) {
    args.insert(args.begin(), {env("BALCORA_BENCH_BINARY"), "--root", env("BALCORA_BENCH_ROOT")});
    return args;
}

// The demo shop and operator, no back-office program to start (its absence
// would be reported in a message box that waits for an answer), the
// public-key file already written (the first start announces it in one) and
// the demo's Bloco X files taken as accepted (a start sends pending ones, and
// without the demo's tax authority running it reports the failure in one).
bool prepare() {
    for (const auto& args :
         {program({"demo"}), program({"setting", "set", "PAF-ECF", "IniAutRetaguarda", "0"}),
          program({"fiscal", "public-key"}),
          program({"sql",
                   "UPDATE balcora.reg60m SET sit_blocox='A' WHERE sit_blocox='P'; "
                   "UPDATE balcora.estoquex SET sit_blocox='A' WHERE sit_blocox='P';"})}) {
        auto r = platform::run_program(args);
        if (!r.ok()) {
            std::fprintf(stderr, "startup_bench: %s", r.output.c_str());
            return false;
        }
    }
    return true;
}

void version_launch(benchmark::State& state) {
    for (auto _ : state) {
        auto r = platform::run_program({env("BALCORA_BENCH_BINARY"), "--version"});
        if (!r.ok()) state.SkipWithError("balcora --version failed");
    }
}
BENCHMARK(version_launch)->UseRealTime()->Unit(benchmark::kMillisecond);

void startup_to_menu(benchmark::State& state) {
    const auto args = program({"--user", "demo", "--password", "demo", "--exit-when-ready"});
    for (auto _ : state) {
        auto r = platform::run_program(args, offscreen());
        if (!r.ok()) {
            state.SkipWithError(("start-up failed: " + platform::tail_lines(r.output, 3)).c_str());
            break;
        }
    }
}
BENCHMARK(startup_to_menu)->UseRealTime()->Unit(benchmark::kMillisecond);

// Also keeps the medians, to print the start-up time beside its ratio.
class StartupReporter final : public bench::RatioReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_ms[run.run_name.str()] = run.GetAdjustedRealTime();
        RatioReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians_ms;
};

}  // namespace

int main(int argc, char** argv) {
    if (env("BALCORA_BENCH_BINARY").empty() || env("BALCORA_BENCH_ROOT").empty()) {
        std::fputs("startup_bench: BALCORA_BENCH_BINARY and BALCORA_BENCH_ROOT are needed\n",
                   stderr);
        return 2;
    }
    if (!prepare()) return 1;
    std::vector<char*> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=9",
                interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {reps.data(), interleave.data()});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    StartupReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::fputc('\n', stdout);
    // Goal: the frame within a second, where a bare launch takes about 10 ms.
    // Runs measured in real time carry that in their names.
    reporter.print_ratios(
        {{"startup_vs_version", "startup_to_menu/real_time", "version_launch/real_time", 100.0}});
    for (const char* name : {"startup_to_menu", "version_launch"}) {
        auto it = reporter.medians_ms.find(std::string(name) + "/real_time");
        if (it != reporter.medians_ms.end()) std::printf("median %s %.1f ms\n", name, it->second);
    }
    return 0;
}
