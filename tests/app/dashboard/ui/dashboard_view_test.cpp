#include <QLabel>
#include <QPushButton>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "app/common/ui/theme.h"
#include "app/dashboard/ui/dashboard_view.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"

using namespace lopewell;
using namespace std::chrono_literals;

namespace {

class DashboardViewTest : public ::testing::Test {
protected:
    ~DashboardViewTest() override { model.stop(); }

    DashboardViewModel::Environment environment()
    {
        ProcessSampler::Source processes;
        processes.uptimeSeconds = [this] { return 10.0 + processReads.load(); };
        processes.readProcesses = [this] {
            const uint64_t pass = uint64_t(++processReads);
            std::vector<ProcessSampler::ProcessReading> rows;
            for (int32_t pid = 1; pid <= 3; ++pid) {
                ProcessSampler::ProcessReading r;
                r.pid = pid;
                r.name = "p" + std::to_string(pid);
                r.cpuTimeNanoseconds = pass * uint64_t(pid) * 100'000'000;
                rows.push_back(r);
            }
            return rows;
        };
        processes.readHostTicks = [] { return std::optional<std::vector<CPUTicks>>(); };
        processes.activeProcessorCount = [] { return 1; };
        processes.lookupUserName = [](uint32_t) { return std::optional<std::string>("root"); };
        return DashboardViewModel::Environment {
            .executor = executor,
            .clock = clock,
            .cpuSources = { .readTicks =
                                [this] {
                                    const uint32_t t = ticks += 100;
                                    // Nine tenths busy: the high band.
                                    return std::optional<std::vector<CPUTicks>>({ CPUTicks { t * 9 / 10, 0, t / 10, 0 } });
                                },
                .readThermalState = [] { return ThermalState::nominal; } },
            .processSource = processes,
            .readMemory = [] { return std::optional<MemoryStats>(MemoryStats { .active = 12, .total = 16 }); },
            .readGPU =
                [] {
                    GPUInfo gpu;
                    gpu.name = "llvmpipe (LLVM 15.0.6, 256 bits)";
                    return std::optional<GPUInfo>(gpu);
                },
            .openSupportSettings = [this] { ++settingsOpened; },
        };
    }

    void settle()
    {
        clock.waitForSleepers(3);
        executor.runUntilIdle();
    }

    ManualExecutor executor;
    FakeClock clock;
    std::atomic<int> processReads = 0;
    std::atomic<uint32_t> ticks = 0;
    int settingsOpened = 0;
    DashboardViewModel model { environment() };
    DashboardView view { model };
};

TEST_F(DashboardViewTest, CardsShowPlaceholdersThenFollowTheModel)
{
    view.show();
    EXPECT_FALSE(view.cpuFigure()->isVisible());
    EXPECT_TRUE(view.topProcessCells().empty());

    model.start();
    settle();
    clock.advance(1s);
    settle();
    EXPECT_TRUE(view.cpuFigure()->isVisible());
    EXPECT_EQ(view.cpuFigure()->text(), QStringLiteral("90%"));
    EXPECT_EQ(view.memoryPressure()->text(), QStringLiteral("Moderate pressure"));             // 12 of 16 in use
    EXPECT_TRUE(view.memoryPressure()->styleSheet().contains(toQColor(Palette::gpu).name()));  // amber
    EXPECT_TRUE(view.cpuFigure()->styleSheet().contains(toQColor(SystemColor::red).name()));

    clock.advance(1s);
    settle();
    const auto cells = view.topProcessCells();
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(
        cells[0], (std::vector<QString> { QStringLiteral("p3"), QStringLiteral("3"), QStringLiteral("30.0"), QStringLiteral("Zero KB") }));
    EXPECT_EQ(cells[2][0], QStringLiteral("p1"));
}

TEST_F(DashboardViewTest, TheGPUCardAppearsWithItsDeviceAndTheSupportButtonOpensSettings)
{
    view.show();
    EXPECT_FALSE(view.gpuCard()->isVisible());
    model.start();
    while (!model.gpu()) {
        executor.runUntilIdle();
        std::this_thread::yield();
    }
    EXPECT_TRUE(view.gpuCard()->isVisible());
    EXPECT_EQ(view.gpuName()->text(), QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)"));

    EXPECT_EQ(view.supportButton()->toolTip(), QStringLiteral("Opens Settings → Support"));
    view.supportButton()->click();
    EXPECT_EQ(settingsOpened, 1);
}

}  // namespace
