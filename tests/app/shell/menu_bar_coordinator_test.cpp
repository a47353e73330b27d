#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "app/shell/menu_bar_coordinator.h"
#include "platform/log.h"
#include "platform/user_defaults.h"
#include "tests/app/shell/shell_fakes.h"
#include "tests/support/temp_tree.h"

using namespace lopewell;
using namespace lopewell::fakes;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using lopewell::testing::TempDir;
using lopewell::testing::writeFile;

namespace {

class CoordinatorTest : public ::testing::Test {
protected:
    std::unique_ptr<MenuBarCoordinator> makeCoordinator(const fs::path& file)
    {
        defaults = UserDefaults::open(file);
        auto coordinator = std::make_unique<MenuBarCoordinator>(defaults, [this] {
            ++created;
            return std::make_unique<MenuBarController>(machine.environment(executor, clock, platform));
        });
        subscription = coordinator->observers().add([this, c = coordinator.get()] { seen.push_back(c->controller()); });
        return coordinator;
    }

    // The stored value as a fresh reader of the file sees it.
    std::optional<bool> storedEnabled() const
    {
        std::ifstream file(defaults->file());
        const nlohmann::json values = nlohmann::json::parse(file, nullptr, false);
        if (!values.is_object() || !values.contains("menuBarItemEnabled") || !values["menuBarItemEnabled"].is_boolean())
            return std::nullopt;
        return values["menuBarItemEnabled"].get<bool>();
    }

    TempDir scratch;
    const fs::path folder = scratch.path();
    ManualExecutor executor;
    FakeClock clock;
    RecordingPlatform platform;
    FakeMachine machine;
    std::shared_ptr<UserDefaults> defaults;
    int created = 0;
    std::vector<MenuBarController*> seen;  // controller() at each notification
    ChangeObservers::Subscription subscription;
};

}  // namespace

TEST_F(CoordinatorTest, EnablingTwiceMakesOneRunningControllerAndStoresEachTime)
{
    auto coordinator = makeCoordinator(folder / "defaults.json");
    coordinator->setEnabled(true);
    MenuBarController* first = coordinator->controller();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isRunning());
    EXPECT_EQ(storedEnabled(), true);

    ASSERT_TRUE(defaults->removeObject("menuBarItemEnabled"));
    coordinator->setEnabled(true);
    EXPECT_EQ(coordinator->controller(), first);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(seen, (std::vector<MenuBarController*> { first }));
    EXPECT_EQ(storedEnabled(), true);  // written again although nothing changed
}

TEST_F(CoordinatorTest, DisablingReleasesTheControllerAndReenablingStartsAFreshOne)
{
    const size_t threadsBefore = threadCount();
    auto coordinator = makeCoordinator(folder / "defaults.json");
    coordinator->setEnabled(false);  // nothing to stop: only the setting is written
    EXPECT_EQ(coordinator->controller(), nullptr);
    EXPECT_EQ(storedEnabled(), false);
    EXPECT_TRUE(seen.empty());

    coordinator->setEnabled(true);
    clock.waitForSleepers(3);
    clock.advance(1s);
    clock.waitForSleepers(3);
    executor.runUntilIdle();
    ASSERT_TRUE(coordinator->controller()->readout());

    coordinator->setEnabled(false);
    EXPECT_EQ(coordinator->controller(), nullptr);
    EXPECT_EQ(storedEnabled(), false);
    EXPECT_EQ(threadCount(), threadsBefore);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], nullptr);

    // A fresh controller with a fresh sampler: no readout until one interval later.
    coordinator->setEnabled(true);
    EXPECT_EQ(created, 2);
    clock.waitForSleepers(3);
    executor.runUntilIdle();
    EXPECT_EQ(coordinator->controller()->readout(), std::nullopt);
    clock.advance(1s);
    clock.waitForSleepers(3);
    executor.runUntilIdle();
    EXPECT_TRUE(coordinator->controller()->readout());

    coordinator.reset();  // the process-wide owner going away stops the readout too
    EXPECT_EQ(threadCount(), threadsBefore);
}

TEST_F(CoordinatorTest, AFailedWriteIsLoggedAndTheItemStillFollowsTheChoice)
{
    writeFile(folder / "not-a-folder", "x");
    std::vector<std::string> logged;
    log::setSinkForTesting([&](log::Level, std::string_view category, std::string_view message) {
        logged.push_back(std::string(category) + ": " + std::string(message));
    });
    auto coordinator = makeCoordinator(folder / "not-a-folder" / "defaults.json");
    coordinator->setEnabled(true);
    log::setSinkForTesting(nullptr);

    EXPECT_NE(coordinator->controller(), nullptr);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_TRUE(logged[0].starts_with("MenuBarCoordinator: Failed to persist the menu bar setting: ")) << logged[0];
}
