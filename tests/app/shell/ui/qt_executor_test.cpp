#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "app/shell/ui/qt_executor.h"

using namespace lopewell;

TEST(QtExecutor, JobsPostedFromAnotherThreadRunOnTheGuiThreadInOrder)
{
    QtExecutor executor;
    EXPECT_TRUE(executor.isCurrent());
    std::vector<int> order;
    bool allOnGuiThread = true;
    std::thread poster([&] {
        EXPECT_FALSE(executor.isCurrent());
        for (int i = 0; i < 100; ++i) {
            executor.post([&, i] {
                allOnGuiThread = allOnGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
                order.push_back(i);
                if (i == 99)
                    QCoreApplication::quit();
            });
        }
    });
    QCoreApplication::exec();
    poster.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[size_t(i)], i);
    EXPECT_TRUE(allOnGuiThread);
}
