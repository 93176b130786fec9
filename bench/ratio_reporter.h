#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace balcora::bench {

// A comparison of a measured benchmark against its floor measured in the
// same run; printed as "ratio NAME VALUE goal GOAL".
struct Comparison {
    std::string name;
    std::string measured;  // benchmark name
    std::string floor;     // benchmark name
    double goal;
};

// Keeps the console output of Google Benchmark and remembers each run's real
// time per iteration so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    // Prints one line per comparison; returns how many missed their goal.
    int print_ratios(const std::vector<Comparison>& comparisons) const;

  private:
    std::map<std::string, double> times_;
    std::map<std::string, double> medians_;
};

// Runs the registered benchmarks and prints the ratios; the exit code, 1 when
// a ratio missed its goal (or could not be measured).
int run_with_ratios(int argc, char** argv, const std::vector<Comparison>& comparisons);

}  // namespace balcora::bench
