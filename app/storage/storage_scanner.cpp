#include "app/storage/storage_scanner.h"

#include <vector>

#include "app/storage/linux_storage_scan.h"

#include "platform/file_status.h"
#include "platform/file_walk.h"
#include "platform/property_list.h"
#include "platform/thread_priority.h"

namespace lopewell {

namespace {

namespace fs = std::filesystem;
using Grouping = StorageCategory::Grouping;

constexpr std::string_view runtimePrefix = "com.apple.CoreSimulator.SimRuntime.";
constexpr std::string_view deviceSupportSuffix = " DeviceSupport";
constexpr size_t derivedDataMinimumSuffixLength = 15;

// A root is scanned only when it is a folder in its own right. A symbolic link in its place is
// refused: what the category lists is what gets trashed (or, under .Trash, deleted for good),
// and a link would carry that to wherever it points.
bool isScannableRoot(const fs::path& root)
{
    const auto type = fileTypeAt(root, SymlinkPolicy::refuse);
    return type && type.value() == FileType::directory;
}

bool isAsciiAlphanumeric(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string displayNameFor(Grouping grouping, const fs::path& root, const fs::path& child)
{
    switch (grouping) {
    case Grouping::iosSimulators:
        return simulatorDeviceDisplayName(child);
    case Grouping::xcodeDerivedData:
        return derivedDataDisplayName(child.filename().native());
    case Grouping::deviceSupport:
        return deviceSupportDisplayName(root.filename().native(), child.filename().native());
    default:
        break;
    }
    return child.filename().native();
}

// Returns false when stopped.
bool scanFlatRoot(const fs::path& root, StreamProducer<StorageScanProgress>& out, StorageScanComplete& result, std::int64_t& itemsSeen,
    std::int64_t& lastReported)
{
    const std::stop_token stop = out.stopToken();
    const auto add = [&](const std::string& path, std::uint64_t size, std::optional<Date> date) {
        result.items.push_back(StorageItem { .path = path, .size = size, .modificationDate = date });
        result.totalBytes += size;
        ++itemsSeen;
        if (itemsSeen - lastReported >= StorageScanner::progressInterval) {
            out.yield(StorageScanning { itemsSeen, result.totalBytes });
            lastReported = itemsSeen;
        }
    };
    ErrorOr<WalkEnd> end = walkTree(
        root,
        [&](const std::string& path, const FileEntry& entry) {
            if (!entry.attributesKnown)
                return WalkDecision::skipContents;
            if (!entry.isFolder()) {
                add(path, entry.sizeOnDisk(), entry.modificationDate);
                return WalkDecision::descend;
            }
            if (!entry.isPackage())
                return WalkDecision::descend;
            // A bundle is one thing to the user: one row with everything inside it.
            FolderMeasure measure = measureFolder(path, stop);
            add(path, measure.bytes, measure.latestModification);
            return WalkDecision::skipContents;
        },
        {}, stop);
    if (!end) {
        out.yield(StorageScanMissing { root });
        return !out.isStopRequested();
    }
    return end.value() == WalkEnd::finished && !out.isStopRequested();
}

bool scanGroupedRoot(Grouping grouping, const fs::path& root, StreamProducer<StorageScanProgress>& out, StorageScanComplete& result)
{
    ErrorOr<std::vector<FileEntry>> children = listFolder(root, ListOptions { .skipHidden = true });
    if (!children) {
        out.yield(StorageScanMissing { root });
        return true;
    }
    for (const FileEntry& child : children.value()) {
        if (out.isStopRequested())
            return false;
        // Loose files and links directly in the root never become rows.
        if (!child.attributesKnown || !child.isFolder())
            continue;
        const fs::path childPath = root / child.name;
        FolderMeasure measure = measureFolder(childPath, out.stopToken());
        if (out.isStopRequested())
            return false;
        result.items.push_back(StorageItem {
            .path = childPath.native(),
            .size = measure.bytes,
            .modificationDate = measure.latestModification,
            .displayName = displayNameFor(grouping, root, childPath),
        });
        result.totalBytes += measure.bytes;
        out.yield(StorageScanning { std::int64_t(result.items.size()), result.totalBytes });
    }
    return true;
}

}  // namespace

Stream<StorageScanProgress> StorageScanner::scan(const StorageCategory& category) const
{
    return Stream<StorageScanProgress>::start([category](StreamProducer<StorageScanProgress>& out) {
        lowerCurrentThreadPriority();
        run(category, out);
    });
}

void StorageScanner::run(const StorageCategory& category, StreamProducer<StorageScanProgress>& out)
{
    StorageScanComplete result;
    if (isLinuxGrouping(category.grouping)) {
        if (scanLinuxCategory(category, out, result)) {
            out.yield(std::move(result));
            out.finish();
        }
        return;
    }
    std::int64_t itemsSeen = 0;
    std::int64_t lastReported = 0;
    for (const fs::path& root : category.paths) {
        if (out.isStopRequested())
            return;
        if (!isScannableRoot(root)) {
            out.yield(StorageScanMissing { root });
            continue;
        }
        const bool goOn = category.grouping == Grouping::flat ? scanFlatRoot(root, out, result, itemsSeen, lastReported)
                                                              : scanGroupedRoot(category.grouping, root, out, result);
        if (!goOn)
            return;
    }
    out.yield(std::move(result));
    out.finish();
}

FolderMeasure measureFolder(const fs::path& folder, std::stop_token stop)
{
    FolderMeasure measure;
    // Everything inside counts, packages included: the row stands for the whole folder.
    (void)walkTree(
        folder,
        [&measure](const std::string&, const FileEntry& entry) {
            if (entry.attributesKnown && entry.kind == FileKind::regular) {
                measure.bytes += entry.sizeOnDisk();
                if (entry.modificationDate && (!measure.latestModification || *entry.modificationDate >= *measure.latestModification))
                    measure.latestModification = entry.modificationDate;
            }
            return WalkDecision::descend;
        },
        {}, stop);
    return measure;
}

std::optional<std::string> simulatorRuntimeLabel(std::string_view runtime)
{
    if (runtime.starts_with(runtimePrefix))
        runtime.remove_prefix(runtimePrefix.size());
    std::vector<std::string_view> pieces;
    for (std::string_view rest = runtime; !rest.empty();) {
        const size_t dash = rest.find('-');
        std::string_view piece = rest.substr(0, dash);
        if (!piece.empty())
            pieces.push_back(piece);
        if (dash == std::string_view::npos)
            break;
        rest.remove_prefix(dash + 1);
    }
    if (pieces.size() >= 3) {
        std::string label(pieces[0]);
        label += ' ';
        for (size_t i = 1; i < pieces.size(); ++i) {
            if (i > 1)
                label += '.';
            label += pieces[i];
        }
        return label;
    }
    if (runtime.empty())
        return std::nullopt;
    return std::string(runtime);
}

std::optional<std::string> simulatorDisplayName(const std::optional<std::string>& name, const std::optional<std::string>& runtime)
{
    std::optional<std::string> label = runtime ? simulatorRuntimeLabel(*runtime) : std::nullopt;
    if (name && label)
        return *name + " · " + *label;
    if (name)
        return name;
    return label;
}

std::string simulatorDeviceDisplayName(const fs::path& deviceFolder)
{
    ErrorOr<PropertyList> plist = readPropertyListFile(deviceFolder / "device.plist");
    if (plist && plist.value().isDictionary()) {
        if (auto name = simulatorDisplayName(plist.value().stringForKey("name"), plist.value().stringForKey("runtime")))
            return *name;
    }
    return deviceFolder.filename().native();
}

std::string derivedDataDisplayName(std::string_view folderName)
{
    const size_t dash = folderName.rfind('-');
    if (dash == std::string_view::npos)
        return std::string(folderName);
    const std::string_view suffix = folderName.substr(dash + 1);
    if (suffix.size() < derivedDataMinimumSuffixLength)
        return std::string(folderName);
    for (char c : suffix) {
        if (!isAsciiAlphanumeric(c))
            return std::string(folderName);
    }
    return std::string(folderName.substr(0, dash));
}

std::string deviceSupportDisplayName(std::string_view rootName, std::string_view childName)
{
    if (!rootName.ends_with(deviceSupportSuffix))
        return std::string(childName);
    std::string name(rootName.substr(0, rootName.size() - deviceSupportSuffix.size()));
    name += ' ';
    name += childName;
    return name;
}

}  // namespace lopewell
