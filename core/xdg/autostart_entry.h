// The rules of XDG autostart entries that do not touch the disk: what an entry runs, whether it
// is meant for the current desktop, whether it is switched off, and the reversible edits that
// switch it off and on again.
//
//   AutostartEntry entry = AutostartEntry::read(text);
//   if (!entry.isShownIn(currentDesktops)) note("Not for this desktop");
//   std::string off = disabledAutostartText(text);          // Hidden=true, old values kept
//   std::optional<std::string> on = restoredAutostartText(off);  // == text, byte for byte
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

// Marks this program writes into entries it switched off.
inline constexpr std::string_view autostartDisabledKey = "X-Lopewell-Disabled";
inline constexpr std::string_view autostartOverrideKey = "X-Lopewell-Override";

struct AutostartEntry {
    bool hasMainGroup = false;  // a [Desktop Entry] group
    std::optional<std::string> name;
    std::optional<std::string> exec;
    std::optional<std::string> tryExec;
    std::optional<bool> hidden;
    std::optional<bool> gnomeEnabled;  // X-GNOME-Autostart-enabled
    std::vector<std::string> onlyShowIn;
    std::vector<std::string> notShowIn;
    std::optional<std::string> portalApp;  // X-XDP-Autostart: the desktop portal wrote it
    bool disabledByUs = false;             // our mark on a user's own entry
    bool isOurOverride = false;            // our copy of a system entry, switched off

    static AutostartEntry read(std::string_view text);

    // The program Exec starts: its first word, with the Exec quoting undone; absent when Exec
    // is missing, empty or badly quoted.
    std::optional<std::string> execProgram() const;
    // OnlyShowIn / NotShowIn against XDG_CURRENT_DESKTOP's names.
    bool isShownIn(const std::vector<std::string>& currentDesktops) const;
    // Hidden=true, or X-GNOME-Autostart-enabled=false where a GNOME-family session reads it.
    bool isSwitchedOff(bool gnomeSession) const;
};

// XDG_CURRENT_DESKTOP's names ("ubuntu:GNOME" → ubuntu, GNOME).
std::vector<std::string> splitDesktopNames(std::string_view variable);
// GNOME and the sessions built on gnome-session, which honour X-GNOME-Autostart-enabled.
bool isGnomeFamily(const std::vector<std::string>& currentDesktops);

// The entry switched off: in every [Desktop Entry] group each Hidden and
// X-GNOME-Autostart-enabled line is kept under "X-Lopewell-Was-", and after the first group's
// header come Hidden=true, X-GNOME-Autostart-enabled=false and `markKey`=true. Every other byte
// stays as it was. Absent when the text has no [Desktop Entry] group or is already ours.
std::optional<std::string> disabledAutostartText(std::string_view text, std::string_view markKey = autostartDisabledKey);
// The inverse of disabledAutostartText: the exact text it was made from. Absent when the text
// does not carry `markKey`.
std::optional<std::string> restoredAutostartText(std::string_view text, std::string_view markKey = autostartDisabledKey);
// An entry switched off by something else: its Hidden lines read false and its
// X-GNOME-Autostart-enabled lines true.
std::optional<std::string> switchedOnAutostartText(std::string_view text);

}  // namespace lopewell
