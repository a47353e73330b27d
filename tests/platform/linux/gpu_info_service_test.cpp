// Runs against the machine's real Vulkan loader; the test machines have Mesa's CPU device
// (lavapipe), so a device is always there unless a test hides it.
#include "platform/gpu_info_service.h"

#include "platform/leak_sanitizer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace lopewell {
namespace {

using testing::AnyOf;
using testing::IsEmpty;
using testing::MatchesRegex;
using testing::Not;

TEST(GPUInfoService, DescribesTheMachinesVulkanDevice)
{
    std::optional<GPUInfo> info = GPUInfoService().info();
    ASSERT_TRUE(info.has_value());
    EXPECT_THAT(info->name, Not(IsEmpty()));
    EXPECT_THAT(info->family, MatchesRegex("Unknown / Vulkan 1\\.[0-9]+"));
    // Zero in any of these means a property was not read at all.
    EXPECT_GT(info->recommendedMaxWorkingSet, 0u);
    EXPECT_GT(info->maxBufferLength, 0);
    EXPECT_GT(info->maxThreadgroupMemoryLength, 0);
    EXPECT_GT(info->maxThreadsPerThreadgroup, 0);
    EXPECT_EQ(info->currentAllocated, 0u);
    if (info->name.starts_with("llvmpipe")) {
        // Facts of lavapipe that no Mesa release takes back: features and extensions were read.
        EXPECT_TRUE(info->unifiedMemory);
        EXPECT_TRUE(info->supportsDynamicLibraries);
        EXPECT_THAT(info->readWriteTextureTier, AnyOf("Tier 1", "Tier 2"));
    }
    EXPECT_EQ(GPUInfoService().info(), info);  // the loader stays usable for a second ask
}

TEST(GPUInfoService, AbsentWithoutAVulkanLoader)
{
    for (const char* library : { "/nonexistent/libvulkan.so.1", "libm.so.6" })
        EXPECT_EQ(GPUInfoService(library).info(), std::nullopt) << library;
}

// A fresh process, so that the loader's and driver's first-time start-up is what is observed.
// stdout is folded into stderr so that both are checked for chatter.
[[noreturn]] void exitWithInfo(bool hideDrivers)
{
    unsetenv("VK_LOADER_DEBUG");  // asked-for chatter is not ours
    if (hideDrivers) {
        setenv("VK_DRIVER_FILES", "/nonexistent/icd.json", 1);
        setenv("VK_ICD_FILENAMES", "/nonexistent/icd.json", 1);
    }
    std::fflush(stdout);  // what the test runner printed so far is not ours
    dup2(STDERR_FILENO, STDOUT_FILENO);
    const bool present = GPUInfoService().info().has_value();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(present ? 10 : 20);
}

TEST(GPUInfoServiceDeathTest, FindsTheDeviceSilently)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exitWithInfo(false), testing::ExitedWithCode(10), IsEmpty());
}

TEST(GPUInfoServiceDeathTest, AbsentAndSilentWhenTheLoaderFindsNoDriver)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exitWithInfo(true), testing::ExitedWithCode(20), IsEmpty());
}

#ifdef LOPEWELL_LEAK_SANITIZER
// Mesa's CPU device keeps an allocation from its first enumeration and is unloaded with the
// instance, where no suppression can name it. Forced here, so that a machine with a real GPU
// proves it too; the leak check runs in a fresh process with nothing else allocated.
TEST(GPUInfoServiceDeathTest, LeavesNoLeakOfTheCPUDriverForTheLeakChecker)
{
    std::filesystem::path lavapipe;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/vulkan/icd.d"))
        if (entry.path().filename().string().starts_with("lvp_icd."))
            lavapipe = entry.path();
    ASSERT_FALSE(lavapipe.empty()) << "mesa-vulkan-drivers is not installed";

    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("VK_DRIVER_FILES", lavapipe.c_str(), 1);
            setenv("VK_ICD_FILENAMES", lavapipe.c_str(), 1);
            const bool present = GPUInfoService().info().has_value();
            std::_Exit(!present ? 20 : __lsan_do_recoverable_leak_check() != 0 ? 30 : 10);
        },
        testing::ExitedWithCode(10), "");
}
#endif

}  // namespace
}  // namespace lopewell
