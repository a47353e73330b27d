#include "core/benchmark/benchmark_stats.h"

#include <limits>
#include <unordered_set>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace lopewell {
namespace {

using namespace std::chrono;

constexpr int64_t nominal = 0;
constexpr int64_t fair = 1;
constexpr int64_t serious = 2;
constexpr int64_t critical = 3;

BenchmarkRun run(int second, double score, int64_t thermal = nominal, std::string device = "mac-1")
{
    return BenchmarkRun { BenchmarkKind::cpuSingle, referenceDate() + seconds { second }, score, 12.5, 0.25, thermal, std::move(device) };
}

TEST(BenchmarkStats, NoRunsGiveNothing)
{
    BenchmarkStats stats = BenchmarkStats::compute({});
    EXPECT_EQ(stats, BenchmarkStats {});
    EXPECT_FALSE(stats.best || stats.median || stats.first || stats.latest || stats.deltaVsBestFraction);
    EXPECT_EQ(stats.excludedWarmCount, 0);
}

TEST(BenchmarkStats, OneCoolRunIsBestFirstAndLatest)
{
    const std::vector<BenchmarkRun> runs { run(10, 842.5) };
    BenchmarkStats stats = BenchmarkStats::compute(runs);
    EXPECT_EQ(stats.best, runs[0]);
    EXPECT_EQ(stats.first, runs[0]);
    EXPECT_EQ(stats.latest, runs[0]);
    EXPECT_EQ(stats.median, 842.5);
    EXPECT_EQ(stats.deltaVsBestFraction, 0.0);
    EXPECT_EQ(stats.excludedWarmCount, 0);
}

TEST(BenchmarkStats, WarmRunsCountForFirstAndLatestOnly)
{
    const std::vector<BenchmarkRun> runs { run(20, 900, serious), run(10, 950, critical) };
    BenchmarkStats stats = BenchmarkStats::compute(runs);
    EXPECT_FALSE(stats.best);
    EXPECT_FALSE(stats.median);
    EXPECT_FALSE(stats.deltaVsBestFraction);
    EXPECT_EQ(stats.first, runs[1]);
    EXPECT_EQ(stats.latest, runs[0]);
    EXPECT_EQ(stats.excludedWarmCount, 2);
}

TEST(BenchmarkStats, CoolMeansThermalStateBelowSerious)
{
    struct Case {
        int64_t thermalRaw;
        bool cool;
    };
    const Case cases[] = { { nominal, true }, { fair, true }, { serious, false }, { critical, false }, { -1, true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.thermalRaw);
        BenchmarkStats stats = BenchmarkStats::compute(std::vector { run(1, 100, c.thermalRaw) });
        EXPECT_EQ(stats.best.has_value(), c.cool);
        EXPECT_EQ(stats.excludedWarmCount, c.cool ? 0 : 1);
    }
}

TEST(BenchmarkStats, MedianOfCoolScoresOnly)
{
    EXPECT_EQ(BenchmarkStats::compute(std::vector { run(1, 1), run(2, 4), run(3, 2), run(4, 3) }).median, 2.5);
    EXPECT_EQ(BenchmarkStats::compute(std::vector { run(1, 3), run(2, 1), run(3, 2) }).median, 2.0);
    EXPECT_EQ(BenchmarkStats::compute(std::vector { run(1, 3), run(2, 100, serious), run(3, 1) }).median, 2.0);
    // The mean of two huge scores must not overflow to infinity.
    const double huge = std::numeric_limits<double>::max();
    EXPECT_EQ(BenchmarkStats::compute(std::vector { run(1, huge), run(2, huge) }).median, huge);
}

TEST(BenchmarkStats, TheFirstOfEqualTopScoresIsBest)
{
    const std::vector<BenchmarkRun> runs { run(1, 50), run(2, 90, nominal, "a"), run(3, 90, fair, "b"), run(4, 120, serious) };
    BenchmarkStats stats = BenchmarkStats::compute(runs);
    EXPECT_EQ(stats.best, runs[1]);
    EXPECT_EQ(stats.excludedWarmCount, 1);
}

TEST(BenchmarkStats, FirstAndLatestFollowTimestampsNotTheOrderGiven)
{
    const std::vector<BenchmarkRun> runs {
        run(30, 1, nominal, "latest, given first"),
        run(10, 2, nominal, "earliest, given first"),
        run(30, 3, nominal, "latest, given last"),
        run(10, 4, nominal, "earliest, given last"),
        run(20, 5),
    };
    BenchmarkStats stats = BenchmarkStats::compute(runs);
    EXPECT_EQ(stats.first, runs[1]);
    EXPECT_EQ(stats.latest, runs[2]);
}

TEST(BenchmarkStats, DeltaComparesTheLatestRunEvenWhenWarmWithTheBest)
{
    BenchmarkStats stats = BenchmarkStats::compute(std::vector { run(1, 100), run(2, 90, critical) });
    ASSERT_TRUE(stats.deltaVsBestFraction);
    EXPECT_DOUBLE_EQ(*stats.deltaVsBestFraction, -0.1);

    stats = BenchmarkStats::compute(std::vector { run(1, 80), run(2, 100), run(3, 120) });
    ASSERT_TRUE(stats.deltaVsBestFraction);
    EXPECT_EQ(*stats.deltaVsBestFraction, 0.0);
}

TEST(BenchmarkStats, ABestScoreOfZeroGivesNoDelta)
{
    EXPECT_FALSE(BenchmarkStats::compute(std::vector { run(1, 0), run(2, 5, serious) }).deltaVsBestFraction);
    EXPECT_FALSE(BenchmarkStats::compute(std::vector { run(1, -0.0) }).deltaVsBestFraction);
    EXPECT_TRUE(BenchmarkStats::compute(std::vector { run(1, -2), run(2, -1, serious) }).deltaVsBestFraction);
}

TEST(BenchmarkStats, ANanScoreIsNeverBestAndStaysOutOfTheMedian)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<BenchmarkRun> runs { run(1, nan), run(2, 5), run(3, nan), run(4, 7), run(5, 6) };
    BenchmarkStats stats = BenchmarkStats::compute(runs);
    ASSERT_TRUE(stats.best);
    EXPECT_EQ(stats.best->score, 7);
    EXPECT_EQ(stats.median, 6.0);
    EXPECT_EQ(stats.excludedWarmCount, 0);
    EXPECT_DOUBLE_EQ(*stats.deltaVsBestFraction, -1.0 / 7);

