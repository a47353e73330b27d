// Desktop entries are anyone's files (autostart folders, installed applications): any bytes
// read without a crash, every fault names a line of the file, and what is kept is UTF-8.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/utf8.h"
#include "core/xdg/desktop_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const lopewell::DesktopEntryFile file = lopewell::DesktopEntryFile::parse(text);
    const size_t lines = size_t(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const lopewell::DesktopEntryProblem& problem : file.problems()) {
        if (problem.line < 1 || problem.line > lines || !problem.message.starts_with("line " + std::to_string(problem.line) + ": "))
            __builtin_trap();
    }
    for (const std::string& group : file.groupNames()) {
        if (group.empty() || !file.hasGroup(group) || !lopewell::utf8::isValid(group))
            __builtin_trap();
        for (const char* key : { "Name", "Exec", "Hidden", "Keywords" }) {
            const auto name = file.localeString(group, key, "sr_RS.UTF-8@latin");
            if (name && !lopewell::utf8::isValid(*name))
                __builtin_trap();
            if (const auto list = file.stringList(group, key)) {
                for (const std::string& item : *list) {
                    if (!lopewell::utf8::isValid(item))
                        __builtin_trap();
                }
            }
            (void)file.boolean(group, key);
        }
    }
    return 0;
}
