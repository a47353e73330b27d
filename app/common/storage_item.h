// One cleanable file or folder, as the storage, files and uninstaller sections list it, and the
// progress values a storage or files scan streams. Also the JSON form the scan caches store
// items in.
//
//   StorageItem item { .path = "/home/a/Library/Caches/x.db", .size = 4096 };
//   item.name();                                    // "x.db"
//   nlohmann::json json = encodeStorageItem(item);  // {"url":"file:///home/a/...","size":4096}
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core/base/date.h"

namespace lopewell {

struct StorageItem {
    // The file or folder itself, as the bytes the walk found it by; what goes to the Trash.
    std::string path {};
    std::uint64_t size = 0;  // allocated bytes on disk
    // A file's content modification date; for a folder row, the newest of its regular files.
    std::optional<Date> modificationDate {};
    // The row label when it differs from the last path component.
    std::optional<std::string> displayName {};

    // The display name, or else the last path component ("/a/b/" gives "b").
    std::string name() const;

    bool operator==(const StorageItem&) const = default;
};

// Running totals so far.
struct StorageScanning {
    std::int64_t itemsSeen = 0;
    std::uint64_t bytes = 0;
    bool operator==(const StorageScanning&) const = default;
};

// The final result: the last value of every scan that was not cancelled.
struct StorageScanComplete {
    std::vector<StorageItem> items;
    std::uint64_t totalBytes = 0;
    // Why rows were left out, one line each: "Firefox is running".
    std::vector<std::string> skipped {};
    bool operator==(const StorageScanComplete&) const = default;
};

// A root that does not exist, is not a folder or cannot be opened; the scan goes on.
struct StorageScanMissing {
    std::filesystem::path path;
    bool operator==(const StorageScanMissing&) const = default;
};

using StorageScanProgress = std::variant<StorageScanning, StorageScanComplete, StorageScanMissing>;

// {"url": "file://...", "size": N, "modificationDate": seconds since 2001, "displayName": "..."};
// the last two keys are left out when absent.
nlohmann::json encodeStorageItem(const StorageItem& item);

// Needs "url" (an absolute file URL) and "size" (a whole number from 0 to 2^64 - 1); the other
// two may be absent or null, and unknown keys are ignored. Anything else present with the wrong
// type or value makes the item undecodable.
std::optional<StorageItem> decodeStorageItem(const nlohmann::json& json);

}  // namespace lopewell

template <>
struct std::hash<lopewell::StorageItem> {
    size_t operator()(const lopewell::StorageItem& item) const noexcept;
};
