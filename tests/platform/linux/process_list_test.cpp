#include "platform/process_list.h"

#include <csignal>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lopewell;

namespace {

// A child named `name` that sleeps, or spins when `busy`, until signalled.
// The child tells the parent once it carries its name, so no read races the rename.
pid_t spawnChild(const char* name, bool busy)
{
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_NAME, name);
        char byte = 1;
        [[maybe_unused]] auto written = write(ready[1], &byte, 1);
        if (busy) {
            volatile unsigned long n = 0;
            for (;;)
                n = n + 1;
        }
        for (;;)
            pause();
    }
    close(ready[1]);
    char byte = 0;
    if (pid > 0) [[maybe_unused]]
        auto got = read(ready[0], &byte, 1);
    close(ready[0]);
    return pid;
}

void stop(pid_t pid)
{
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

const ProcessEntry* find(const std::vector<ProcessEntry>& entries, int32_t pid)
{
    for (const auto& e : entries)
        if (e.pid == pid)
            return &e;
    return nullptr;
}

}  // namespace

TEST(ProcessList, SpawnedChildAppearsWithParentNameUidAndPathInPidOrder)
{
    pid_t child = spawnChild("lw list (x) y", false);
    ASSERT_GT(child, 0);
    ProcessList list;
    auto entries = list.read();
    stop(child);

    const ProcessEntry* entry = find(entries, child);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->parentPID, getpid());
    EXPECT_EQ(entry->name, "lw list (x) y");
    EXPECT_EQ(entry->uid, geteuid());
    ASSERT_TRUE(entry->path);
    EXPECT_TRUE(entry->path->starts_with("/"));
    EXPECT_GT(entry->residentBytes, 0u);
    EXPECT_GE(entry->threadCount, 1);
    for (size_t i = 1; i < entries.size(); ++i)
        EXPECT_LT(entries[i - 1].pid, entries[i].pid);
    EXPECT_EQ(find(entries, 0), nullptr);
}

TEST(ProcessList, ExitedChildIsAbsent)
{
    pid_t child = spawnChild("lw gone", false);
    ASSERT_GT(child, 0);
    stop(child);
    ProcessList list;
    EXPECT_EQ(find(list.read(), child), nullptr);
}

TEST(ProcessList, CPUTimeAgreesWithTheKernelsClockForThatProcess)
{
    pid_t child = spawnChild("lw busy", true);
    ASSERT_GT(child, 0);
    clockid_t childClock;
    ASSERT_EQ(clock_getcpuclockid(child, &childClock), 0);
    auto cpuNanoseconds = [&] {
        timespec time {};
        clock_gettime(childClock, &time);
        return uint64_t(time.tv_sec) * 1'000'000'000u + uint64_t(time.tv_nsec);
    };
    // Lets the child run a little, however loaded the machine is; no duration is asserted.
    while (cpuNanoseconds() < 50'000'000u)
        usleep(10'000);

    ProcessList list;
    const uint64_t earliest = cpuNanoseconds();
    const auto entries = list.read();
    const uint64_t latest = cpuNanoseconds();
    stop(child);

    const ProcessEntry* entry = find(entries, child);
    ASSERT_NE(entry, nullptr);
    // The kernel's tick accounting lags its precise clock by up to a couple of ticks.
    constexpr uint64_t slack = 30'000'000u;
    EXPECT_GE(entry->cpuTimeNanoseconds + slack, earliest);
    EXPECT_LE(entry->cpuTimeNanoseconds, latest + slack);
}

TEST(ProcessList, HostFactsAreSane)
{
    EXPECT_GE(activeProcessorCount(), 1);
    EXPECT_GT(monotonicUptimeSeconds(), 0.0);
    EXPECT_EQ(lookupUserName(0), "root");
    EXPECT_FALSE(lookupUserName(4'000'000'000u));
}
