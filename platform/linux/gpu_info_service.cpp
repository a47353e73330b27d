// The Vulkan port: the loader is opened at run time, so a machine without Vulkan still runs
// the program and simply shows no GPU details.
#include "platform/gpu_info_service.h"

#include "platform/leak_sanitizer.h"

#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace lopewell {

namespace {

constexpr const char* defaultLoader = "libvulkan.so.1";

// Mesa drivers do not unload cleanly, so a loader once opened stays for the life of the process.
void* openLoader(const std::string& library)
{
    static std::mutex mutex;
    static std::map<std::string, void*> opened;
    std::lock_guard lock(mutex);
    if (auto it = opened.find(library); it != opened.end())
        return it->second;
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle)
        opened.emplace(library, handle);
    return handle;
}

template <typename Function>
Function instanceFunction(PFN_vkGetInstanceProcAddr getProcAddr, VkInstance instance, const char* name)
{
    return reinterpret_cast<Function>(getProcAddr(instance, name));
}

uint32_t loaderApiVersion(PFN_vkGetInstanceProcAddr getProcAddr)
{
    // A 1.0 loader lacks the query altogether.
    auto enumerateVersion = instanceFunction<PFN_vkEnumerateInstanceVersion>(getProcAddr, VK_NULL_HANDLE, "vkEnumerateInstanceVersion");
    uint32_t version = VK_API_VERSION_1_0;
    if (!enumerateVersion || enumerateVersion(&version) != VK_SUCCESS)
        return VK_API_VERSION_1_0;
    return version;
}

bool loaderHasInstanceExtension(PFN_vkGetInstanceProcAddr getProcAddr, const char* name)
{
    auto enumerate = instanceFunction<PFN_vkEnumerateInstanceExtensionProperties>(
        getProcAddr, VK_NULL_HANDLE, "vkEnumerateInstanceExtensionProperties");
    if (!enumerate)
        return false;
    std::vector<VkExtensionProperties> extensions;
    VkResult result = VK_INCOMPLETE;
    while (result == VK_INCOMPLETE) {
        uint32_t count = 0;
        if (enumerate(nullptr, &count, nullptr) != VK_SUCCESS)
            return false;
        extensions.resize(count);
        result = enumerate(nullptr, &count, extensions.data());
        extensions.resize(count);
    }
    if (result != VK_SUCCESS)
        return false;
    return std::any_of(
        extensions.begin(), extensions.end(), [name](const VkExtensionProperties& e) { return std::strcmp(e.extensionName, name) == 0; });
}

// Owns the instance so that every early return destroys it. A driver may keep allocations for
// good (Mesa's lavapipe does in its first device enumeration) and is unloaded with the instance:
// what it allocates while an instance is made, asked for devices and destroyed is its own.
class Instance {
public:
    Instance(PFN_vkGetInstanceProcAddr getProcAddr, uint32_t apiVersion) : m_getProcAddr(getProcAddr)
    {
        auto create = instanceFunction<PFN_vkCreateInstance>(getProcAddr, VK_NULL_HANDLE, "vkCreateInstance");
        if (!create)
            return;
        VkApplicationInfo application {};
        application.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
        application.pApplicationName = "Lopewell";
        application.apiVersion = apiVersion;

        // Without this, devices that only implement a portable subset stay hidden.
        const char* portability = VK_KHR_PORTABILITY_ENUMERATION_EXTENSION_NAME;
        const bool enumeratePortability = loaderHasInstanceExtension(getProcAddr, portability);

        VkInstanceCreateInfo info {};
        info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
        info.pApplicationInfo = &application;
        if (enumeratePortability) {
            info.flags = VK_INSTANCE_CREATE_ENUMERATE_PORTABILITY_BIT_KHR;
            info.enabledExtensionCount = 1;
            info.ppEnabledExtensionNames = &portability;
        }
        ForeignAllocationsScope driver;
        if (create(&info, nullptr, &m_instance) != VK_SUCCESS)
            m_instance = VK_NULL_HANDLE;
    }

    ~Instance()
    {
        if (m_instance == VK_NULL_HANDLE)
            return;
        if (auto destroy = function<PFN_vkDestroyInstance>("vkDestroyInstance")) {
            ForeignAllocationsScope driver;
            destroy(m_instance, nullptr);
        }
    }

    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    explicit operator bool() const { return m_instance != VK_NULL_HANDLE; }
    VkInstance handle() const { return m_instance; }

