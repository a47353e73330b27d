// The groupings of the Linux desktop's categories (per entry, per root, per trashed item, per
// browser profile, per project), for StorageScanner. Every row counts all the bytes below it on
// its own file system, and a file with several links counts once per scan.
#pragma once

#include <string>
#include <string_view>

#include "app/common/storage_item.h"
#include "app/storage/storage_category.h"
#include "core/concurrency/stream.h"

namespace lopewell {

bool isLinuxGrouping(StorageCategory::Grouping grouping);

// Adds the rows of every root to `result`, yielding a missing value for each root that is not
// there (or is a symbolic link) and a scanning value after each row. False when stopped.
bool scanLinuxCategory(const StorageCategory& category, StreamProducer<StorageScanProgress>& out, StorageScanComplete& result);

// The build folders a project of some kind keeps beside its marker file, for a folder that holds
// `markerName` ("Cargo.toml" → "target"); empty when the name marks no project.
std::span<const std::string_view> buildFoldersForMarker(std::string_view markerName);

}  // namespace lopewell
