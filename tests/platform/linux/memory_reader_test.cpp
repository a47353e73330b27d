#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

#include "core/monitoring/proc_parsers.h"
#include "platform/memory_reader.h"

using namespace lopewell;

namespace {

uint64_t meminfoKilobytes(const std::string& key)
{
    std::ifstream file("/proc/meminfo");
    std::string line;
    while (std::getline(file, line)) {
        if (line.starts_with(key + ":"))
            return std::stoull(line.substr(key.size() + 1));
    }
    return 0;
}

}  // namespace

TEST(MemoryReader, AgreesWithTheKernelsOwnFigures)
{
    auto stats = MemoryReader::read();
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->total, uint64_t(sysconf(_SC_PHYS_PAGES)) * uint64_t(sysconf(_SC_PAGESIZE)));
    const double kernelUsed = double(meminfoKilobytes("MemTotal") - meminfoKilobytes("MemAvailable")) * 1024;
    EXPECT_NEAR(double(stats->used()), kernelUsed, 0.05 * double(stats->total));
    EXPECT_GT(stats->appResident, 0u);
    EXPECT_GT(MemoryReader::appPhysicalFootprint(), 0u);
}

TEST(MemoryReader, MissingFilesFailTheReadOrOnlyTheFootprint)
{
    EXPECT_EQ(MemoryReader::readFrom("/nonexistent/meminfo", "/proc/self/status"), std::nullopt);
    auto withoutFootprint = MemoryReader::readFrom("/proc/meminfo", "/nonexistent/status");
    ASSERT_TRUE(withoutFootprint);
    EXPECT_EQ(withoutFootprint->appResident, 0u);
    EXPECT_GT(withoutFootprint->total, 0u);
}

TEST(MemoryReader, APollerReadsItsKeptOpenFilesAfreshEveryCall)
{
    const auto poll = MemoryReader::poller();
    for (int call = 0; call < 3; ++call) {
        const std::optional<MemoryStats> stats = poll();
        ASSERT_TRUE(stats) << "call " << call;
        EXPECT_EQ(stats->total, MemoryReader::read()->total);
        EXPECT_GT(stats->appResident, 0u);
    }
    EXPECT_EQ(MemoryReader::pollerFrom("/nonexistent/meminfo", "/proc/self/status")(), std::nullopt);
    const auto withoutFootprint = MemoryReader::pollerFrom("/proc/meminfo", "/nonexistent/status")();
    ASSERT_TRUE(withoutFootprint);
    EXPECT_EQ(withoutFootprint->appResident, 0u);
}
