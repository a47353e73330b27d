#include "core/concurrency/periodic_stream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>

#include "core/concurrency/fake_clock.h"

using namespace lopewell;
using namespace std::chrono_literals;

namespace {

TEST(PeriodicStream, YieldsAtOnceThenOncePerInterval)
{
    FakeClock clock;
    std::atomic<int> calls = 0;
    Stream<int> stream = periodicStream<int>(clock, 5s, [&] { return ++calls; });
    EXPECT_EQ(stream.next(), 1);
    clock.waitForSleepers(1);
    EXPECT_EQ(stream.tryNext(), std::nullopt);  // nothing before the interval is over
    clock.advance(5s);
    EXPECT_EQ(stream.next(), 2);
    clock.waitForSleepers(1);
    clock.advance(5s);
    EXPECT_EQ(stream.next(), 3);
}

TEST(PeriodicStream, AfterIntervalWaitsBeforeTheFirstValue)
{
    FakeClock clock;
    std::atomic<int> calls = 0;
    Stream<int> stream = periodicStream<int>(clock, 1s, [&] { return ++calls; }, FirstValue::afterInterval);
    clock.waitForSleepers(1);
    EXPECT_EQ(calls, 0);
    clock.advance(1s);
    EXPECT_EQ(stream.next(), 1);
}

TEST(PeriodicStream, YieldsOnlyTheValuesOfAnOptionalProducer)
{
    FakeClock clock;
    int calls = 0;  // the producer's thread alone touches it
    Stream<int> stream = periodicStream<int>(clock, 1s, [&]() -> std::optional<int> {
        ++calls;
        return calls % 2 == 0 ? std::optional(calls) : std::nullopt;
    });
    for (int tick = 0; tick < 3; ++tick) {
        clock.waitForSleepers(1);
        clock.advance(1s);
    }
    EXPECT_EQ(stream.next(), 2);
    EXPECT_EQ(stream.next(), 4);
}

TEST(PeriodicStream, AValueThatIsItselfOptionalIsYieldedEvenWhenEmpty)
{
    FakeClock clock;
    Stream<std::optional<int>> stream = periodicStream<std::optional<int>>(clock, 1s, [] { return std::optional<int>(); });
    std::optional<std::optional<int>> first = stream.next();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(*first, std::nullopt);
}

TEST(PeriodicStream, DroppingTheConsumerWakesAndEndsTheSleepingProducer)
{
    FakeClock clock;
    std::atomic<bool> ended = false;
    struct Flag {
        std::atomic<bool>& flag;
        ~Flag() { flag = true; }
    };
    {
        Stream<int> stream = periodicStream<int>(clock, 1h, [flag = std::make_shared<Flag>(ended)] { return 1; });
        clock.waitForSleepers(1);
    }  // joins the producer, which drops its copy of the producer function
    EXPECT_TRUE(ended);
    EXPECT_EQ(clock.sleeperCount(), 0u);
}

}  // namespace
