// The summary a benchmark history shows: best and median of the runs recorded while the machine
// was not throttled, the first and latest runs, and how far the latest is from the best.
//
//   BenchmarkStats stats = BenchmarkStats::compute(runsOfOneKindAndDevice);
//   if (stats.deltaVsBestFraction) show(*stats.deltaVsBestFraction * 100, "% vs best");
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/benchmark/benchmark_run.h"

namespace lopewell {

struct BenchmarkStats {
    std::optional<BenchmarkRun> best;           // highest-scoring cool run; the first of equal scores
    std::optional<double> median;               // of the cool runs' scores
    std::optional<BenchmarkRun> first;          // earliest by timestamp, cool or warm
    std::optional<BenchmarkRun> latest;         // most recent by timestamp; of equal ones, the last given
    std::optional<double> deltaVsBestFraction;  // (latest − best) / best; -0.1 is 10 % below the best
    int64_t excludedWarmCount = 0;

    // The caller passes the runs of one kind and one device; nothing is filtered here. A run whose
    // score is NaN has no score to rank: it is left out of best and median, and a NaN latest
    // score gives no delta.
    static BenchmarkStats compute(std::span<const BenchmarkRun> runs);

    bool operator==(const BenchmarkStats&) const = default;
};

}  // namespace lopewell