    template <typename Function>
    Function function(const char* name) const
    {
        return instanceFunction<Function>(m_getProcAddr, m_instance, name);
    }

private:
    PFN_vkGetInstanceProcAddr m_getProcAddr;
    VkInstance m_instance = VK_NULL_HANDLE;
};

// The loader orders devices discrete first and CPU renderers last, so the first is the default.
std::optional<VkPhysicalDevice> firstDevice(const Instance& instance)
{
    auto enumerate = instance.function<PFN_vkEnumeratePhysicalDevices>("vkEnumeratePhysicalDevices");
    if (!enumerate)
        return std::nullopt;
    uint32_t count = 1;
    VkPhysicalDevice device = VK_NULL_HANDLE;
    VkResult result;
    {
        ForeignAllocationsScope driver;
        result = enumerate(instance.handle(), &count, &device);
    }
    if ((result != VK_SUCCESS && result != VK_INCOMPLETE) || count == 0 || device == VK_NULL_HANDLE)
        return std::nullopt;
    return device;
}

std::optional<std::vector<std::string>> deviceExtensions(const Instance& instance, VkPhysicalDevice device)
{
    auto enumerate = instance.function<PFN_vkEnumerateDeviceExtensionProperties>("vkEnumerateDeviceExtensionProperties");
    if (!enumerate)
        return std::nullopt;
    std::vector<VkExtensionProperties> properties;
    VkResult result = VK_INCOMPLETE;
    while (result == VK_INCOMPLETE) {
        uint32_t count = 0;
        if (enumerate(device, nullptr, &count, nullptr) != VK_SUCCESS)
            return std::nullopt;
        properties.resize(count);
        result = enumerate(device, nullptr, &count, properties.data());
        properties.resize(count);
    }
    if (result != VK_SUCCESS)
        return std::nullopt;
    std::vector<std::string> names;
    names.reserve(properties.size());
    for (const VkExtensionProperties& extension : properties)
        names.emplace_back(extension.extensionName, strnlen(extension.extensionName, sizeof extension.extensionName));
    return names;
}

VulkanDeviceType deviceType(VkPhysicalDeviceType type)
{
    switch (type) {
    case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU:
        return VulkanDeviceType::IntegratedGpu;
    case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU:
        return VulkanDeviceType::DiscreteGpu;
    case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU:
        return VulkanDeviceType::VirtualGpu;
    case VK_PHYSICAL_DEVICE_TYPE_CPU:
        return VulkanDeviceType::Cpu;
    default:
        return VulkanDeviceType::Other;
    }
}

