// The kernel statistics parsers must give a value or nothing for any text, never crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/monitoring/proc_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto ticks = lopewell::parseProcStat(text); ticks && ticks->empty())
        __builtin_trap();  // "no processors" must be absent, not an empty list
    if (auto stats = lopewell::parseMeminfo(text))
        (void)stats->pressureLevel();
    (void)lopewell::parseFootprint(text);
    return 0;
}
