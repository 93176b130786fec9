#pragma once

// Small steps the whole-program benchmarks share: stop on a failed step,
// run set-up SQL on the raw connection, time a step, take a median.
#include "db/database.h"

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace balcora::bench {

// A benchmark whose set-up failed measures nothing: say what and stop.
[[noreturn]] inline void fail(const std::string& what) {
    std::fprintf(stderr, "benchmark: %s failed\n", what.c_str());
    std::exit(1);
}

// Set-up SQL (loading the shop's rows), straight on libpq.
inline void run(const std::string& sql) {
    PGresult* r = PQexec(db::connection()->get(), sql.c_str());
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(sql.substr(0, 200) + ": " + PQresultErrorMessage(r));
    PQclear(r);
}

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace balcora::bench
