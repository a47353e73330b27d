#include "app/apps/bundle_reading.h"

#include <set>
#include <utility>

#include "platform/file_status.h"
#include "platform/file_walk.h"
#include "platform/property_list.h"

namespace lopewell {

namespace fs = std::filesystem;

std::optional<BundleInfo> readBundle(const fs::path& bundle)
{
    auto type = fileTypeAt(bundle, SymlinkPolicy::refuse);
    if (!type || type.value() != FileType::directory)
        return std::nullopt;
    auto plist = readPropertyListFile(bundle / "Contents" / "Info.plist");
    PropertyList info;
    if (plist && plist.value().isDictionary())
        info = std::move(plist.value());
    std::optional<std::string> identifier = nonEmptyString(info, "CFBundleIdentifier");
    if (!identifier)
        return std::nullopt;
    return BundleInfo { std::move(*identifier), std::move(info) };
}

std::optional<std::string> nonEmptyString(const PropertyList& info, std::string_view key)
{
    std::optional<std::string> value = info.stringForKey(key);
    if (!value || value->empty())
        return std::nullopt;
    return value;
}

std::string bundleBaseName(const fs::path& bundle)
{
    fs::path name = bundle.filename();
    if (name.empty())
        name = bundle.parent_path().filename();
    return name.stem().string();
}

std::uint64_t folderSize(const fs::path& folder, PackageContents packages, std::stop_token stop)
{
    std::uint64_t total = 0;
    std::set<std::pair<std::uint64_t, std::uint64_t>> linked;
    WalkOptions options;
    options.skipPackageContents = packages == PackageContents::skipped;
    (void)walkTree(
        folder,
        [&](const std::string&, const FileEntry& entry) {
            if (entry.isFolder() || !entry.attributesKnown)
                return WalkDecision::descend;
            if (entry.linkCount > 1 && !linked.emplace(entry.device, entry.inode).second)
                return WalkDecision::descend;
            total += entry.sizeOnDisk();
            return WalkDecision::descend;
        },
        {}, stop, options);
    return total;
}

std::optional<StorageItem> itemAt(const fs::path& path, std::stop_token stop)
{
    ErrorOr<FileEntry> entry = entryAt(path);
    if (!entry)
        return std::nullopt;
    StorageItem item;
    item.path = path.native();
    item.modificationDate = entry.value().modificationDate;
    item.size = entry.value().isFolder() ? folderSize(path, PackageContents::skipped, stop) : entry.value().sizeOnDisk();
    return item;
}

bool isSinglePathComponent(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

}  // namespace lopewell
