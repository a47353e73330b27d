// Property lists come from folders any program can write to (launch agents, app bundles): any
// bytes give a value within the reader's limits or a reason, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "core/plist/property_list.h"

namespace {

bool isValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t j = 1; j < length; ++j) {
            const auto next = static_cast<unsigned char>(text[i + j]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        constexpr char32_t kSmallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// Walks the tree the way a caller would and checks what the reader promises about it.
void check(const lopewell::PropertyList& plist, int depth, size_t& values)
{
    if (depth > lopewell::kPropertyListMaxDepth || ++values > lopewell::kPropertyListMaxValues)
        __builtin_trap();
    if (const auto* entries = plist.asDictionary()) {
        std::set<std::string_view> keys;
        for (const auto& [key, value] : *entries) {
            if (!isValidUtf8(key) || !keys.insert(key).second)
                __builtin_trap();  // keys are text, and unique
            if (entries->size() < 64 && plist.valueForKey(key) != &value)
                __builtin_trap();
            check(value, depth + 1, values);
        }
    } else if (const auto* elements = plist.asArray()) {
        for (const auto& element : *elements)
            check(element, depth + 1, values);
    } else if (const auto* text = plist.asString()) {
        if (!isValidUtf8(*text))
            __builtin_trap();
    } else if (plist.type() == lopewell::PropertyList::Type::integer) {
        if (!plist.integerValue() && !plist.unsignedIntegerValue())
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto plist = lopewell::parsePropertyList(bytes);
    if (!plist) {
        if (plist.error().message.empty())
            __builtin_trap();  // a failure always says why
        return 0;
    }
    size_t values = 0;
    check(plist.value(), 0, values);
    return 0;
}
