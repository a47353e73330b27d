// Turns one storage category into the rows the user reviews, each with its size on disk, and
// streams progress while it works. A flat category lists every file under its roots; a grouped
// one makes one row of each immediate sub-folder of a root, with a derived display name
// (simulator devices, DerivedData projects, Device Support OS versions). Never deletes anything.
//
//   Stream<StorageScanProgress> scan = StorageScanner().scan(category);
//   while (std::optional<StorageScanProgress> value = scan.next())
//       ...;   // missing and scanning values, then one complete unless the stream was dropped
//   // Dropping the stream cancels the scan.
//
// THREAD-SAFETY: stateless; every scan runs on its own lowered-priority thread.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "app/common/storage_item.h"
#include "app/storage/storage_category.h"
#include "core/concurrency/stream.h"

namespace lopewell {

class StorageScanner {
public:
    // Flat scans report once per this many files; grouped scans after every row.
    static constexpr std::int64_t progressInterval = 500;

    Stream<StorageScanProgress> scan(const StorageCategory& category) const;

    // The scan itself, on the calling thread: what scan() runs on its own. Returns without a
    // complete value when `out` is stopped.
    static void run(const StorageCategory& category, StreamProducer<StorageScanProgress>& out);
};

// What a folder row measures: the allocated bytes of the regular files below it and the newest
// of their modification dates. A folder that cannot be opened measures 0 with no date; a stop
// ends the walk with the sum so far.
struct FolderMeasure {
    std::uint64_t bytes = 0;
    std::optional<Date> latestModification;
};
FolderMeasure measureFolder(const std::filesystem::path& folder, std::stop_token stop = {});

// "com.apple.CoreSimulator.SimRuntime.iOS-17-2" → "iOS 17.2"; "watchOS-10" → "watchOS-10";
// absent when nothing is left.
std::optional<std::string> simulatorRuntimeLabel(std::string_view runtime);
// "iPhone 15 · iOS 17.2", either part alone, or absent when there is neither.
std::optional<std::string> simulatorDisplayName(const std::optional<std::string>& name, const std::optional<std::string>& runtime);
// A device folder's label from its device.plist, or the folder's own name when the file is
// missing, unreadable, not a dictionary or names nothing.
std::string simulatorDeviceDisplayName(const std::filesystem::path& deviceFolder);
// "MyApp-<15 or more letters and digits>" → "MyApp"; anything else stays whole.
std::string derivedDataDisplayName(std::string_view folderName);
// Root "iOS DeviceSupport", child "17.2 (21C62)" → "iOS 17.2 (21C62)"; otherwise the child's name.
std::string deviceSupportDisplayName(std::string_view rootName, std::string_view childName);

}  // namespace lopewell
