// A static description of the machine's default GPU for the dashboard's GPU card, and the pure
// rules that turn a graphics interface's raw facts into it. Nothing here measures GPU load.
//
//   GPUInfo info = gpuInfoFromVulkan(facts);   // facts read by the platform layer
//   info.family                                 // "Unknown / Vulkan 1.3"
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

struct GPUInfo {
    std::string name;
    std::string family;                      // "<Apple family or Unknown> / <graphics interface>"
    uint64_t recommendedMaxWorkingSet = 0;   // bytes
    int64_t maxBufferLength = 0;             // bytes
    int64_t maxThreadgroupMemoryLength = 0;  // bytes
    int64_t maxThreadsPerThreadgroup = 0;    // the width only
    bool unifiedMemory = false;
    uint64_t currentAllocated = 0;  // bytes this process holds on the device
    bool supportsRaytracing = false;
    bool supportsFunctionPointers = false;
    bool supportsDynamicLibraries = false;
    std::string argumentBufferTier;    // "Tier 1", "Tier 2" or "Unknown"
    std::string readWriteTextureTier;  // "None", "Tier 1", "Tier 2" or "Unknown"

    bool operator==(const GPUInfo&) const = default;
};

// 1 → "Tier 1", 2 → "Tier 2", anything else → "Unknown".
std::string argumentBufferTierLabel(int tier);

// 0 → "None", 1 → "Tier 1", 2 → "Tier 2", anything else → "Unknown".
std::string readWriteTextureTierLabel(int raw);

// "Apple N" for a known Apple family N (1–9), else "Unknown"; then " / " and `apiLabel`.
std::string gpuFamilyLabel(std::optional<int> appleFamily, std::string_view apiLabel);

// Mirrors VkPhysicalDeviceType without pulling the Vulkan headers into the core.
enum class VulkanDeviceType { Other, IntegratedGpu, DiscreteGpu, VirtualGpu, Cpu };

struct VulkanMemoryHeap {
    uint64_t size = 0;  // bytes
    bool deviceLocal = false;
};

// The raw facts about one Vulkan physical device that GPUInfo is built from.
struct VulkanDeviceFacts {
    std::string name;
    uint32_t apiMajor = 0;
    uint32_t apiMinor = 0;
    VulkanDeviceType deviceType = VulkanDeviceType::Other;
    std::vector<VulkanMemoryHeap> heaps;
    uint64_t maxStorageBufferRange = 0;
    uint64_t maxMemoryAllocationSize = 0;  // 0 when the device predates Vulkan 1.1
    uint64_t maxComputeSharedMemorySize = 0;
    uint64_t maxComputeWorkGroupSizeX = 0;
    std::vector<std::string> extensions;
    bool bufferDeviceAddress = false;  // the feature, from Vulkan 1.2 or its KHR extension
    bool descriptorIndexing = false;   // the Vulkan 1.2 feature; the extension counts too
    bool shaderStorageImageReadWithoutFormat = false;
    bool shaderStorageImageWriteWithoutFormat = false;
};

GPUInfo gpuInfoFromVulkan(const VulkanDeviceFacts& facts);

}  // namespace lopewell

template <>
struct std::hash<lopewell::GPUInfo> {
    std::size_t operator()(const lopewell::GPUInfo& info) const noexcept;
};
