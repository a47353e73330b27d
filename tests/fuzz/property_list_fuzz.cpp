// Property lists come from folders any program can write to (launch agents, app bundles): any
// bytes give a value within the reader's limits or a reason, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "core/base/utf8.h"
#include "core/plist/property_list.h"

namespace {

// Walks the tree the way a caller would and checks what the reader promises about it.
void check(const lopewell::PropertyList& plist, int depth, size_t& values)
{
    if (depth > lopewell::propertyListMaxDepth || ++values > lopewell::propertyListMaxValues)
        __builtin_trap();
    if (const auto* entries = plist.asDictionary()) {
        std::set<std::string_view> keys;
        for (const auto& [key, value] : *entries) {
            if (!lopewell::utf8::isValid(key) || !keys.insert(key).second)
                __builtin_trap();  // keys are text, and unique
            if (entries->size() < 64 && plist.valueForKey(key) != &value)
                __builtin_trap();
            check(value, depth + 1, values);
        }
    } else if (const auto* elements = plist.asArray()) {
        for (const auto& element : *elements)
            check(element, depth + 1, values);
    } else if (const auto* text = plist.asString()) {
        if (!lopewell::utf8::isValid(*text))
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
