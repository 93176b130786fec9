#include "ratio_reporter.h"

#include <cstdio>

namespace balcora::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const auto& run : runs)
        if (run.run_type == Run::RT_Iteration && !run.error_occurred)
            times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
}

int RatioReporter::print_ratios(const std::vector<Comparison>& comparisons) const {
    int missed = 0;
    for (const auto& c : comparisons) {
        auto m = times_.find(c.measured), f = times_.find(c.floor);
        if (m == times_.end() || f == times_.end() || f->second <= 0) {
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
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.print_ratios(comparisons);
    return 0;
}

}  // namespace balcora::bench
