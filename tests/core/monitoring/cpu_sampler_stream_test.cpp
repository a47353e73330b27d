#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

#include "core/concurrency/fake_clock.h"
#include "core/monitoring/cpu_sampler.h"

using namespace lopewell;
using namespace std::chrono_literals;

namespace {

// Counters a test scripts read by read; an empty optional is a failed kernel read.
class ScriptedTicks {
public:
    void push(std::optional<std::vector<CPUTicks>> reading)
    {
        std::lock_guard lock(m_mutex);
        m_readings.push_back(std::move(reading));
    }

    CPUSampler::Sources sources()
    {
        return {
            .readTicks =
                [this] {
                    std::lock_guard lock(m_mutex);
                    ++m_reads;
                    if (m_next >= m_readings.size())
                        return std::optional<std::vector<CPUTicks>>();
                    return m_readings[m_next++];
                },
            .readThermalState = [] { return ThermalState::fair; },
        };
    }

    int reads() const
    {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::optional<std::vector<CPUTicks>>> m_readings;
    size_t m_next = 0;
    int m_reads = 0;
};

std::vector<CPUTicks> ticks(uint32_t busy, uint32_t idle)
{
    return { { busy, 0, idle, 0 }, { 0, 0, busy + idle, 0 } };
}

}  // namespace

TEST(CPUSampler, FirstReadRecordsSecondMeasuresAFailedReadKeepsThePrevious)
{
    ScriptedTicks script;
    script.push(ticks(0, 0));
    script.push(std::nullopt);
    script.push(ticks(30, 10));
    CPUSampler sampler(script.sources());

    EXPECT_EQ(sampler.sample(), std::nullopt);  // first read: nothing to compare with
    EXPECT_EQ(sampler.sample(), std::nullopt);  // failed read
    auto sample = sampler.sample();             // measured against the first read
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->perCoreLoad, (std::vector<double> { 0.75, 0.0 }));
    EXPECT_DOUBLE_EQ(sample->overallLoad, 0.375);
    EXPECT_EQ(sample->thermalState, ThermalState::fair);
}

TEST(CPUSampler, EverySampleHasItsOwnIdentity)
{
    ScriptedTicks script;
    for (int i = 0; i < 3; ++i)
        script.push(ticks(0, 0));
    CPUSampler sampler(script.sources());
    (void)sampler.sample();
    auto a = sampler.sample(), b = sampler.sample();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->id, b->id);
    EXPECT_NE(*a, *b);
}

TEST(CPUSampler, AFreshStreamDeliversOneIntervalAfterStartARestartedOneAtOnce)
{
    FakeClock clock;
    ScriptedTicks script;
    for (uint32_t i = 0; i < 6; ++i)
        script.push(ticks(10 * i, 10 * i));
    CPUSampler sampler(script.sources());
    {
        Stream<CPUSample> samples = sampler.stream(1s, clock);
        clock.waitForSleepers(1);  // the first read happened and produced nothing
        EXPECT_EQ(script.reads(), 1);
        EXPECT_EQ(samples.tryNext(), std::nullopt);
        clock.advance(1s);
        auto first = samples.next();
        ASSERT_TRUE(first);
        EXPECT_DOUBLE_EQ(first->perCoreLoad[0], 0.5);
    }  // dropping the stream stops the producer, asleep or not
    const int readsAfterStop = script.reads();
    clock.advance(10s);
    EXPECT_EQ(script.reads(), readsAfterStop);

    // A new stream on the same sampler measures against the last read immediately.
    Stream<CPUSample> restarted = sampler.stream(5s, clock);
    EXPECT_TRUE(restarted.next().has_value());
    EXPECT_EQ(clock.now().time_since_epoch(), Duration(11s));
}