bool contains(const std::vector<std::string>& names, const char* name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::optional<VulkanDeviceFacts> readFacts(const Instance& instance, uint32_t instanceVersion, VkPhysicalDevice device)
{
    auto getProperties = instance.function<PFN_vkGetPhysicalDeviceProperties>("vkGetPhysicalDeviceProperties");
    auto getMemory = instance.function<PFN_vkGetPhysicalDeviceMemoryProperties>("vkGetPhysicalDeviceMemoryProperties");
    auto getFeatures = instance.function<PFN_vkGetPhysicalDeviceFeatures>("vkGetPhysicalDeviceFeatures");
    if (!getProperties || !getMemory || !getFeatures)
        return std::nullopt;

    std::optional<std::vector<std::string>> extensions = deviceExtensions(instance, device);
    if (!extensions)
        return std::nullopt;

    VkPhysicalDeviceProperties properties {};
    getProperties(device, &properties);
    // What we may ask of the device is bounded by both its version and the instance's.
    const uint32_t usable
        = std::min(VK_MAKE_API_VERSION(0, VK_API_VERSION_MAJOR(properties.apiVersion), VK_API_VERSION_MINOR(properties.apiVersion), 0),
            VK_MAKE_API_VERSION(0, VK_API_VERSION_MAJOR(instanceVersion), VK_API_VERSION_MINOR(instanceVersion), 0));
    auto getProperties2
        = usable >= VK_API_VERSION_1_1 ? instance.function<PFN_vkGetPhysicalDeviceProperties2>("vkGetPhysicalDeviceProperties2") : nullptr;
    auto getFeatures2
        = usable >= VK_API_VERSION_1_1 ? instance.function<PFN_vkGetPhysicalDeviceFeatures2>("vkGetPhysicalDeviceFeatures2") : nullptr;

    VulkanDeviceFacts facts;
    facts.name.assign(properties.deviceName, strnlen(properties.deviceName, sizeof properties.deviceName));
    facts.apiMajor = VK_API_VERSION_MAJOR(properties.apiVersion);
    facts.apiMinor = VK_API_VERSION_MINOR(properties.apiVersion);
    facts.deviceType = deviceType(properties.deviceType);
    facts.maxStorageBufferRange = properties.limits.maxStorageBufferRange;
    facts.maxComputeSharedMemorySize = properties.limits.maxComputeSharedMemorySize;
    facts.maxComputeWorkGroupSizeX = properties.limits.maxComputeWorkGroupSize[0];

    if (getProperties2) {
        VkPhysicalDeviceMaintenance3Properties maintenance3 {};
        maintenance3.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MAINTENANCE_3_PROPERTIES;
        VkPhysicalDeviceProperties2 properties2 {};
        properties2.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2;
        properties2.pNext = &maintenance3;
        getProperties2(device, &properties2);
        facts.maxMemoryAllocationSize = maintenance3.maxMemoryAllocationSize;
    }

    VkPhysicalDeviceMemoryProperties memory {};
    getMemory(device, &memory);
    const uint32_t heapCount = std::min<uint32_t>(memory.memoryHeapCount, VK_MAX_MEMORY_HEAPS);
    for (uint32_t i = 0; i < heapCount; ++i) {
        const VkMemoryHeap& heap = memory.memoryHeaps[i];
        facts.heaps.push_back({ heap.size, (heap.flags & VK_MEMORY_HEAP_DEVICE_LOCAL_BIT) != 0 });
    }

    VkPhysicalDeviceFeatures features {};
    if (getFeatures2) {
        VkPhysicalDeviceVulkan12Features vulkan12 {};
        vulkan12.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES;
        VkPhysicalDeviceBufferDeviceAddressFeatures bufferAddress {};
        bufferAddress.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_BUFFER_DEVICE_ADDRESS_FEATURES;
        VkPhysicalDeviceFeatures2 features2 {};
        features2.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2;
        // A 1.1 device reports buffer addresses only through the extension's own structure.
        const bool hasVulkan12 = usable >= VK_API_VERSION_1_2;
        const bool hasAddressExtension = contains(*extensions, VK_KHR_BUFFER_DEVICE_ADDRESS_EXTENSION_NAME);
        if (hasVulkan12)
            features2.pNext = &vulkan12;
        else if (hasAddressExtension)
            features2.pNext = &bufferAddress;
        getFeatures2(device, &features2);
        features = features2.features;
        facts.bufferDeviceAddress = vulkan12.bufferDeviceAddress == VK_TRUE || bufferAddress.bufferDeviceAddress == VK_TRUE;
        facts.descriptorIndexing = vulkan12.descriptorIndexing == VK_TRUE;
    } else {
        getFeatures(device, &features);
    }
    facts.shaderStorageImageReadWithoutFormat = features.shaderStorageImageReadWithoutFormat == VK_TRUE;
    facts.shaderStorageImageWriteWithoutFormat = features.shaderStorageImageWriteWithoutFormat == VK_TRUE;
    facts.extensions = std::move(*extensions);
    return facts;
}

}  // namespace

std::optional<GPUInfo> GPUInfoService::info() const
{
    void* loader = openLoader(m_library.empty() ? defaultLoader : m_library);
    if (!loader)
        return std::nullopt;
    auto getProcAddr = reinterpret_cast<PFN_vkGetInstanceProcAddr>(dlsym(loader, "vkGetInstanceProcAddr"));
    if (!getProcAddr)
        return std::nullopt;

    const uint32_t instanceVersion = loaderApiVersion(getProcAddr);
    Instance instance(getProcAddr, instanceVersion);
    if (!instance)
        return std::nullopt;
    std::optional<VkPhysicalDevice> device = firstDevice(instance);
    if (!device)
        return std::nullopt;
    std::optional<VulkanDeviceFacts> facts = readFacts(instance, instanceVersion, *device);
    if (!facts)
        return std::nullopt;
    return gpuInfoFromVulkan(*facts);
}

}  // namespace lopewell
