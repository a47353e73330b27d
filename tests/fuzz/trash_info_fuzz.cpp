// .trashinfo files lie in Trash folders anyone with a drive can fill: any bytes parse without a
// crash, and a decoded path never holds a NUL.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/xdg/trash_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto info = lopewell::parseTrashInfo(text)) {
        if (info->originalPath.empty() || info->originalPath.find('\0') != std::string::npos)
            __builtin_trap();
        (void)info->originalName();
    }
    return 0;
}
