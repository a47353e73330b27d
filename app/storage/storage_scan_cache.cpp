#include "app/storage/storage_scan_cache.h"

#include <nlohmann/json.hpp>

#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "platform/log.h"

namespace lopewell {

namespace {

namespace fs = std::filesystem;

// Far above one member per catalogue entry: anything bigger is not ours.
constexpr std::uint64_t maximumFileSize = 1 << 20;

std::optional<uint64_t> unsignedValue(const nlohmann::json& value)
{
    if (value.is_number_unsigned())
        return value.get<uint64_t>();
    if (value.is_number_integer() && value.get<int64_t>() >= 0)
        return uint64_t(value.get<int64_t>());
    return std::nullopt;
}

std::optional<int64_t> signedValue(const nlohmann::json& value)
{
    if (value.is_number_integer() && !value.is_number_unsigned())
        return value.get<int64_t>();
    if (value.is_number_unsigned() && value.get<uint64_t>() <= uint64_t(INT64_MAX))
        return int64_t(value.get<uint64_t>());
    return std::nullopt;
}

std::optional<StorageScanCache::Entry> decodeEntry(const nlohmann::json& json)
{
    if (!json.is_object())
        return std::nullopt;
    const auto lastScanned = json.find("lastScanned");
    const auto totalBytes = json.find("totalBytes");
    const auto itemCount = json.find("itemCount");
    if (lastScanned == json.end() || totalBytes == json.end() || itemCount == json.end())
        return std::nullopt;
    std::optional<Date> date = decodeDate(*lastScanned);
    std::optional<uint64_t> bytes = unsignedValue(*totalBytes);
    std::optional<int64_t> count = signedValue(*itemCount);
    if (!date || !bytes || !count)
        return std::nullopt;
    return StorageScanCache::Entry { *date, *bytes, *count };
}

}  // namespace

std::string encodeStorageScanCache(const StorageScanCache::Entries& entries)
{
    nlohmann::json json = nlohmann::json::object();
    for (const auto& [id, entry] : entries) {
        json[id] = {
            { "lastScanned", encodeDate(entry.lastScanned) },
            { "totalBytes", entry.totalBytes },
            { "itemCount", entry.itemCount },
        };
    }
    // Ids are ours, but replace rather than throw should a name ever hold invalid UTF-8.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<StorageScanCache::Entries> decodeStorageScanCache(std::string_view text)
{
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return std::nullopt;
    StorageScanCache::Entries entries;
    for (const auto& [id, value] : json.items()) {
        std::optional<StorageScanCache::Entry> entry = decodeEntry(value);
        if (!entry)
            return std::nullopt;
        entries.emplace(id, *entry);
    }
    return entries;
}

StorageScanCache::StorageScanCache(const HostLayout& layout) : StorageScanCache(AtFile {}, layout.applicationSupport() / fileName) {}

StorageScanCache StorageScanCache::atFile(fs::path file)
{
    return StorageScanCache(AtFile {}, std::move(file));
}

StorageScanCache::StorageScanCache(AtFile, fs::path file) : m_file(std::move(file))
{
    (void)createFolders(m_file.parent_path());
}

StorageScanCache::Entries StorageScanCache::load() const
{
    std::optional<std::string> text = readRegularFileContents(m_file, maximumFileSize, SymlinkPolicy::follow);
    if (!text)
        return {};
    return decodeStorageScanCache(*text).value_or(Entries {});
}

void StorageScanCache::save(const Entries& entries) const
{
    if (auto saved = replaceFileContents(m_file, encodeStorageScanCache(entries), 0600); !saved)
        log::error(logCategory, "Failed to persist scan cache: " + saved.error().message);
}

}  // namespace lopewell
