#include "ratio_reporter.h"

#include <cstdio>

namespace balcora::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    // With repetitions the median stands for the benchmark; without, the run.
    for (const auto& run : runs) {
        if (run.error_occurred) continue;
        const std::string name = run.run_name.str();
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
            medians_[name] = run.GetAdjustedRealTime();
        else if (run.run_type == Run::RT_Iteration)
            times_[name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
}

int RatioReporter::print_ratios(const std::vector<Comparison>& comparisons) const {
    int missed = 0;
    for (const auto& c : comparisons) {
        const auto& source = medians_.empty() ? times_ : medians_;
        auto m = source.find(c.measured), f = source.find(c.floor);
        if (m == source.end() || f == source.end() || f->second <= 0) {
            std::printf("ratio %s n/a goal %.2f\n", c.name.c_str(), c.goal);
            ++missed;
            continue;
        }
        double ratio = m->second / f->second;
        std::printf("ratio %s %.3f goal %.2f\n", c.name.c_str(), ratio, c.goal);
        if (ratio > c.goal) ++missed;
    }
    std::fflush(stdout);
    return missed;
}

int run_with_ratios(int argc, char** argv, const std::vector<Comparison>& comparisons) {
    // Repetitions in random order, compared by their medians, so a slower
    // moment of the machine or the server does not fall on one side only.
    std::vector<char*> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=7",
                interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {reps.data(), interleave.data()});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::fputc('\n', stdout);
    return reporter.print_ratios(comparisons) > 0 ? 1 : 0;
}

}  // namespace balcora::bench
