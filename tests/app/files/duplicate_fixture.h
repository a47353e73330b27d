// Builds what the duplicate walk hands on, from a real tree: identities as lstat sees them and
// size buckets in the walk's sense (allocated size, regular files only, links never).
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/files/duplicate_finder.h"

namespace lopewell::testing {

inline FileIdentity identityOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return {};
    return { std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::uint64_t(info.st_size), std::uint64_t(info.st_blocks) * 512 };
}

// Every regular file under `root`, in sorted path order so that tests know what "found first" is.
inline std::vector<SizeBucket> bucketsUnder(const std::filesystem::path& root)
{
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && !entry.is_symlink())
            paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    std::map<std::uint64_t, SizeBucket> bySize;
    for (const auto& path : paths) {
        const FileIdentity identity = identityOf(path);
        SizeBucket& bucket = bySize[*identity.allocatedSize];
        bucket.size = *identity.allocatedSize;
        bucket.files.push_back({ path.native(), identity });
    }
    std::vector<SizeBucket> buckets;
    for (auto& [size, bucket] : bySize)
        buckets.push_back(std::move(bucket));
    return buckets;
}

// Deterministic bytes that differ from seed to seed everywhere.
inline std::string patternBytes(std::size_t length, unsigned seed)
{
    std::string bytes(length, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = char(state >> 24);
    }
    return bytes;
}

}  // namespace lopewell::testing
