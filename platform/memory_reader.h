// One snapshot of the machine's memory, read from the kernel each call; nothing is cached.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "core/monitoring/memory_stats.h"

namespace lopewell::MemoryReader {

// Absent when the kernel's statistics cannot be read.
std::optional<MemoryStats> read();

// This process's physical footprint in bytes; 0 when unknown.
uint64_t appPhysicalFootprint();

// The same against other files (fixtures in tests).
std::optional<MemoryStats> readFrom(const std::filesystem::path& meminfo, const std::filesystem::path& ownStatus);

// read() for a poller: keeps both files open and re-reads them from offset 0, one read each
// per call and no allocation once warm. Calls from several threads take turns.
std::function<std::optional<MemoryStats>()> poller();
std::function<std::optional<MemoryStats>()> pollerFrom(std::filesystem::path meminfo, std::filesystem::path ownStatus);

}  // namespace lopewell::MemoryReader
