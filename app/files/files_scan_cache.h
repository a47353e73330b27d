// The Files screen's memory across launches: the last finished result of each pane in
// "FilesScanCache.json" beside the storage cache, and the folder each pane scans, kept in the
// user defaults.
//
//   FilesScanCache cache(layout);
//   cache.save({ .duplicates = DuplicatesScanEntry { groups, bytes, now } });  // {"duplicates":{...}}
//   std::optional<FilesScanSnapshot> last = cache.load();  // absent: no file, unreadable or malformed
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "app/common/storage_item.h"
#include "app/files/duplicate_group.h"
#include "core/base/date.h"
#include "platform/host_layout.h"

namespace lopewell {

class UserDefaults;

// A finished Large Files or Old Files scan.
struct FilesScanEntry {
    std::vector<StorageItem> items;
    std::uint64_t totalBytes = 0;
    Date scannedAt {};
    bool operator==(const FilesScanEntry&) const = default;
};

struct DuplicatesScanEntry {
    std::vector<DuplicateGroup> groups;
    std::uint64_t reclaimableBytes = 0;
    Date scannedAt {};
    bool operator==(const DuplicatesScanEntry&) const = default;
};

// Panes without a finished result are absent (and left out of the file).
struct FilesScanSnapshot {
    std::optional<FilesScanEntry> largeFiles;
    std::optional<FilesScanEntry> oldFiles;
    std::optional<DuplicatesScanEntry> duplicates;
    bool operator==(const FilesScanSnapshot&) const = default;
};

// {"largeFiles":{"items":[StorageItem...],"totalBytes":N,"scannedAt":S},"oldFiles":{...},
//  "duplicates":{"groups":[{"id":HEX,"size":N,"files":["file://..."]}],"reclaimableBytes":N,"scannedAt":S}}
nlohmann::json encodeDuplicateGroup(const DuplicateGroup& group);
std::optional<DuplicateGroup> decodeDuplicateGroup(const nlohmann::json& json);
nlohmann::json encodeFilesScanSnapshot(const FilesScanSnapshot& snapshot);
// Absent keys and nulls are absent panes; unknown keys are ignored; anything present but
// malformed makes the whole snapshot undecodable.
std::optional<FilesScanSnapshot> decodeFilesScanSnapshot(const nlohmann::json& json);

class FilesScanCache {
public:
    // The file lives in the application support folder, which is created here if need be.
    explicit FilesScanCache(const HostLayout& layout);
    explicit FilesScanCache(std::filesystem::path file);

    const std::filesystem::path& filePath() const { return m_file; }

    // Replaces the file atomically; a failure is logged and otherwise ignored.
    void save(const FilesScanSnapshot& snapshot) const;
    std::optional<FilesScanSnapshot> load() const;

private:
    std::filesystem::path m_file;
};

// The three panes' folder memory. The stored value is the folder's plain path; a folder that no
// longer exists does not resolve.
class FilesRootBookmarks {
public:
    static constexpr std::string_view largeFilesKey = "files.largeFiles.bookmark";
    static constexpr std::string_view oldFilesKey = "files.oldFiles.bookmark";
    static constexpr std::string_view duplicatesKey = "files.duplicates.bookmark";

    explicit FilesRootBookmarks(std::shared_ptr<UserDefaults> defaults);

    // The remembered folder, or absent (nothing stored, or it no longer resolves: logged).
    // A stale entry (not in its plain normal form) is stored again in that form.
    std::optional<std::filesystem::path> resolveBookmark(std::string_view key) const;
    // Logged when it cannot be stored.
    void saveBookmark(const std::filesystem::path& folder, std::string_view key) const;

private:
    std::shared_ptr<UserDefaults> m_defaults;
};

}  // namespace lopewell
