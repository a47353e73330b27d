#include "core/xdg/autostart_entry.h"

#include <algorithm>

#include "core/base/text.h"
#include "core/xdg/desktop_entry.h"

namespace lopewell {

namespace {

constexpr std::string_view mainGroup = "Desktop Entry";
constexpr std::string_view wasPrefix = "X-Lopewell-Was-";
constexpr std::string_view lineSpace = " \t";

// One physical line, its terminator kept, with what it means to a desktop-entry reader.
struct Line {
    std::string_view text;             // with its "\n" (or "\r\n"), when it has one
    std::optional<std::string> group;  // set for a group header
    std::string_view key;              // for a key line: the key as written, locale included
    size_t keyOffset = 0;              // where the key starts in `text`
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        const size_t length = newline == std::string_view::npos ? text.size() : newline + 1;
        Line line;
        line.text = text.substr(0, length);
        text.remove_prefix(length);
        std::string_view body = line.text;
        while (!body.empty() && (body.back() == '\n' || body.back() == '\r'))
            body.remove_suffix(1);
        const size_t start = body.find_first_not_of(lineSpace);
        if (start == std::string_view::npos || body[start] == '#') {
            lines.push_back(line);
            continue;
        }
        const std::string_view content = trimmed(body.substr(start), lineSpace);
        if (content.front() == '[' && content.back() == ']') {
            line.group = std::string(content.substr(1, content.size() - 2));
        } else if (const size_t equals = content.find('='); equals != std::string_view::npos) {
            line.key = trimmed(content.substr(0, equals), lineSpace);
            line.keyOffset = start;
        }
        lines.push_back(line);
    }
    return lines;
}

// Calls `visit` for each line, saying whether it lies in a [Desktop Entry] group.
template <typename Visit>
void forEachLine(const std::vector<Line>& lines, Visit visit)
{
    bool inMain = false;
    for (const Line& line : lines) {
        if (line.group)
            inMain = *line.group == mainGroup;
        visit(line, inMain);
    }
}

bool isToggleKey(std::string_view key)
{
    return key == "Hidden" || key == "X-GNOME-Autostart-enabled";
}

std::string_view newlineOf(std::string_view line)
{
    return line.ends_with("\r\n") ? "\r\n" : "\n";
}

}  // namespace

AutostartEntry AutostartEntry::read(std::string_view text)
{
    const DesktopEntryFile file = DesktopEntryFile::parse(text);
    AutostartEntry entry;
    entry.hasMainGroup = file.hasGroup(mainGroup);
    entry.name = file.string(mainGroup, "Name");
    entry.exec = file.string(mainGroup, "Exec");
    entry.tryExec = file.string(mainGroup, "TryExec");
    entry.hidden = file.boolean(mainGroup, "Hidden");
    entry.gnomeEnabled = file.boolean(mainGroup, "X-GNOME-Autostart-enabled");
    entry.onlyShowIn = file.stringList(mainGroup, "OnlyShowIn").value_or(std::vector<std::string> {});
    entry.notShowIn = file.stringList(mainGroup, "NotShowIn").value_or(std::vector<std::string> {});
    entry.portalApp = file.string(mainGroup, "X-XDP-Autostart");
    // Our marks count whatever their value: "unterminated" is one of ours too.
    entry.disabledByUs = file.rawValue(mainGroup, autostartDisabledKey).has_value();
    entry.isOurOverride = file.rawValue(mainGroup, autostartOverrideKey).has_value();
    return entry;
}

std::optional<std::string> AutostartEntry::execProgram() const
{
    if (!exec)
        return std::nullopt;
    // The Exec quoting: a word in double quotes may hold spaces, and inside the quotes a
    // backslash makes the next of " ` $ \ literal.
    std::string_view rest = trimmedStart(*exec, lineSpace);
    std::string word;
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        for (;;) {
            if (rest.empty())
                return std::nullopt;
            const char c = rest.front();
            rest.remove_prefix(1);
            if (c == '"')
                break;
            if (c == '\\') {
                if (rest.empty())
                    return std::nullopt;
                word += rest.front();
                rest.remove_prefix(1);
                continue;
            }
            word += c;
        }
    } else {
        word = std::string(rest.substr(0, rest.find_first_of(lineSpace)));
    }
    if (word.empty())
        return std::nullopt;
    return word;
}

bool AutostartEntry::isShownIn(const std::vector<std::string>& currentDesktops) const
{
    const auto current = [&](const std::string& desktop) {
        return std::find(currentDesktops.begin(), currentDesktops.end(), desktop) != currentDesktops.end();
    };
    if (std::any_of(notShowIn.begin(), notShowIn.end(), current))
        return false;
    return onlyShowIn.empty() || std::any_of(onlyShowIn.begin(), onlyShowIn.end(), current);
}

