// Describes the machine's default GPU once, for the dashboard. A port reads its graphics
// interface's device properties and returns absent when there is no interface or no device;
// it never fails loudly. The Linux port asks Vulkan, loaded at run time.
//
//   if (std::optional<GPUInfo> gpu = GPUInfoService().info()) show(gpu->name);
//
// THREAD-SAFETY: stateless; info() may be called from any thread. It takes tens of
// milliseconds, so callers ask once and keep the answer.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "core/monitoring/gpu_info.h"

namespace lopewell {

class GPUInfoService {
public:
    GPUInfoService() = default;
    // Loads the graphics interface from `library` instead of the platform's usual one; tests
    // name a library that does not exist to get the "no graphics interface" case.
    explicit GPUInfoService(std::string library) : m_library(std::move(library)) {}

    std::optional<GPUInfo> info() const;

private:
    std::string m_library;  // empty: the platform's usual one
};

}  // namespace lopewell
