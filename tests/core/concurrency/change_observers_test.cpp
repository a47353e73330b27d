#include "core/concurrency/change_observers.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace lopewell;

TEST(ChangeObservers, EverySubscriberHearsEachChangeUntilItsSubscriptionGoes)
{
    ChangeObservers observers;
    std::vector<char> heard;
    auto a = observers.add([&] { heard.push_back('a'); });
    std::optional<ChangeObservers::Subscription> b = observers.add([&] { heard.push_back('b'); });
    observers.notify();
    b.reset();
    observers.notify();
    EXPECT_EQ(heard, (std::vector<char> { 'a', 'b', 'a' }));
    EXPECT_EQ(observers.count(), 1u);
}

TEST(ChangeObservers, ACallbackMayUnsubscribeOthersAndAddNewOnes)
{
    ChangeObservers observers;
    std::vector<char> heard;
    ChangeObservers::Subscription second, added;
    auto first = observers.add([&] {
        heard.push_back('1');
        second.reset();  // removed before its turn: not called
        added = observers.add([&] { heard.push_back('+'); });
    });
    second = observers.add([&] { heard.push_back('2'); });
    observers.notify();
    EXPECT_EQ(heard, (std::vector<char> { '1' }));
    first.reset();
    observers.notify();
    EXPECT_EQ(heard, (std::vector<char> { '1', '+' }));
}

TEST(ChangeObservers, ASubscriptionMayOutliveTheModel)
{
    ChangeObservers::Subscription subscription;
    {
        ChangeObservers observers;
        subscription = observers.add([] {});
        EXPECT_TRUE(subscription.isActive());
    }
    EXPECT_FALSE(subscription.isActive());
    subscription.reset();  // must not touch the destroyed list (ASan would see it)
    EXPECT_FALSE(subscription.isActive());
}
