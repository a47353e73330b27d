#include "core/benchmark/benchmark_stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace lopewell {

BenchmarkStats BenchmarkStats::compute(std::span<const BenchmarkRun> runs)
{
    BenchmarkStats stats;
    if (runs.empty())
        return stats;

    // What a stable sort by timestamp would put first and last, without copying the runs.
    const BenchmarkRun* first = &runs.front();
    const BenchmarkRun* latest = &runs.front();
    const BenchmarkRun* best = nullptr;
    std::vector<double> coolScores;
    int64_t coolCount = 0;
    for (const BenchmarkRun& run : runs) {
        if (run.timestamp < first->timestamp)
            first = &run;
        if (run.timestamp >= latest->timestamp)
            latest = &run;
        if (!run.isCool())
            continue;
        ++coolCount;
        // NaN would break the ordering the median sort needs and would pin itself as best.
        if (std::isnan(run.score))
            continue;
        coolScores.push_back(run.score);
        if (!best || run.score > best->score)
            best = &run;
    }

    stats.first = *first;
    stats.latest = *latest;
    stats.excludedWarmCount = int64_t(runs.size()) - coolCount;
    if (best) {
        stats.best = *best;
        std::sort(coolScores.begin(), coolScores.end());
        size_t middle = coolScores.size() / 2;
        // midpoint: the mean of two huge scores does not overflow to infinity.
        stats.median = coolScores.size() % 2 == 1 ? coolScores[middle] : std::midpoint(coolScores[middle - 1], coolScores[middle]);
        if (best->score != 0 && !std::isnan(latest->score))
            stats.deltaVsBestFraction = (latest->score - best->score) / best->score;
    }
    return stats;
}

}  // namespace lopewell
