// The scan cache and the cached items are files anyone with the user's rights can rewrite: any
// bytes decode or are refused, never crash, and a decoded location survives its own encoding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <nlohmann/json.hpp>

#include "app/common/storage_item.h"
#include "app/storage/storage_scan_cache.h"
#include "core/base/file_url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto entries = lopewell::decodeStorageScanCache(text)) {
        if (!lopewell::decodeStorageScanCache(lopewell::encodeStorageScanCache(*entries)))
            __builtin_trap();  // what we read, we can write and read again
    }

    if (auto path = lopewell::pathFromFileURL(text)) {
        if (lopewell::pathFromFileURL(lopewell::fileURLString(*path)) != path)
            __builtin_trap();
    }

    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_discarded()) {
        if (auto item = lopewell::decodeStorageItem(json)) {
            if (lopewell::decodeStorageItem(lopewell::encodeStorageItem(*item))->path != item->path)
                __builtin_trap();
        }
    }
    return 0;
}
