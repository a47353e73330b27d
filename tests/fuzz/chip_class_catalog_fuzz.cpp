// Catalogue data comes from the caller: any bytes give a catalogue or the decoder's error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/benchmark/chip_class_catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto catalog = lopewell::ChipClassCatalog::create(std::string_view(reinterpret_cast<const char*>(data), size));
    if (catalog) {
        for (const auto& [chip, entry] : catalog.value().byChip()) {
            if (!catalog.value().lookup(chip) || entry.chip != chip)
                __builtin_trap();
        }
    } else if (catalog.error().message.empty()) {
        __builtin_trap();  // a failure always says why
    }
    return 0;
}
