#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "core/monitoring/proc_parsers.h"

using namespace lopewell;

namespace {

std::string capturedText(const char* name)
{
    std::ifstream file(std::string(LOPEWELL_TEST_DATA) + "/proc/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

constexpr uint64_t KiB = 1024;

}  // namespace

TEST(ProcStat, CapturedFileGivesOneRecordPerCPUWithTheFoldedCounters)
{
    auto ticks = parseProcStat(capturedText("stat-2cpu.txt"));
    ASSERT_TRUE(ticks);
    ASSERT_EQ(ticks->size(), 2u);  // the aggregate "cpu " line is not a processor
    // cpu1 13543 0 5177 322621 233 0 76 0: system + irq + softirq + steal, idle + iowait
    EXPECT_EQ((*ticks)[1], (CPUTicks { .user = 13543, .system = 5177 + 76, .idle = 322621 + 233, .nice = 0 }));
}

TEST(ProcStat, CountersWrapToThirtyTwoBitsAndShortOldStyleLinesParse)
{
    auto ticks = parseProcStat("cpu  1 2 3 4\ncpu0 4294967297 7 1 2\ncpu1 1 2 3 4 5\n");
    ASSERT_TRUE(ticks);
    ASSERT_EQ(ticks->size(), 2u);
    EXPECT_EQ((*ticks)[0].user, 1u);  // 2^32 + 1 wraps
    EXPECT_EQ((*ticks)[1], (CPUTicks { .user = 1, .system = 3, .idle = 4 + 5, .nice = 2 }));
}

TEST(ProcStat, MalformedOrMissingTextIsAFailedRead)
{
    const char* cases[] = {
        "",
        "intr 1 2 3\nctxt 5\n",  // no per-CPU lines
        "cpu0 1 2 3\n",          // fewer than four counters
        "cpu0 1 2 x 4\n",
        "cpu0 -1 2 3 4\n",
        "cpuX 1 2 3 4\ncpu0 1 2\n",
    };
    for (const char* text : cases)
        EXPECT_EQ(parseProcStat(text), std::nullopt) << text;
}

TEST(Meminfo, CapturedFileMapsOntoThePageClasses)
{
    auto stats = parseMeminfo(capturedText("meminfo-6.x.txt"));
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->total, 24683716 * KiB);
    EXPECT_EQ(stats->free, 23432308 * KiB);
    EXPECT_EQ(stats->active, (420428 + 10520) * KiB);
    EXPECT_EQ(stats->inactive, (4220 + 610644 - 10520 + 62668) * KiB);
    EXPECT_EQ(stats->wired, (15228 + 23904 + 2356 + 3968) * KiB);
    EXPECT_EQ(stats->compressed, 0u);
    EXPECT_EQ(stats->appResident, 0u);
}

TEST(Meminfo, UsedTracksTotalMinusAvailableOnABusyMachine)
{
    // A machine with most memory in anonymous pages and some compressed in zswap.
    const char* text = "MemTotal:       16000000 kB\nMemFree:          500000 kB\nMemAvailable:    3000000 kB\n"
                       "Buffers:           10000 kB\nCached:          2600000 kB\nShmem:            200000 kB\n"
                       "SReclaimable:     150000 kB\nSUnreclaim:       100000 kB\nAnonPages:      12200000 kB\n"
                       "Unevictable:       20000 kB\nKernelStack:       30000 kB\nPageTables:       90000 kB\n"
                       "Zswap:            300000 kB\n";
    auto stats = parseMeminfo(text);
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->used(), (12200000 + 200000 + 20000 + 100000 + 30000 + 90000 + 300000) * KiB);
    EXPECT_NEAR(double(stats->used()), double((16000000 - 3000000) * KiB), 0.03 * double(stats->total));
}

TEST(Meminfo, KeysAnOlderKernelLacksCountAsZero)
{
    auto stats = parseMeminfo("MemTotal: 1000 kB\nMemFree: 400 kB\nCached: 10 kB\nShmem: 50 kB\n");
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->compressed, 0u);
    EXPECT_EQ(stats->inactive, 0u);  // Cached < Shmem clamps instead of wrapping
    EXPECT_EQ(stats->active, 50 * KiB);
}

TEST(Meminfo, MalformedTextIsAFailedRead)
{
    const char* cases[] = {
        "",
        "MemFree: 400 kB\n",    // no total
        "MemTotal: 1000 kB\n",  // no free
        "MemTotal: lots kB\nMemFree: 1 kB\n",
        "MemTotal: 1000 MB\nMemFree: 1 kB\n",  // unknown unit
        "MemTotal: 99999999999999999999 kB\nMemFree: 1 kB\n",
        "MemTotal: 18014398509481984 kB\nMemFree: 1 kB\n",  // overflows bytes
    };
    for (const char* text : cases)
        EXPECT_EQ(parseMeminfo(text), std::nullopt) << text;
}

TEST(Footprint, ResidentPlusSwappedOut)
{
    EXPECT_EQ(parseFootprint(capturedText("status-self.txt")), 1732 * KiB);
    EXPECT_EQ(parseFootprint("Name:\tx\nVmRSS:\t  100 kB\nVmSwap:\t  20 kB\n"), 120 * KiB);
    EXPECT_EQ(parseFootprint("Name:\tkthreadd\nState:\tS\n"), std::nullopt);  // kernel threads have no VmRSS
}
