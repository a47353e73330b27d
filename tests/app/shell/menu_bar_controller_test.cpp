#include <gtest/gtest.h>

#include <filesystem>

#include "app/shell/menu_bar_controller.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"
#include "tests/app/shell/shell_fakes.h"

using namespace lopewell;
using namespace lopewell::fakes;
using namespace std::chrono_literals;

namespace {

class ControllerTest : public ::testing::Test, protected ControllerOnFakes {
protected:
    int notifications = 0;
    ChangeObservers::Subscription subscription = controller.observers().add([this] { ++notifications; });

    // Moves to the next idle check with `idle` as the answer; a mode change restarts the CPU
    // stream and the memory poll, whose first values are delivered too.
    void passIdleCheck(std::optional<double> idle)
    {
        machine.setIdle(idle);
        const auto sinceStart = clock.now().time_since_epoch();
        step(MenuBarController::idleCheckInterval - sinceStart % MenuBarController::idleCheckInterval);
        settle();
    }
};

}  // namespace

TEST_F(ControllerTest, FirstReadingComesOneIntervalAfterStartMemoryAtOnce)
{
    EXPECT_EQ(machine.cpuReads, 0);  // nothing runs before start
    controller.start();
    settle();
    EXPECT_EQ(machine.cpuReads, 1);
    EXPECT_EQ(controller.readout(), std::nullopt);
    EXPECT_EQ(controller.cpuOverall(), 0.0);
    ASSERT_TRUE(controller.memory());
    EXPECT_EQ(controller.memory()->total, 16ull << 30);

    notifications = 0;
    step(1s);
    EXPECT_EQ(controller.readout(), (ReadoutTitle { " 25%", LoadBand::low }));
    EXPECT_EQ(controller.cpuPerCore(), (std::vector<double> { 0.25, 0.25 }));
    EXPECT_EQ(machine.memoryReads, 2);
    EXPECT_GE(notifications, 2);  // the sample and the memory reading

    machine.load = 0.8;
    step(1s);
    EXPECT_EQ(controller.readout(), (ReadoutTitle { " 80%", LoadBand::high }));
    EXPECT_EQ(controller.popover().cpuPercentText, "80%");
}

TEST_F(ControllerTest, FailedReadsKeepTheReadoutAndBlankTheMemoryRow)
{
    controller.start();
    settle();
    step(1s);
    machine.cpuFails = true;
    machine.memoryFails = true;
    machine.load = 0.9;
    step(1s);
    EXPECT_EQ(controller.readout(), (ReadoutTitle { " 25%", LoadBand::low }));
    EXPECT_EQ(controller.memory(), std::nullopt);
    EXPECT_EQ(controller.popover().memory, std::nullopt);

    machine.cpuFails = false;
    machine.memoryFails = false;
    step(1s);
    EXPECT_TRUE(controller.memory());
    EXPECT_EQ(controller.readout()->text, " 90%");
}

TEST_F(ControllerTest, SlowModeFollowsEachIdleCheckStrictlyAbove300Seconds)
{
    struct Check {
        std::optional<double> idle;
        bool slow;
    };
    const Check checks[] = {
        { 300.0, false },
        { 300.5, true },
        { 1000.0, true },
        { 300.0, false },  // the first check at or below the threshold ends it
        { 301.0, true },
        { std::nullopt, false },  // unknown is never idle
        { std::nullopt, false },
    };
    controller.start();
    settle();
    int queries = 0;
    for (const Check& check : checks) {
        passIdleCheck(check.idle);
        EXPECT_EQ(machine.idleQueries, ++queries);
        EXPECT_EQ(controller.isSlowMode(), check.slow) << "after answer " << check.idle.value_or(-1);
    }
}