    runs.push_back(run(6, nan));  // the latest run has no score
    stats = BenchmarkStats::compute(runs);
    EXPECT_EQ(stats.best->score, 7);
    EXPECT_FALSE(stats.deltaVsBestFraction);

    stats = BenchmarkStats::compute(std::vector { run(1, nan), run(2, nan) });
    EXPECT_FALSE(stats.best);
    EXPECT_FALSE(stats.median);
    EXPECT_EQ(stats.excludedWarmCount, 0);
    EXPECT_TRUE(stats.first && stats.latest);
}

TEST(BenchmarkRun, EqualRunsHashAlikeAndEveryFieldTakesPart)
{
    const BenchmarkRun base = run(1, 100);
    std::vector<BenchmarkRun> variants(7, base);
    variants[0].kind = BenchmarkKind::gpuFMA;
    variants[1].timestamp += nanoseconds { 1 };
    variants[2].score = 101;
    variants[3].elapsed = 13;
    variants[4].auxiliary = 0.5;
    variants[5].thermalRaw = fair;
    variants[6].deviceIdentifier = "mac-2";

    std::unordered_set<BenchmarkRun> set { base, run(1, 100) };
    EXPECT_EQ(set.size(), 1u);
    for (const BenchmarkRun& variant : variants) {
        EXPECT_NE(variant, base);
        set.insert(variant);
    }
    EXPECT_EQ(set.size(), 8u);
}

TEST(BenchmarkKind, CodesAsItsRawValue)
{
    struct Case {
        BenchmarkKind kind;
        const char* rawValue;
    };
    const Case cases[] = {
        { BenchmarkKind::cpuSingle, "cpu.single" },
        { BenchmarkKind::cpuMulti, "cpu.multi" },
        { BenchmarkKind::gpuFMA, "gpu.fma" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rawValue(c.kind), c.rawValue);
        EXPECT_EQ(fromRawValue<BenchmarkKind>(c.rawValue), c.kind);
        EXPECT_EQ(nlohmann::json(c.kind), c.rawValue);
        EXPECT_EQ(nlohmann::json(c.rawValue).get<BenchmarkKind>(), c.kind);
    }
    EXPECT_FALSE(fromRawValue<BenchmarkKind>("cpuSingle"));
    EXPECT_THROW(nlohmann::json("gpu.FMA").get<BenchmarkKind>(), nlohmann::json::type_error);
    EXPECT_THROW(nlohmann::json(0).get<BenchmarkKind>(), nlohmann::json::type_error);
}

}  // namespace
}  // namespace lopewell
