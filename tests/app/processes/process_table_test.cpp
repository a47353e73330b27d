#include "app/processes/process_table.h"

#include <gtest/gtest.h>

using namespace lopewell;

namespace {

RunningProcess row(int32_t pid, std::string name, std::string user, double cpu, uint64_t memory, int64_t threads)
{
    return RunningProcess { .pid = pid,
        .parentPID = 1,
        .name = std::move(name),
        .path = std::nullopt,
        .user = std::move(user),
        .cpuPercent = cpu,
        .memoryBytes = memory,
        .threadCount = threads };
}

std::vector<int32_t> pids(const std::vector<RunningProcess>& rows)
{
    std::vector<int32_t> result;
    for (const auto& r : rows)
        result.push_back(r.pid);
    return result;
}

const std::vector<RunningProcess> sampleRows = {
    row(12, "Safari", "alice", 5.0, 300, 10),
    row(140, "bash", "root", 40.0, 100, 1),
    row(512, "firefox", "Bob", 5.0, 900, 80),
};

}  // namespace

TEST(ProcessTable, FilterIsTrimmedCaseInsensitiveOverNamePidAndUser)
{
    struct Case {
        std::string_view filter;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        { "", { 12, 140, 512 } },
        { " \n\t ", { 12, 140, 512 } },
        { "  SAF ", { 12 } },   // name
        { "14", { 140 } },      // pid as decimal text
        { "12", { 12, 512 } },  // "12" also inside 512
        { "bob", { 512 } },     // user
        { "nothing", {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(pids(visibleProcesses(sampleRows, c.filter, ProcessSortKey::pid, true)), c.expected) << c.filter;
}

TEST(ProcessTable, SortsByEachKeyAndKeepsSamplerOrderOnTies)
{
    EXPECT_EQ(pids(visibleProcesses(sampleRows, "", ProcessSortKey::cpu, false)), (std::vector<int32_t> { 140, 12, 512 }));
    EXPECT_EQ(pids(visibleProcesses(sampleRows, "", ProcessSortKey::cpu, true)), (std::vector<int32_t> { 12, 512, 140 }));
    EXPECT_EQ(pids(visibleProcesses(sampleRows, "", ProcessSortKey::memory, false)), (std::vector<int32_t> { 512, 12, 140 }));
    EXPECT_EQ(pids(visibleProcesses(sampleRows, "", ProcessSortKey::name, true)), (std::vector<int32_t> { 140, 512, 12 }));
    EXPECT_EQ(pids(visibleProcesses(sampleRows, "", ProcessSortKey::user, true)), (std::vector<int32_t> { 12, 512, 140 }));
    EXPECT_EQ(pids(visibleProcesses(sampleRows, "", ProcessSortKey::threads, false)), (std::vector<int32_t> { 512, 12, 140 }));
    EXPECT_EQ(pids(visibleProcesses(sampleRows, "", ProcessSortKey::pid, false)), (std::vector<int32_t> { 512, 140, 12 }));
}

TEST(ProcessTable, SortKeysParseFromTheirNamesOnly)
{
    EXPECT_EQ(processSortKey("cpu"), ProcessSortKey::cpu);
    EXPECT_EQ(processSortKey("threads"), ProcessSortKey::threads);
    EXPECT_FALSE(processSortKey("CPU"));
    EXPECT_FALSE(processSortKey(""));
}
