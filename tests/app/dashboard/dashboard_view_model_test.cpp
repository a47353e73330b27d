#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "app/dashboard/dashboard_view_model.h"
#include "app/shell/settings_keys.h"
#include "app/shell/settings_model.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"
#include "platform/user_defaults.h"

using namespace lopewell;
using namespace std::chrono_literals;

namespace {

RunningProcess row(int32_t pid, double cpu)
{
    RunningProcess p;
    p.pid = pid;
    p.name = "p" + std::to_string(pid);
    p.cpuPercent = cpu;
    return p;
}

std::vector<int32_t> pids(const std::vector<RunningProcess>& rows)
{
    std::vector<int32_t> out;
    for (const auto& r : rows)
        out.push_back(r.pid);
    return out;
}

TEST(DashboardTopProcesses, KeepsTheFiveBusiestWithTiesInSamplerOrder)
{
    EXPECT_EQ(
        pids(topFiveByCPU({ row(1, 0), row(2, 0), row(3, 0), row(4, 0), row(5, 0), row(6, 0) })), (std::vector<int32_t> { 1, 2, 3, 4, 5 }));
    EXPECT_EQ(pids(topFiveByCPU({ row(1, 1), row(2, 9), row(3, 5), row(4, 9), row(5, 0), row(6, 7), row(7, 2) })),
        (std::vector<int32_t> { 2, 4, 6, 3, 7 }));
    EXPECT_EQ(pids(topFiveByCPU({ row(1, 1), row(2, 3) })), (std::vector<int32_t> { 2, 1 }));
}

TEST(DashboardTexts, WholePercentIsTruncated)
{
    EXPECT_EQ(wholePercentText(0.379), "37%");
    EXPECT_EQ(wholePercentText(1.0), "100%");
    EXPECT_EQ(wholePercentText(0.0), "0%");
    EXPECT_EQ(wholePercentText(-0.2), "0%");
}

class DashboardTest : public ::testing::Test {
protected:
    ManualExecutor executor;
    FakeClock clock;
    std::atomic<int> gpuReads = 0;
    std::atomic<int> processReads = 0;
    std::atomic<uint32_t> tick = 0;
    int settingsOpened = 0;
    std::filesystem::path defaultsFile
        = std::filesystem::temp_directory_path() / ("dashboard-defaults-" + std::to_string(::getpid()) + ".json");
    std::shared_ptr<UserDefaults> defaults = UserDefaults::open(defaultsFile);

    DashboardViewModel model { DashboardViewModel::Environment {
        .executor = executor,
        .clock = clock,
        .cpuSources = { .readTicks =
                            [this] {
                                uint32_t t = tick += 100;
                                return std::optional<std::vector<CPUTicks>>({ CPUTicks { t / 2, 0, t / 2, 0 } });
                            },
            .readThermalState = [] { return ThermalState::nominal; } },
        .processSource = processSource(),
        .readMemory = [] { return std::optional<MemoryStats>(MemoryStats { 4, 2, 8, 2, 0, 16, 0 }); },
        .readGPU =
            [this] {
                ++gpuReads;
                GPUInfo gpu;
                gpu.name = "llvmpipe";
                gpu.family = "Unknown / Vulkan 1.3";
                gpu.unifiedMemory = true;
                return std::optional<GPUInfo>(gpu);
            },
        // As the shell wires it.
        .openSupportSettings = [this] { openSettingsAt(*defaults, SettingsTab::support, [this] { ++settingsOpened; }); },
    } };

    ~DashboardTest() override { std::filesystem::remove(defaultsFile); }

    ProcessSampler::Source processSource()
    {
        ProcessSampler::Source s;
        s.uptimeSeconds = [this] { return 10.0 + processReads.load(); };
        s.readProcesses = [this] {
            ++processReads;
            std::vector<ProcessSampler::ProcessReading> rows;
            for (int32_t pid = 1; pid <= 7; ++pid) {
                ProcessSampler::ProcessReading r;
                r.pid = pid;
                r.name = "p" + std::to_string(pid);
                // The higher pids burn more CPU.
                r.cpuTimeNanoseconds = uint64_t(processReads.load()) * uint64_t(pid) * 10'000'000;
                rows.push_back(r);
            }
            return rows;
        };
        s.readHostTicks = [] { return std::optional<std::vector<CPUTicks>>(); };
        s.activeProcessorCount = [] { return 1; };
        s.lookupUserName = [](uint32_t) { return std::optional<std::string>("root"); };
        s.ownPid = 99999;
        return s;
    }

    void settle()
    {
        clock.waitForSleepers(3);
        executor.runUntilIdle();
    }

    void awaitGPU()
    {
        while (!model.gpu()) {
            executor.runUntilIdle();
            std::this_thread::yield();
        }
    }
};

TEST_F(DashboardTest, StartsOnceAndShowsPlaceholdersUntilFiguresArrive)
{
    EXPECT_FALSE(model.cpuOverallText());
    EXPECT_FALSE(model.memoryCard());
    EXPECT_TRUE(model.topProcessRows().empty());

    model.start();
    model.start();
    settle();
    EXPECT_EQ(processReads, 1);
    EXPECT_FALSE(model.cpuOverallText());  // CPU arrives after one second
    // First pass: every share is 0, so the sampler's order wins.
    EXPECT_EQ(pids(model.topProcesses()), (std::vector<int32_t> { 1, 2, 3, 4, 5 }));
    ASSERT_TRUE(model.memoryCard());
    EXPECT_EQ(model.memoryCard()->usedPercent, "37%");  // 6 of 16, truncated
    EXPECT_EQ(model.memoryCard()->usedBand, LoadBand::low);
    EXPECT_DOUBLE_EQ(model.memoryCard()->usedFraction, 0.375);

    clock.advance(1s);
    settle();
    EXPECT_EQ(model.cpuOverallText(), "50%");
    EXPECT_EQ(model.coreRows(), (std::vector<DashboardRow> { { "Core 1", "50%" } }));

    clock.advance(1s);
    settle();
    EXPECT_EQ(processReads, 2);  // one process loop, not two
    EXPECT_EQ(pids(model.topProcesses()), (std::vector<int32_t> { 7, 6, 5, 4, 3 }));
}

TEST_F(DashboardTest, RestartKeepsValuesAndReadsTheGPUOnce)
{
    model.start();
    settle();
    awaitGPU();
    ASSERT_TRUE(model.gpuCard());
    EXPECT_EQ(model.gpuCard()->rows[1], (DashboardRow { "Memory", "Unified" }));

    model.stop();
    EXPECT_EQ(model.topProcesses().size(), 5u);
    model.start();
    settle();
    EXPECT_EQ(processReads, 2);
    EXPECT_EQ(gpuReads, 1);
}

TEST_F(DashboardTest, SupportButtonSelectsTheSupportTabAndOpensSettings)
{
    model.openSupportSettings();
    EXPECT_EQ(defaults->integerForKey(SettingsKey::selectedSettingsTab), 3);
    EXPECT_EQ(settingsOpened, 1);
}

}  // namespace
