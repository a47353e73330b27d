#include "core/monitoring/gpu_info.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace lopewell {
namespace {

TEST(GPUInfoLabels, ArgumentBufferTierNamesOnlyTheKnownTiers)
{
    const struct {
        int tier;
        const char* label;
    } cases[] = {
        { 1, "Tier 1" },
        { 2, "Tier 2" },
        { 0, "Unknown" },
        { 3, "Unknown" },
        { -1, "Unknown" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(argumentBufferTierLabel(c.tier), c.label) << "tier " << c.tier;
}

TEST(GPUInfoLabels, ReadWriteTextureTierNamesNoneAndTheKnownTiers)
{
    const struct {
        int raw;
        const char* label;
    } cases[] = {
        { 0, "None" },
        { 1, "Tier 1" },
        { 2, "Tier 2" },
        { 3, "Unknown" },
        { -1, "Unknown" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(readWriteTextureTierLabel(c.raw), c.label) << "raw " << c.raw;
}

TEST(GPUInfoLabels, FamilyJoinsTheAppleFamilyAndTheInterface)
{
    const struct {
        std::optional<int> family;
        const char* api;
        const char* label;
    } cases[] = {
        { 7, "Metal 3", "Apple 7 / Metal 3" },
        { 1, "Metal 2", "Apple 1 / Metal 2" },
        { 9, "Metal 3", "Apple 9 / Metal 3" },
        { 10, "Metal 3", "Unknown / Metal 3" },
        { 0, "Metal 2", "Unknown / Metal 2" },
        { std::nullopt, "Vulkan 1.3", "Unknown / Vulkan 1.3" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(gpuFamilyLabel(c.family, c.api), c.label);
}

// lavapipe-like: a CPU device whose limits differ from one another, so a swapped field shows.
VulkanDeviceFacts cpuDevice()
{
    VulkanDeviceFacts facts;
    facts.name = "llvmpipe (LLVM 15.0.6, 256 bits)";
    facts.apiMajor = 1;
    facts.apiMinor = 3;
    facts.deviceType = VulkanDeviceType::Cpu;
    facts.heaps = { { 8'000'000'000, true } };
    facts.maxStorageBufferRange = 134'217'728;
    facts.maxMemoryAllocationSize = 2'147'483'648;
    facts.maxComputeSharedMemorySize = 32'768;
    facts.maxComputeWorkGroupSizeX = 1024;
    facts.bufferDeviceAddress = true;
    facts.descriptorIndexing = true;
    facts.shaderStorageImageReadWithoutFormat = true;
    facts.shaderStorageImageWriteWithoutFormat = true;
    return facts;
}

TEST(GPUInfoFromVulkan, MapsEveryFieldOfATypicalDevice)
{
    GPUInfo expected;
    expected.name = "llvmpipe (LLVM 15.0.6, 256 bits)";
    expected.family = "Unknown / Vulkan 1.3";
    expected.recommendedMaxWorkingSet = 8'000'000'000;
    expected.maxBufferLength = 2'147'483'648;
    expected.maxThreadgroupMemoryLength = 32'768;
    expected.maxThreadsPerThreadgroup = 1024;
    expected.unifiedMemory = true;
    expected.currentAllocated = 0;
    expected.supportsRaytracing = false;
    expected.supportsFunctionPointers = true;
    expected.supportsDynamicLibraries = false;
    expected.argumentBufferTier = "Tier 2";
    expected.readWriteTextureTier = "Tier 2";
    EXPECT_EQ(gpuInfoFromVulkan(cpuDevice()), expected);
}

TEST(GPUInfoFromVulkan, WorkingSetIsTheLargestDeviceLocalHeap)
{
    VulkanDeviceFacts facts = cpuDevice();
    // A discrete card: big host heap, two device-local heaps (VRAM and the small BAR window).
    facts.heaps = { { 32'000'000'000, false }, { 256'000'000, true }, { 12'000'000'000, true } };
    EXPECT_EQ(gpuInfoFromVulkan(facts).recommendedMaxWorkingSet, 12'000'000'000u);

    facts.heaps = { { 4'000'000'000, false } };  // not conforming, but not worth showing 0
    EXPECT_EQ(gpuInfoFromVulkan(facts).recommendedMaxWorkingSet, 4'000'000'000u);

    facts.heaps.clear();
    EXPECT_EQ(gpuInfoFromVulkan(facts).recommendedMaxWorkingSet, 0u);
}

TEST(GPUInfoFromVulkan, BufferLengthFallsBackToStorageRangeWhenAllocationLimitIsUnknown)
{
    VulkanDeviceFacts facts = cpuDevice();
    facts.maxMemoryAllocationSize = 0;
    EXPECT_EQ(gpuInfoFromVulkan(facts).maxBufferLength, 134'217'728);
}

TEST(GPUInfoFromVulkan, UnboundedAllocationLimitDoesNotTurnNegative)
{
    VulkanDeviceFacts facts = cpuDevice();
    facts.maxMemoryAllocationSize = std::numeric_limits<uint64_t>::max();
    EXPECT_EQ(gpuInfoFromVulkan(facts).maxBufferLength, std::numeric_limits<int64_t>::max());
}

TEST(GPUInfoFromVulkan, UnifiedMemoryOnlyForIntegratedAndCpuDevices)
{
    const struct {
        VulkanDeviceType type;
        bool unified;
    } cases[] = {
        { VulkanDeviceType::IntegratedGpu, true },
        { VulkanDeviceType::Cpu, true },
        { VulkanDeviceType::DiscreteGpu, false },
        { VulkanDeviceType::VirtualGpu, false },
        { VulkanDeviceType::Other, false },
    };
    VulkanDeviceFacts facts = cpuDevice();
    for (const auto& c : cases) {
        facts.deviceType = c.type;
        EXPECT_EQ(gpuInfoFromVulkan(facts).unifiedMemory, c.unified) << static_cast<int>(c.type);
    }
}

TEST(GPUInfoFromVulkan, FeatureFlagsFollowTheirExtensions)
{
    VulkanDeviceFacts facts = cpuDevice();
    facts.extensions = { "VK_KHR_ray_query" };
    EXPECT_TRUE(gpuInfoFromVulkan(facts).supportsRaytracing);
    facts.extensions = { "VK_KHR_ray_tracing_pipeline", "VK_KHR_pipeline_library" };
    EXPECT_TRUE(gpuInfoFromVulkan(facts).supportsRaytracing);
    EXPECT_TRUE(gpuInfoFromVulkan(facts).supportsDynamicLibraries);
    facts.extensions = { "VK_KHR_acceleration_structure" };  // alone it traces nothing
    EXPECT_FALSE(gpuInfoFromVulkan(facts).supportsRaytracing);
    EXPECT_FALSE(gpuInfoFromVulkan(facts).supportsDynamicLibraries);

    facts.bufferDeviceAddress = false;
    EXPECT_FALSE(gpuInfoFromVulkan(facts).supportsFunctionPointers);
}

TEST(GPUInfoFromVulkan, ArgumentBufferTierTwoNeedsDescriptorIndexing)
{
    VulkanDeviceFacts facts = cpuDevice();
    facts.descriptorIndexing = false;
    EXPECT_EQ(gpuInfoFromVulkan(facts).argumentBufferTier, "Tier 1");
    facts.extensions = { "VK_EXT_descriptor_indexing" };  // a 1.1 device with the extension
    EXPECT_EQ(gpuInfoFromVulkan(facts).argumentBufferTier, "Tier 2");
}

TEST(GPUInfoFromVulkan, ReadWriteTextureTierFromFormatlessStorageImages)
{
    const struct {
        bool read;
        bool write;
        const char* label;
    } cases[] = {
        { true, true, "Tier 2" },
        { false, true, "Tier 1" },
        { true, false, "None" },
        { false, false, "None" },
    };
    VulkanDeviceFacts facts = cpuDevice();
    for (const auto& c : cases) {
        facts.shaderStorageImageReadWithoutFormat = c.read;
        facts.shaderStorageImageWriteWithoutFormat = c.write;
        EXPECT_EQ(gpuInfoFromVulkan(facts).readWriteTextureTier, c.label) << c.read << c.write;
    }
}

TEST(GPUInfoValue, EqualityAndHashCoverEveryField)
{
    const GPUInfo base = gpuInfoFromVulkan(cpuDevice());
    const std::function<void(GPUInfo&)> changes[] = {
        [](GPUInfo& i) { i.name += "x"; },
        [](GPUInfo& i) { i.family += "x"; },
        [](GPUInfo& i) { ++i.recommendedMaxWorkingSet; },
        [](GPUInfo& i) { ++i.maxBufferLength; },
        [](GPUInfo& i) { ++i.maxThreadgroupMemoryLength; },
        [](GPUInfo& i) { ++i.maxThreadsPerThreadgroup; },
        [](GPUInfo& i) { i.unifiedMemory = !i.unifiedMemory; },
        [](GPUInfo& i) { ++i.currentAllocated; },
        [](GPUInfo& i) { i.supportsRaytracing = !i.supportsRaytracing; },
        [](GPUInfo& i) { i.supportsFunctionPointers = !i.supportsFunctionPointers; },
        [](GPUInfo& i) { i.supportsDynamicLibraries = !i.supportsDynamicLibraries; },
        [](GPUInfo& i) { i.argumentBufferTier = "Unknown"; },
        [](GPUInfo& i) { i.readWriteTextureTier = "Unknown"; },
    };
    const std::hash<GPUInfo> hash;
    EXPECT_EQ(hash(base), hash(GPUInfo(base)));
    for (std::size_t field = 0; field < std::size(changes); ++field) {
        GPUInfo changed = base;
        changes[field](changed);
        EXPECT_NE(changed, base) << "field " << field;
        EXPECT_NE(hash(changed), hash(base)) << "field " << field;
    }
}

}  // namespace
}  // namespace lopewell
