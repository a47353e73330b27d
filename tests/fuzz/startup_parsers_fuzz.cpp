// What launchctl and systemctl print and what autostart folders hold is outside input: any
// bytes parse without a crash, and switching an autostart entry off and on again gives back
// exactly the bytes it started from.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/launchd/launchctl_list.h"
#include "core/systemd/systemctl_output.h"
#include "core/xdg/autostart_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& [label, pid] : lopewell::parseLaunchctlList(text)) {
        if (label.empty() || label.find_first_of(" \t\n") != std::string::npos)
            __builtin_trap();
    }
    (void)lopewell::parseUnitFilesJson(text);
    (void)lopewell::parseUnitFilesText(text);
    for (const lopewell::UnitStatus& status : lopewell::parseShowOutput(text)) {
        if (status.id.empty() || status.mainPid < 0)
            __builtin_trap();
    }
    (void)lopewell::autostartUnitName(text);

    const lopewell::AutostartEntry entry = lopewell::AutostartEntry::read(text);
    (void)entry.execProgram();
    if (const auto off = lopewell::disabledAutostartText(text)) {
        if (!lopewell::AutostartEntry::read(*off).disabledByUs)
            __builtin_trap();
        const auto restored = lopewell::restoredAutostartText(*off);
        if (!restored || *restored != text)
            __builtin_trap();
    }
    (void)lopewell::switchedOnAutostartText(text);
    return 0;
}
