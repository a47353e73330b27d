// One snapshot of the machine's memory, read from the kernel each call; nothing is cached.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "core/monitoring/memory_stats.h"

namespace lopewell::MemoryReader {

// Absent when the kernel's statistics cannot be read.
std::optional<MemoryStats> read();

// This process's physical footprint in bytes; 0 when unknown.
uint64_t appPhysicalFootprint();

// The same against other files (fixtures in tests).
std::optional<MemoryStats> readFrom(const std::filesystem::path& meminfo, const std::filesystem::path& ownStatus);

}  // namespace lopewell::MemoryReader