bool AutostartEntry::isSwitchedOff(bool gnomeSession) const
{
    return hidden.value_or(false) || (gnomeSession && gnomeEnabled == false);
}

std::vector<std::string> splitDesktopNames(std::string_view variable)
{
    std::vector<std::string> names;
    while (!variable.empty()) {
        const size_t colon = variable.find(':');
        const std::string_view name = variable.substr(0, colon);
        if (!name.empty())
            names.emplace_back(name);
        if (colon == std::string_view::npos)
            break;
        variable.remove_prefix(colon + 1);
    }
    return names;
}

bool isGnomeFamily(const std::vector<std::string>& currentDesktops)
{
    return std::any_of(currentDesktops.begin(), currentDesktops.end(), [](const std::string& name) {
        return name == "GNOME" || name == "Unity" || name == "Pantheon" || name == "X-Cinnamon" || name == "Budgie";
    });
}

std::optional<std::string> disabledAutostartText(std::string_view text, std::string_view markKey)
{
    const std::vector<Line> lines = splitLines(text);
    bool hasMain = false;
    bool ours = false;
    forEachLine(lines, [&](const Line& line, bool inMain) {
        hasMain = hasMain || (line.group && *line.group == mainGroup);
        ours
            = ours || (inMain && (line.key == autostartDisabledKey || line.key == autostartOverrideKey || line.key.starts_with(wasPrefix)));
    });
    if (!hasMain || ours)
        return std::nullopt;
    std::string result;
    bool inserted = false;
    forEachLine(lines, [&](const Line& line, bool inMain) {
        if (inMain && isToggleKey(line.key)) {
            result.append(line.text.substr(0, line.keyOffset)).append(wasPrefix).append(line.text.substr(line.keyOffset));
            return;
        }
        result.append(line.text);
        if (line.group && inMain && !inserted) {
            inserted = true;
            // A header that ends the file gets a line break, which restoring takes away again.
            const bool unterminated = !line.text.ends_with('\n');
            const std::string_view newline = unterminated ? "\n" : newlineOf(line.text);
            if (unterminated)
                result.append(newline);
            result.append("Hidden=true").append(newline);
            result.append("X-GNOME-Autostart-enabled=false").append(newline);
            result.append(markKey).append(unterminated ? "=unterminated" : "=true").append(newline);
        }
    });
    // A file whose lines this reading and the sessions' reading split differently is left alone
    // rather than written in a form that might not switch it off.
    const DesktopEntryFile written = DesktopEntryFile::parse(result);
    if (written.boolean(mainGroup, "Hidden") != true || !written.rawValue(mainGroup, markKey))
        return std::nullopt;
    return result;
}

std::optional<std::string> restoredAutostartText(std::string_view text, std::string_view markKey)
{
    const std::vector<Line> lines = splitLines(text);
    std::optional<bool> unterminated;
    forEachLine(lines, [&](const Line& line, bool inMain) {
        if (inMain && line.key == markKey && !unterminated) {
            std::string_view value = line.text.substr(line.text.find('=') + 1);
            unterminated = trimmed(value).starts_with("unterminated");
        }
    });
    if (!unterminated)
        return std::nullopt;
    std::string result;
    bool headerSeen = false;
    forEachLine(lines, [&](const Line& line, bool inMain) {
        if (inMain && (isToggleKey(line.key) || line.key == markKey))
            return;
        if (inMain && line.key.starts_with(wasPrefix) && isToggleKey(line.key.substr(wasPrefix.size()))) {
            result.append(line.text.substr(0, line.keyOffset)).append(line.text.substr(line.keyOffset + wasPrefix.size()));
            return;
        }
        std::string_view kept = line.text;
        if (line.group && inMain && !headerSeen) {
            headerSeen = true;
            if (*unterminated && kept.ends_with('\n'))
                kept.remove_suffix(1);
        }
        result.append(kept);
    });
    return result;
}

std::optional<std::string> switchedOnAutostartText(std::string_view text)
{
    const std::vector<Line> lines = splitLines(text);
    std::string result;
    bool hasMain = false;
    forEachLine(lines, [&](const Line& line, bool inMain) {
        hasMain = hasMain || (line.group && *line.group == mainGroup);
        if (inMain && isToggleKey(line.key)) {
            const std::string_view newline = line.text.ends_with('\n') ? newlineOf(line.text) : "";
            result.append(line.text.substr(0, line.keyOffset))
                .append(line.key)
                .append(line.key == "Hidden" ? "=false" : "=true")
                .append(newline);
            return;
        }
        result.append(line.text);
    });
    if (!hasMain)
        return std::nullopt;
    return result;
}

}  // namespace lopewell
