// What `systemctl` prints, read without trusting it: `list-unit-files` as JSON (systemd 252 and
// later) or as its plain table, `show` as KEY=value blocks, and the unit-name escaping systemd
// uses for the units it generates from autostart entries.
//
//   auto files = parseUnitFilesJson(result.out);          // absent: not the JSON we expect
//   if (!files) files = parseUnitFilesText(fallback.out);
//   for (const UnitStatus& status : parseShowOutput(show.out)) use(status.id, status.mainPid);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

struct UnitFile {
    std::string name;   // "gpg-agent.socket"
    std::string state;  // "enabled", "masked", "static", ...
    bool operator==(const UnitFile&) const = default;
};

// `[{"unit_file":"foo.service","state":"enabled","preset":"enabled"},...]`; entries without a
// string unit_file and state are skipped. Absent when the text is not a JSON array.
std::optional<std::vector<UnitFile>> parseUnitFilesJson(std::string_view text);
// `UNIT FILE  STATE  PRESET` rows (with or without the header and the "N unit files listed." line).
std::vector<UnitFile> parseUnitFilesText(std::string_view text);

struct UnitStatus {
    std::string id;
    std::string description;
    std::string loadState;    // "loaded", "not-found", "bad-setting", "masked", ...
    std::string activeState;  // "active", "inactive", "failed", ...
    std::string subState;     // "running", "dead", "listening", ...
    std::string unitFileState;
    std::string fragmentPath;
    std::optional<std::string> program;  // the path= of the first ExecStart
    int32_t mainPid = 0;
    bool operator==(const UnitStatus&) const = default;
};

// One status per block of `systemctl show -p ... UNIT...`; blocks are separated by empty lines
// and a block without an Id is dropped.
std::vector<UnitStatus> parseShowOutput(std::string_view text);

// systemd's unit_name_escape(): "/" becomes "-", "-", "\" and anything but ASCII letters,
// digits, ":", "_" and "." become "\xNN", and so does a leading ".".
std::string systemdUnitNameEscape(std::string_view name);
// The unit systemd-xdg-autostart-generator makes of an autostart entry:
// "app-" + escaped file name without ".desktop" + "@autostart.service".
std::string autostartUnitName(std::string_view desktopFileName);

}  // namespace lopewell
