// What the last scan of each storage category found, kept across launches as a summary (when,
// how many bytes, how many rows) in "StorageScanCache.json" in the application support folder.
// Item lists are not kept: cleaning from a summary scans again first.
//
//   StorageScanCache cache(layout);
//   StorageScanCache::Entries entries = cache.load();   // empty on any failure
//   entries["system.userCaches"] = { now, totalBytes, itemCount };
//   cache.save(entries);                                  // failures are logged, never returned
//
// THREAD-SAFETY: none needed of the object (it holds only the path); one process-wide writer,
// the storage view model, saves from its executor.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/date.h"
#include "platform/host_layout.h"

namespace lopewell {

class StorageScanCache {
public:
    struct Entry {
        Date lastScanned;  // when the scan, or the cleaning that updated it, finished
        std::uint64_t totalBytes = 0;
        std::int64_t itemCount = 0;
        bool operator==(const Entry&) const = default;
    };
    // By category id.
    using Entries = std::map<std::string, Entry>;

    static constexpr std::string_view fileName = "StorageScanCache.json";
    static constexpr std::string_view logCategory = "StorageScanCache";

    // <application support>/StorageScanCache.json; creates the folder, ignoring failure (saves
    // then fail and are logged).
    explicit StorageScanCache(const HostLayout& layout);
    // A cache at `file`, whose folder is created likewise.
    static StorageScanCache atFile(std::filesystem::path file);

    const std::filesystem::path& filePath() const { return m_file; }

    // Empty when the file is missing, unreadable, or not an object of complete entries.
    Entries load() const;
    // Replaces the file atomically with `entries`; on failure logs
    // "Failed to persist scan cache: <reason>" and leaves the old file as it was.
    void save(const Entries& entries) const;

private:
    struct AtFile {};
    StorageScanCache(AtFile, std::filesystem::path file);

    std::filesystem::path m_file;
};

// The file form: {"<id>":{"lastScanned":<seconds since 2001>,"totalBytes":N,"itemCount":N},...},
// compact. Decoding ignores unknown keys; a member lacking one of the three, or holding a value
// of the wrong type, makes the whole text undecodable.
std::string encodeStorageScanCache(const StorageScanCache::Entries& entries);
std::optional<StorageScanCache::Entries> decodeStorageScanCache(std::string_view text);

}  // namespace lopewell
