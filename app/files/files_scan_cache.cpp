#include "app/files/files_scan_cache.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <nlohmann/json.hpp>

#include "core/base/file_url.h"
#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "platform/file_status.h"
#include "platform/log.h"
#include "platform/user_defaults.h"

namespace lopewell {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr std::string_view cacheCategory = "FilesScanCache";
constexpr std::string_view bookmarkCategory = "FilesRootBookmark";
constexpr std::string_view cacheFileName = "FilesScanCache.json";
constexpr std::uint64_t maximumCacheSize = std::uint64_t(256) << 20;

std::optional<std::uint64_t> decodeByteCount(const json& value)
{
    if (value.is_number_unsigned())
        return value.get<std::uint64_t>();
    if (value.is_number_integer() && value.get<std::int64_t>() >= 0)
        return std::uint64_t(value.get<std::int64_t>());
    return std::nullopt;
}

const json* member(const json& object, std::string_view key)
{
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

json encodeEntry(const FilesScanEntry& entry)
{
    json items = json::array();
    for (const StorageItem& item : entry.items)
        items.push_back(encodeStorageItem(item));
    return { { "items", std::move(items) }, { "totalBytes", entry.totalBytes }, { "scannedAt", encodeDate(entry.scannedAt) } };
}

json encodeEntry(const DuplicatesScanEntry& entry)
{
    json groups = json::array();
    for (const DuplicateGroup& group : entry.groups)
        groups.push_back(encodeDuplicateGroup(group));
    return { { "groups", std::move(groups) }, { "reclaimableBytes", entry.reclaimableBytes },
        { "scannedAt", encodeDate(entry.scannedAt) } };
}

// Reads "<listKey>", "<totalKey>" and "scannedAt"; every one of them is required.
template <typename Element, typename Decode>
bool decodeListEntry(const json& object, std::string_view listKey, std::string_view totalKey, Decode decode, std::vector<Element>& list,
    std::uint64_t& total, Date& scannedAt)
{
    if (!object.is_object())
        return false;
    const json* elements = member(object, listKey);
    const json* totalValue = member(object, totalKey);
    const json* date = member(object, "scannedAt");
    if (!elements || !elements->is_array() || !totalValue || !date)
        return false;
    for (const json& element : *elements) {
        std::optional<Element> decoded = decode(element);
        if (!decoded)
            return false;
        list.push_back(std::move(*decoded));
    }
    std::optional<std::uint64_t> totalBytes = decodeByteCount(*totalValue);
    std::optional<Date> when = decodeDate(*date);
    if (!totalBytes || !when)
        return false;
    total = *totalBytes;
    scannedAt = *when;
    return true;
}

std::string errnoText(int code)
{
    return std::strerror(code);
}

}  // namespace

json encodeDuplicateGroup(const DuplicateGroup& group)
{
    json files = json::array();
    for (const std::string& file : group.files)
        files.push_back(fileURLString(file));
    return { { "id", group.id }, { "size", group.size }, { "files", std::move(files) } };
}

std::optional<DuplicateGroup> decodeDuplicateGroup(const json& object)
{
    if (!object.is_object())
        return std::nullopt;
    const auto id = object.find("id");
    const auto size = object.find("size");
    const auto files = object.find("files");
    if (id == object.end() || !id->is_string() || size == object.end() || files == object.end() || !files->is_array())
        return std::nullopt;
    DuplicateGroup group;
    group.id = id->get<std::string>();
    std::optional<std::uint64_t> bytes = decodeByteCount(*size);
    if (!bytes)
        return std::nullopt;
    group.size = *bytes;
    for (const auto& file : *files) {
        if (!file.is_string())
            return std::nullopt;
        std::optional<fs::path> path = pathFromFileURL(file.get_ref<const std::string&>());
        if (!path)
            return std::nullopt;
        group.files.push_back(std::move(*path).native());
    }
    return group;
}

json encodeFilesScanSnapshot(const FilesScanSnapshot& snapshot)
{
    json object = json::object();
    if (snapshot.largeFiles)
        object["largeFiles"] = encodeEntry(*snapshot.largeFiles);
    if (snapshot.oldFiles)
        object["oldFiles"] = encodeEntry(*snapshot.oldFiles);
    if (snapshot.duplicates)
        object["duplicates"] = encodeEntry(*snapshot.duplicates);
    return object;
}

std::optional<FilesScanSnapshot> decodeFilesScanSnapshot(const json& object)
{
    if (!object.is_object())
        return std::nullopt;
    FilesScanSnapshot snapshot;
    for (auto [key, slot] : { std::pair { "largeFiles", &snapshot.largeFiles }, std::pair { "oldFiles", &snapshot.oldFiles } }) {
        if (const auto* value = member(object, key)) {
            FilesScanEntry entry;
            if (!decodeListEntry<StorageItem>(
                    *value, "items", "totalBytes", decodeStorageItem, entry.items, entry.totalBytes, entry.scannedAt))
                return std::nullopt;
            *slot = std::move(entry);
        }
    }
    if (const auto* value = member(object, "duplicates")) {
        DuplicatesScanEntry entry;
        if (!decodeListEntry<DuplicateGroup>(
                *value, "groups", "reclaimableBytes", decodeDuplicateGroup, entry.groups, entry.reclaimableBytes, entry.scannedAt))
            return std::nullopt;
        snapshot.duplicates = std::move(entry);
    }
    return snapshot;
}

FilesScanCache::FilesScanCache(const HostLayout& layout) : FilesScanCache(layout.applicationSupport() / cacheFileName) {}

FilesScanCache::FilesScanCache(fs::path file) : m_file(std::move(file))
{
    // A folder that cannot be made shows up as a failed save.
    (void)createFolders(m_file.parent_path());
}

void FilesScanCache::save(const FilesScanSnapshot& snapshot) const
{
    // Names that are not UTF-8 only reach the file percent-encoded; replace anything else
    // rather than fail the whole save.
    const std::string text = encodeFilesScanSnapshot(snapshot).dump(-1, ' ', false, json::error_handler_t::replace);
    if (auto saved = replaceFileContents(m_file, text, 0600); !saved)
        log::error(cacheCategory, "Failed to persist files scan cache: " + saved.error().message);
}

std::optional<FilesScanSnapshot> FilesScanCache::load() const
{
    // A cache past the cap is not one we wrote: it reads as no cache, like an unreadable one.
    const std::optional<std::string> text = readRegularFileContents(m_file, maximumCacheSize, SymlinkPolicy::follow);
    if (!text)
        return std::nullopt;
    const json parsed = json::parse(*text, nullptr, false);
    if (parsed.is_discarded())
        return std::nullopt;
    return decodeFilesScanSnapshot(parsed);
}

FilesRootBookmarks::FilesRootBookmarks(std::shared_ptr<UserDefaults> defaults) : m_defaults(std::move(defaults)) {}

std::optional<fs::path> FilesRootBookmarks::resolveBookmark(std::string_view key) const
{
    std::optional<std::vector<std::uint8_t>> data = m_defaults->dataForKey(key);
    if (!data)
        return std::nullopt;
    const fs::path stored(std::string(data->begin(), data->end()));
    std::string problem;
    if (stored.empty() || !stored.is_absolute() || stored.native().find('\0') != std::string::npos)
        problem = "not an absolute path";
    else if (auto type = fileTypeAt(stored, SymlinkPolicy::follow); !type)
        problem = errnoText(type.error().code);
    if (!problem.empty()) {
        log::error(bookmarkCategory, "Resolve bookmark failed for " + std::string(key) + ": " + problem);
        return std::nullopt;
    }
    fs::path normal = stored.lexically_normal();
    if (normal.native().size() > 1 && normal.native().back() == '/')
        normal = normal.parent_path();
    if (normal.native() != stored.native())
        saveBookmark(normal, key);
    return normal;
}

void FilesRootBookmarks::saveBookmark(const fs::path& folder, std::string_view key) const
{
    if (folder.empty() || !folder.is_absolute()) {
        log::error(bookmarkCategory, "Persist bookmark failed for " + std::string(key) + ": not an absolute path");
        return;
    }
    const std::string& bytes = folder.native();
    if (auto stored = m_defaults->setData(key, std::vector<std::uint8_t>(bytes.begin(), bytes.end())); !stored)
        log::error(bookmarkCategory, "Persist bookmark failed for " + std::string(key) + ": " + stored.error().message);
}

}  // namespace lopewell
