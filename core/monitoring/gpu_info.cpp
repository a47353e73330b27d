#include "core/monitoring/gpu_info.h"

#include <algorithm>
#include <limits>

namespace lopewell {

namespace {

// Drivers may report "no limit" as UINT64_MAX; that must not turn into a negative size.
int64_t clampToInt64(uint64_t value)
{
    constexpr auto max = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    return static_cast<int64_t>(std::min(value, max));
}

bool hasExtension(const VulkanDeviceFacts& facts, std::string_view name)
{
    return std::find(facts.extensions.begin(), facts.extensions.end(), name) != facts.extensions.end();
}

uint64_t largestHeap(const std::vector<VulkanMemoryHeap>& heaps, bool deviceLocalOnly)
{
    uint64_t largest = 0;
    for (const VulkanMemoryHeap& heap : heaps) {
        if (!deviceLocalOnly || heap.deviceLocal)
            largest = std::max(largest, heap.size);
    }
    return largest;
}

void combine(std::size_t& seed, std::size_t value)
{
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

}  // namespace

std::string argumentBufferTierLabel(int tier)
{
    switch (tier) {
    case 1:
        return "Tier 1";
    case 2:
        return "Tier 2";
    default:
        return "Unknown";
    }
}

std::string readWriteTextureTierLabel(int raw)
{
    switch (raw) {
    case 0:
        return "None";
    case 1:
        return "Tier 1";
    case 2:
        return "Tier 2";
    default:
        return "Unknown";
    }
}

std::string gpuFamilyLabel(std::optional<int> appleFamily, std::string_view apiLabel)
{
    std::string label = "Unknown";
    if (appleFamily && *appleFamily >= 1 && *appleFamily <= 9)
        label = "Apple " + std::to_string(*appleFamily);
    label += " / ";
    label += apiLabel;
    return label;
}

GPUInfo gpuInfoFromVulkan(const VulkanDeviceFacts& facts)
{
    GPUInfo info;
    info.name = facts.name;
    // Vulkan has no Apple GPU families; the interface label carries the device's API version.
    info.family = gpuFamilyLabel(std::nullopt, "Vulkan " + std::to_string(facts.apiMajor) + "." + std::to_string(facts.apiMinor));
    // The largest heap the device works from fastest is its practical working set. Every
    // conforming device has a device-local heap; should one not, any heap beats showing 0.
    info.recommendedMaxWorkingSet = largestHeap(facts.heaps, true);
    if (info.recommendedMaxWorkingSet == 0)
        info.recommendedMaxWorkingSet = largestHeap(facts.heaps, false);
    // One allocation bounds one buffer; the storage-buffer range is the 1.0 stand-in.
    info.maxBufferLength = clampToInt64(facts.maxMemoryAllocationSize != 0 ? facts.maxMemoryAllocationSize : facts.maxStorageBufferRange);
    // Compute shared memory is what Metal calls threadgroup memory.
    info.maxThreadgroupMemoryLength = clampToInt64(facts.maxComputeSharedMemorySize);
    // Width only, as for Metal's maxThreadsPerThreadgroup.
    info.maxThreadsPerThreadgroup = clampToInt64(facts.maxComputeWorkGroupSizeX);
    // Integrated and CPU devices share the system's memory.
    info.unifiedMemory = facts.deviceType == VulkanDeviceType::IntegratedGpu || facts.deviceType == VulkanDeviceType::Cpu;
    // We only query the device; nothing of ours lives in its memory.
    info.currentAllocated = 0;
    info.supportsRaytracing = hasExtension(facts, "VK_KHR_ray_tracing_pipeline") || hasExtension(facts, "VK_KHR_ray_query");
    // Shaders calling through pointers: Vulkan's nearest counterpart is raw device addresses
    // in shaders, which is also what its callable-shader tables are built on.
    info.supportsFunctionPointers = facts.bufferDeviceAddress;
    // Pipeline libraries are Vulkan's separately compiled, linked-in shader code.
    info.supportsDynamicLibraries = hasExtension(facts, "VK_KHR_pipeline_library");
    // Tier 2 argument buffers are large, non-uniformly indexed resource tables.
    const bool descriptorIndexing = facts.descriptorIndexing || hasExtension(facts, "VK_EXT_descriptor_indexing");
    info.argumentBufferTier = argumentBufferTierLabel(descriptorIndexing ? 2 : 1);
    // Storage images without a declared format: write-only is tier 1, read and write tier 2.
    int readWriteTier = 0;
    if (facts.shaderStorageImageWriteWithoutFormat)
        readWriteTier = facts.shaderStorageImageReadWithoutFormat ? 2 : 1;
    info.readWriteTextureTier = readWriteTextureTierLabel(readWriteTier);
    return info;
}

}  // namespace lopewell

std::size_t std::hash<lopewell::GPUInfo>::operator()(const lopewell::GPUInfo& info) const noexcept
{
    std::size_t seed = 0;
    lopewell::combine(seed, std::hash<std::string> {}(info.name));
    lopewell::combine(seed, std::hash<std::string> {}(info.family));
    lopewell::combine(seed, std::hash<uint64_t> {}(info.recommendedMaxWorkingSet));
    lopewell::combine(seed, std::hash<int64_t> {}(info.maxBufferLength));
    lopewell::combine(seed, std::hash<int64_t> {}(info.maxThreadgroupMemoryLength));
    lopewell::combine(seed, std::hash<int64_t> {}(info.maxThreadsPerThreadgroup));
    lopewell::combine(seed, std::hash<bool> {}(info.unifiedMemory));
    lopewell::combine(seed, std::hash<uint64_t> {}(info.currentAllocated));
    lopewell::combine(seed, std::hash<bool> {}(info.supportsRaytracing));
    lopewell::combine(seed, std::hash<bool> {}(info.supportsFunctionPointers));
    lopewell::combine(seed, std::hash<bool> {}(info.supportsDynamicLibraries));
    lopewell::combine(seed, std::hash<std::string> {}(info.argumentBufferTier));
    lopewell::combine(seed, std::hash<std::string> {}(info.readWriteTextureTier));
    return seed;
}
