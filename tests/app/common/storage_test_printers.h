// Readable gtest failure messages for the storage value types.
#pragma once

#include <ostream>

#include "app/common/storage_item.h"

namespace lopewell {

inline void PrintTo(const StorageItem& item, std::ostream* out)
{
    *out << "{" << item.path << ", " << item.size << " B";
    if (item.modificationDate)
        *out << ", modified " << secondsSinceReferenceDate(*item.modificationDate);
    if (item.displayName)
        *out << ", \"" << *item.displayName << "\"";
    *out << "}";
}

}  // namespace lopewell
