#include "core/concurrency/stream.h"

#include <atomic>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

#include "core/concurrency/background_task.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"
#include "core/concurrency/stream_task.h"
#include "platform/continuous_clock.h"

using namespace lopewell;
using namespace std::chrono_literals;

TEST(Stream, ValuesFromAnotherThreadArriveInOrderNoneLostOrDoubled)
{
    constexpr int count = 20'000;
    Stream<int> stream = Stream<int>::start([](StreamProducer<int>& out) {
        for (int i = 0; i < count; ++i)
            out.yield(i);
    });
    std::vector<int> received;
    while (auto value = stream.next())
        received.push_back(*value);

    std::vector<int> expected(count);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(stream.isEnded());
}

TEST(Stream, DroppingTheConsumerStopsTheProducerAtItsNextPoll)
{
    std::atomic<bool> producerSawStop = false;
    std::atomic<int> produced = 0;
    {
        Stream<int> stream = Stream<int>::start([&](StreamProducer<int>& out) {
            while (!out.isStopRequested())
                out.yield(produced++);
            producerSawStop = true;
        });
        ASSERT_TRUE(stream.next().has_value());
    }  // destruction requests stop and joins
    EXPECT_TRUE(producerSawStop);
}

TEST(Stream, TerminatingDropsBufferedValuesAndRefusesNewOnes)
{
    auto [producer, stream] = Stream<int>::makePair();
    EXPECT_TRUE(producer.yield(1));
    stream.terminate();
    EXPECT_FALSE(producer.yield(2));
    EXPECT_TRUE(producer.isStopRequested());
    EXPECT_EQ(stream.tryNext(), std::nullopt);
    EXPECT_TRUE(stream.isEnded());
}

TEST(Stream, AProducerThatGoesAwayFinishesTheStreamAfterItsValues)
{
    auto [producer, stream] = Stream<int>::makePair();
    {
        StreamProducer<int> owned = std::move(producer);
        owned.yield(7);
    }
    EXPECT_FALSE(stream.isEnded());
    EXPECT_EQ(stream.next(), 7);
    EXPECT_EQ(stream.next(), std::nullopt);
    EXPECT_TRUE(stream.isEnded());
}

TEST(Stream, CancellationInterruptsAProducerAsleepOnTheRealClock)
{
    std::atomic<bool> sleepCompleted = true;
    {
        Stream<int> stream = Stream<int>::start([&](StreamProducer<int>& out) {
            out.yield(1);
            sleepCompleted = ContinuousClock::shared().sleepFor(1h, out.stopToken());
        });
        ASSERT_EQ(stream.next(), 1);
    }  // would hang for an hour if the sleep ignored the stop request
    EXPECT_FALSE(sleepCompleted);
}

TEST(Stream, NextReturnsWhenTheConsumersOwnTokenStops)
{
    auto [producer, stream] = Stream<int>::makePair();
    std::stop_source consumerStop;
    std::jthread canceller([&] { consumerStop.request_stop(); });
    EXPECT_EQ(stream.next(consumerStop.get_token()), std::nullopt);
    EXPECT_FALSE(producer.isStopRequested());  // the consumer's own wait, not the stream, ended
}

TEST(StreamTask, DeliversValuesInOrderOnTheExecutorThenEndsOnce)
{
    ManualExecutor executor;
    auto [producer, stream] = Stream<int>::makePair();
    std::vector<int> received;
    int ends = 0;
    StreamTask<int> task(executor, std::move(stream), [&](int v) { received.push_back(v); }, [&] { ++ends; });

    producer.yield(1);
    producer.yield(2);
    EXPECT_TRUE(received.empty());  // nothing runs until the executor does
    executor.runUntilIdle();
    EXPECT_EQ(received, (std::vector<int> { 1, 2 }));

    producer.yield(3);
    producer.finish();
    executor.runUntilIdle();
    EXPECT_EQ(received, (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(task.isActive());
}

TEST(StreamTask, NoCallbackRunsAfterCancelEvenForValuesAlreadyPosted)
{
    ManualExecutor executor;
    auto [producer, stream] = Stream<int>::makePair();
    int calls = 0;
    StreamTask<int> task(executor, std::move(stream), [&](int) { ++calls; }, [&] { ++calls; });
    producer.yield(1);
    task.cancel();
    EXPECT_TRUE(producer.isStopRequested());
    EXPECT_FALSE(producer.yield(2));
    executor.runUntilIdle();
    EXPECT_EQ(calls, 0);
}

TEST(StreamTask, ACallbackMayReplaceItsOwnTask)
{
    ManualExecutor executor;
    auto [first, firstStream] = Stream<int>::makePair();
    auto [second, secondStream] = Stream<int>::makePair();
    std::vector<int> received;
    StreamTask<int> task;
    task = StreamTask<int>(executor, std::move(firstStream), [&](int v) {
        received.push_back(v);
        task = StreamTask<int>(executor, std::move(secondStream), [&](int w) { received.push_back(w); });
    });
    first.yield(1);
    first.yield(2);  // dropped: the first task is gone once its first callback replaced it
    second.yield(10);
    executor.runUntilIdle();
    EXPECT_EQ(received, (std::vector<int> { 1, 10 }));
    EXPECT_TRUE(first.isStopRequested());
}

TEST(StreamTask, ThreadedProducerOnARunLoop)
{
    RunLoopExecutor loop;
    std::vector<int> received;
    StreamTask<int> task(
        loop, Stream<int>::start([](StreamProducer<int>& out) {
            for (int i = 0; i < 1000; ++i)
                out.yield(i);
        }),
        [&](int v) { received.push_back(v); }, [&] { loop.stop(); });
    loop.run();
    ASSERT_EQ(received.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(received[size_t(i)], i);
}
