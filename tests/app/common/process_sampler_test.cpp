#include "app/common/process_sampler.h"

#include <gtest/gtest.h>

using namespace lopewell;

namespace {

// A scripted kernel: the test sets what the next sample() reads.
struct FakeKernel {
    double uptime = 100.0;
    std::vector<ProcessSampler::ProcessReading> processes;
    std::optional<std::vector<CPUTicks>> hostTicks = std::vector<CPUTicks> { { 0, 0, 0, 0 }, { 0, 0, 0, 0 } };
    int processors = 2;
    std::map<uint32_t, std::string> users = { { 0, "root" }, { 501, "alice" } };
    int lookups = 0;
};

ProcessSampler::ProcessReading reading(int32_t pid, uint64_t cpuNanoseconds, uint32_t uid = 501)
{
    return { .pid = pid,
        .parentPID = 1,
        .uid = uid,
        .name = "p" + std::to_string(pid),
        .path = "/bin/p",
        .cpuTimeNanoseconds = cpuNanoseconds,
        .residentBytes = 4096,
        .threadCount = 1 };
}

ProcessSampler makeSampler(FakeKernel& kernel, int32_t ownPid = 999)
{
    return ProcessSampler(ProcessSampler::Source {
        .uptimeSeconds = [&] { return kernel.uptime; },
        .readProcesses = [&] { return kernel.processes; },
        .readHostTicks = [&] { return kernel.hostTicks; },
        .activeProcessorCount = [&] { return kernel.processors; },
        .lookupUserName = [&](uint32_t uid) -> std::optional<std::string> {
            ++kernel.lookups;
            auto it = kernel.users.find(uid);
            return it == kernel.users.end() ? std::nullopt : std::optional(it->second);
        },
        .ownPid = ownPid,
    });
}

const RunningProcess* find(const std::vector<RunningProcess>& rows, int32_t pid)
{
    for (const auto& r : rows)
        if (r.pid == pid)
            return &r;
    return nullptr;
}

// Both CPUs busy for `busy` of every 100 ticks since the start.
std::vector<CPUTicks> ticksAtLoad(uint32_t busy)
{
    return { { busy, 0, 100 - busy, 0 }, { busy, 0, 100 - busy, 0 } };
}

}  // namespace

TEST(ProcessSampler, FirstCallHasZeroSharesAndNoKernelRow)
{
    FakeKernel kernel;
    kernel.processes = { reading(10, 5'000'000'000), reading(20, 1'000'000'000) };
    auto sampler = makeSampler(kernel);
    auto rows = sampler.sample();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0],
        (RunningProcess { .pid = 10,
            .parentPID = 1,
            .name = "p10",
            .path = "/bin/p",
            .user = "alice",
            .cpuPercent = 0.0,
            .memoryBytes = 4096,
            .threadCount = 1 }));
    EXPECT_EQ(rows[1].cpuPercent, 0.0);
}

