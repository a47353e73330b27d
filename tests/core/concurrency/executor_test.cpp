#include "core/concurrency/executor.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace lopewell;

TEST(RunLoopExecutor, RunsJobsFromManyThreadsEachInTheOrderPosted)
{
    RunLoopExecutor loop;
    constexpr int perThread = 500;
    std::vector<std::vector<int>> seen(3);
    std::vector<std::jthread> posters;
    for (int t = 0; t < 3; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                loop.post([&, t, i] { seen[size_t(t)].push_back(i); });
        });
    }
    posters.clear();  // join
    loop.post([&] { loop.stop(); });
    loop.run();
    for (auto& values : seen) {
        ASSERT_EQ(values.size(), size_t(perThread));
        for (int i = 0; i < perThread; ++i)
            ASSERT_EQ(values[size_t(i)], i);
    }
}

TEST(RunLoopExecutor, KnowsItsOwnThread)
{
    RunLoopExecutor loop;
    EXPECT_TRUE(loop.isCurrent());
    bool onOtherThread = true;
    std::jthread([&] { onOtherThread = loop.isCurrent(); }).join();
    EXPECT_FALSE(onOtherThread);
}

TEST(ManualExecutor, RunPendingRunsOnlyWhatWasQueuedAtTheCall)
{
    ManualExecutor executor;
    std::vector<int> order;
    executor.post([&] {
        order.push_back(1);
        executor.post([&] { order.push_back(3); });
    });
    executor.post([&] { order.push_back(2); });
    EXPECT_EQ(executor.runPending(), 2u);
    EXPECT_EQ(order, (std::vector<int> { 1, 2 }));
    EXPECT_EQ(executor.pendingCount(), 1u);
    EXPECT_EQ(executor.runUntilIdle(), 1u);
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3 }));
}

TEST(ManualExecutor, RunUntilRunsJobsPostedMeanwhileAndGivesUpOnAResultThatNeverComes)
{
    using namespace std::chrono_literals;
    ManualExecutor executor;
    bool delivered = false;
    std::jthread worker([&] {
        std::this_thread::sleep_for(20ms);
        executor.post([&] { delivered = true; });
    });
    EXPECT_TRUE(executor.runUntil([&] { return delivered; }));

    EXPECT_FALSE(executor.runUntil([] { return false; }, 50ms));
}
