#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

#include "core/concurrency/fake_clock.h"
#include "platform/continuous_clock.h"

using namespace lopewell;
using namespace std::chrono_literals;

TEST(FakeClock, ASleeperWakesExactlyWhenItsDeadlineIsReached)
{
    FakeClock clock;
    std::atomic<bool> done = false;
    bool completed = false;
    std::jthread sleeper([&] {
        completed = clock.sleepFor(5s, {});
        done = true;
    });
    clock.waitForSleepers(1);
    clock.advance(4999ms);
    EXPECT_EQ(clock.sleeperCount(), 1u);  // still parked
    EXPECT_FALSE(done);
    clock.advance(1ms);
    sleeper.join();
    EXPECT_TRUE(completed);
    EXPECT_EQ(clock.now().time_since_epoch(), Duration(5s));
}

TEST(FakeClock, StoppingTheTokenInterruptsTheSleep)
{
    FakeClock clock;
    bool completed = true;
    std::jthread sleeper([&](std::stop_token token) { completed = clock.sleepFor(1h, token); });
    clock.waitForSleepers(1);
    sleeper.request_stop();
    sleeper.join();
    EXPECT_FALSE(completed);
    EXPECT_EQ(clock.sleeperCount(), 0u);
}

TEST(FakeClock, WaitingForSleepersThatNeverComeFailsInsteadOfHanging)
{
    FakeClock clock;
    EXPECT_THROW(clock.waitForSleepers(1, 50ms), std::runtime_error);
    clock.waitForSleepers(0, 50ms);  // none asked for: returns at once
}

TEST(ContinuousClock, SleepsAtLeastTheDurationAndIsInterruptible)
{
    auto& clock = ContinuousClock::shared();
    Instant before = clock.now();
    EXPECT_TRUE(clock.sleepFor(20ms, {}));
    EXPECT_GE(clock.now() - before, Duration(20ms));

    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(clock.sleepFor(1h, stop.get_token()));

    bool completed = true;
    std::jthread sleeper([&](std::stop_token token) { completed = clock.sleepFor(1h, token); });
    std::this_thread::sleep_for(10ms);
    sleeper.request_stop();
    sleeper.join();  // would take an hour if the stop were missed
    EXPECT_FALSE(completed);
}
