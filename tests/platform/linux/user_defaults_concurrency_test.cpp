#include "platform/user_defaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;

TEST(UserDefaultsConcurrency, SettersOnManyThreadsLoseNoKey)
{
    const testing::TempDir folder;
    const fs::path file = folder / "UserDefaults.json";

    constexpr int threadCount = 4;
    constexpr int keysPerThread = 20;
    {
        std::vector<std::jthread> threads;
        for (int thread = 0; thread < threadCount; ++thread) {
            threads.emplace_back([thread, &file] {
                // Each thread opens on its own: all of them must land on the one instance.
                auto defaults = UserDefaults::open(file);
                for (int key = 0; key < keysPerThread; ++key) {
                    const std::string name = "t" + std::to_string(thread) + ".k" + std::to_string(key);
                    EXPECT_TRUE(defaults->setInteger(name, thread * 1000 + key));
                    EXPECT_EQ(defaults->integerForKey(name), thread * 1000 + key);
                }
            });
        }
    }

    auto reopened = UserDefaults::open(file);
    for (int thread = 0; thread < threadCount; ++thread)
        for (int key = 0; key < keysPerThread; ++key)
            EXPECT_EQ(reopened->integerForKey("t" + std::to_string(thread) + ".k" + std::to_string(key)), thread * 1000 + key);
    reopened.reset();
}

}  // namespace
}  // namespace lopewell