TEST_F(ControllerTest, IdleCheckRunsEveryFifteenSecondsAndAModeChangeRestartsBothCadences)
{
    controller.start();
    settle();
    machine.setIdle(300.5);
    step(14s);
    EXPECT_EQ(machine.idleQueries, 0);
    EXPECT_FALSE(controller.isSlowMode());

    // Let the loops run the check at 15 s, then change the load before the switch restarts
    // the stream: its immediate sample is the only one that can show the new load.
    clock.advance(1s);
    clock.waitForSleepers(3);
    machine.load = 0.6;
    const int cpuReads = machine.cpuReads;
    const int memoryReads = machine.memoryReads;
    executor.runUntilIdle();
    settle();
    EXPECT_TRUE(controller.isSlowMode());
    EXPECT_EQ(machine.cpuReads, cpuReads + 1);
    EXPECT_EQ(machine.memoryReads, memoryReads + 1);
    EXPECT_EQ(controller.readout()->text, " 60%");  // at once, against the last fast read

    // Slow cadence: both every 5 s.
    step(4s);
    EXPECT_EQ(machine.cpuReads, cpuReads + 1);
    EXPECT_EQ(machine.memoryReads, memoryReads + 1);
    step(1s);
    EXPECT_EQ(machine.cpuReads, cpuReads + 2);
    EXPECT_EQ(machine.memoryReads, memoryReads + 2);

    // Back to fast at the next check (30 s), again with an immediate sample.
    machine.setIdle(12.0);
    step(10s);
    settle();
    EXPECT_FALSE(controller.isSlowMode());
    const int fastReads = machine.cpuReads;
    step(1s);
    EXPECT_EQ(machine.cpuReads, fastReads + 1);
}

TEST_F(ControllerTest, StopCancelsEveryTaskJoinsTheThreadsAndNothingRunsAfterwards)
{
    const size_t threadsBefore = threadCount();
    controller.start();
    settle();
    EXPECT_EQ(threadCount(), threadsBefore + 3);
    step(1s);

    // Values produced but not yet delivered must never be applied.
    machine.load = 0.9;
    machine.memoryFails = true;
    clock.advance(1s);
    clock.waitForSleepers(3);
    controller.stop();
    EXPECT_FALSE(controller.isRunning());
    EXPECT_EQ(controller.readout(), std::nullopt);
    EXPECT_EQ(threadCount(), threadsBefore);

    notifications = 0;
    const int cpuReads = machine.cpuReads;
    const int memoryReads = machine.memoryReads;
    executor.runUntilIdle();
    clock.advance(60s);
    executor.runUntilIdle();
    EXPECT_EQ(notifications, 0);
    EXPECT_DOUBLE_EQ(controller.cpuOverall(), 0.25);
    EXPECT_TRUE(controller.memory());
    EXPECT_EQ(machine.cpuReads, cpuReads);
    EXPECT_EQ(machine.memoryReads, memoryReads);
    EXPECT_EQ(machine.idleQueries, 0);

    controller.start();  // never restarted
    EXPECT_FALSE(controller.isRunning());
    EXPECT_EQ(threadCount(), threadsBefore);
}

TEST_F(ControllerTest, MenuActionsOpenTheMainWindowOpenOnlyWebAddressesAndQuit)
{
    platform.windowList = { { 1, true, true }, { 2, false, false }, { 3, false, true }, { 4, false, true } };
    for (const MenuItem& item : controller.menu()) {
        if (item.kind == MenuItem::Kind::submenu) {
            for (const MenuItem& link : item.submenu)
                controller.perform(link);
        } else {
            controller.perform(item);
        }
    }
    EXPECT_EQ(platform.calls,
        (std::vector<std::string> {
            "activate",
            "front 3",
            "open https://coffee.example/lopewell",
            "open https://sponsors.example/lopewell",
            "terminate",
        }));

    platform.calls.clear();
    platform.windowList = { { 1, true, true } };
    controller.openMainWindow();
    EXPECT_EQ(platform.calls, (std::vector<std::string> { "activate" }));
}