TEST(ProcessSampler, SharesComeFromCPUTimeOverElapsedAndNewOrReusedPidsShowZero)
{
    FakeKernel kernel;
    kernel.processes = { reading(10, 1'000'000'000), reading(20, 9'000'000'000) };
    auto sampler = makeSampler(kernel);
    (void)sampler.sample();

    kernel.uptime += 2.0;
    kernel.processes = {
        reading(10, 2'000'000'000),  // 1 s over 2 s: 50 %
        reading(20, 1'000'000),      // lower than before: a younger process now has pid 20
        reading(30, 8'000'000'000),  // new since last call
        reading(40, 1'000'000'000),
    };
    auto rows = sampler.sample();
    EXPECT_DOUBLE_EQ(find(rows, 10)->cpuPercent, 50.0);
    EXPECT_EQ(find(rows, 20)->cpuPercent, 0.0);
    EXPECT_EQ(find(rows, 30)->cpuPercent, 0.0);

    kernel.uptime += 1.0;
    kernel.processes = { reading(30, 12'000'000'000), reading(40, 1'000'000'000) };  // 4 busy threads
    rows = sampler.sample();
    EXPECT_DOUBLE_EQ(find(rows, 30)->cpuPercent, 400.0);
    EXPECT_EQ(find(rows, 40)->cpuPercent, 0.0);
    EXPECT_EQ(find(rows, 10), nullptr) << "exited processes drop out";
}

TEST(ProcessSampler, NoElapsedTimeGivesZeroNotInfinity)
{
    FakeKernel kernel;
    kernel.processes = { reading(10, 1'000'000'000) };
    auto sampler = makeSampler(kernel);
    (void)sampler.sample();
    kernel.uptime -= 1.0;  // a clock that went backwards floors at 0
    kernel.processes = { reading(10, 2'000'000'000) };
    EXPECT_EQ(sampler.sample()[0].cpuPercent, 0.0);
}

TEST(ProcessSampler, KernelRowAbsorbsUnaccountedHostTimeAndIsNeverNegative)
{
    struct Case {
        uint32_t hostBusyTicks;       // of 100, on both CPUs
        uint64_t processNanoseconds;  // over 1 s
        double expectedKernel;
    };
    // 2 CPUs at 30 % = 60 % of one CPU; the process used 25 %.
    const Case cases[] = { { 30, 250'000'000, 35.0 }, { 10, 500'000'000, 0.0 }, { 0, 0, 0.0 } };
    for (const auto& c : cases) {
        FakeKernel kernel;
        kernel.processes = { reading(10, 0) };
        auto sampler = makeSampler(kernel);
        (void)sampler.sample();
        kernel.uptime += 1.0;
        kernel.hostTicks = ticksAtLoad(c.hostBusyTicks);
        kernel.processes = { reading(10, c.processNanoseconds) };
        auto rows = sampler.sample();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows.back(),
            (RunningProcess { .pid = 0,
                .parentPID = 0,
                .name = "kernel_task",
                .path = std::nullopt,
                .user = "root",
                .cpuPercent = rows.back().cpuPercent,
                .memoryBytes = 0,
                .threadCount = 0 }));
        EXPECT_NEAR(rows.back().cpuPercent, c.expectedKernel, 1e-9) << c.hostBusyTicks;
    }
}

TEST(ProcessSampler, NoKernelRowWhenHostTicksCannotBeRead)
{
    FakeKernel kernel;
    kernel.hostTicks = std::nullopt;
    auto sampler = makeSampler(kernel);
    (void)sampler.sample();
    kernel.uptime += 1.0;
    EXPECT_TRUE(sampler.sample().empty());
}

TEST(ProcessSampler, OwnPidIsRemovedAfterItsTimeLeavesTheKernelRow)
{
    FakeKernel kernel;
    kernel.processes = { reading(10, 0), reading(999, 0) };
    auto sampler = makeSampler(kernel, 999);
    EXPECT_EQ(find(sampler.sample(), 999), nullptr);
    kernel.uptime += 1.0;
    kernel.hostTicks = ticksAtLoad(50);  // 100 % of one CPU in all
    kernel.processes = { reading(10, 0), reading(999, 600'000'000) };
    auto rows = sampler.sample();
    EXPECT_EQ(find(rows, 999), nullptr);
    EXPECT_NEAR(find(rows, 0)->cpuPercent, 40.0, 1e-9);
}

TEST(ProcessSampler, UserNamesAreCachedIncludingTheUidPlaceholder)
{
    FakeKernel kernel;
    kernel.processes = { reading(10, 0, 501), reading(11, 0, 501), reading(12, 0, 4242), reading(13, 0, 4242) };
    auto sampler = makeSampler(kernel);
    auto rows = sampler.sample();
    EXPECT_EQ(rows[0].user, "alice");
    EXPECT_EQ(rows[2].user, "uid 4242");
    EXPECT_EQ(kernel.lookups, 2);
    kernel.users[4242] = "late";  // the cache is never refreshed
    EXPECT_EQ(sampler.userName(4242), "uid 4242");
    EXPECT_EQ(sampler.userName(0), "root");
    EXPECT_EQ(kernel.lookups, 3);
}

TEST(ProcessSampler, EmptyNameFallsBackToExecutableThenPid)
{
    FakeKernel kernel;
    auto withPath = reading(10, 0);
    withPath.name = "";
    withPath.path = "/usr/bin/worker";
    auto bare = reading(11, 0);
    bare.name = "";
    bare.path = std::nullopt;
    kernel.processes = { withPath, bare };
    auto sampler = makeSampler(kernel);
    auto rows = sampler.sample();
    EXPECT_EQ(rows[0].name, "worker");
    EXPECT_EQ(rows[1].name, "pid 11");
}
