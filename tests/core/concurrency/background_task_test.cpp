#include "core/concurrency/background_task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <vector>

#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"

using namespace lopewell;
using namespace std::chrono_literals;

TEST(BackgroundTask, DeliversItsResultOnTheExecutor)
{
    RunLoopExecutor loop;
    std::optional<int> result;
    BackgroundTask<int> task(
        loop, [](std::stop_token) { return 42; },
        [&](int value) {
            result = value;
            loop.stop();
        });
    loop.run();
    EXPECT_EQ(result, 42);
    EXPECT_FALSE(task.isRunning());
}

TEST(BackgroundTask, CancelStopsTheWorkAndSuppressesTheResult)
{
    ManualExecutor executor;
    FakeClock clock;
    bool delivered = false;
    std::atomic<bool> workSawStop = false;
    {
        BackgroundTask<int> task(
            executor,
            [&](std::stop_token token) {
                workSawStop = !clock.sleepFor(1h, token);
                return 1;
            },
            [&](int) { delivered = true; });
        clock.waitForSleepers(1);
        EXPECT_TRUE(task.isRunning());
        task.cancel();  // joins
        EXPECT_TRUE(workSawStop);
    }
    executor.runUntilIdle();
    EXPECT_FALSE(delivered);
}

TEST(BackgroundTask, ReplacingATaskCancelsTheOldOneSoOnlyTheNewResultArrives)
{
    RunLoopExecutor loop;
    FakeClock clock;
    std::vector<int> delivered;
    BackgroundTask<int> task(
        loop,
        [&clock](std::stop_token token) {
            clock.sleepFor(1h, token);
            return 1;
        },
        [&](int value) { delivered.push_back(value); });
    clock.waitForSleepers(1);
    task = BackgroundTask<int>(
        loop, [](std::stop_token) { return 2; },
        [&](int value) {
            delivered.push_back(value);
            loop.stop();
        });
    loop.run();
    EXPECT_EQ(delivered, std::vector<int> { 2 });
    EXPECT_FALSE(task.isRunning());
}

TEST(BackgroundTask, TheResultMayDestroyItsOwnTask)
{
    RunLoopExecutor loop;
    std::optional<BackgroundTask<int>> task;
    int result = 0;
    task.emplace(
        loop, [](std::stop_token) { return 7; },
        [&](int value) {
            result = value;
            task.reset();  // the thread has returned; joining it here is allowed
            loop.stop();
        });
    loop.run();
    EXPECT_EQ(result, 7);
    EXPECT_FALSE(task.has_value());
}
