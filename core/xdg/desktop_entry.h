// The text format of freedesktop desktop entries (.desktop, .directory, autostart entries and
// the other XDG files written the same way): groups, keys, localized keys and typed values.
//
//   DesktopEntryFile file = DesktopEntryFile::parse(text);
//   if (!file.problems().empty()) warn(file.problems().front().message);
//   std::optional<std::string> name = file.localeString("Desktop Entry", "Name", "de_DE.UTF-8");
//   std::optional<bool> hidden = file.boolean("Desktop Entry", "Hidden");
//
// Parsing never fails outright. Each fault (bytes that are not UTF-8, a line that is neither a
// group, a key nor a comment, a key before any group, a group or key given twice, a bad escape)
// is recorded with its line, and the file reads the way desktop sessions read it: a faulty line
// is skipped, a repeated group continues the first, the last of a repeated key wins. Callers
// that need a well-formed file check problems(); the others use what is there.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

struct DesktopEntryProblem {
    size_t line = 0;      // 1-based
    std::string message;  // "line 3: ..."

    bool operator==(const DesktopEntryProblem&) const = default;
};

class DesktopEntryFile {
public:
    static DesktopEntryFile parse(std::string_view text);

    const std::vector<DesktopEntryProblem>& problems() const { return m_problems; }

    // Group names in the order they first appear.
    std::vector<std::string> groupNames() const;
    bool hasGroup(std::string_view group) const;

    // The value as written, escapes not applied. `key` may carry a locale, "Name[de]"; the
    // locale's encoding part is not significant ("Name[de.UTF-8]" is "Name[de]").
    std::optional<std::string_view> rawValue(std::string_view group, std::string_view key) const;
    // With the escapes \s \n \t \r \\ applied.
    std::optional<std::string> string(std::string_view group, std::string_view key) const;
    // The variant of `key` that best matches `locale` (an LC_MESSAGES value such as
    // "sr_RS.UTF-8@latin"), falling back to the unlocalized key.
    std::optional<std::string> localeString(std::string_view group, std::string_view key, std::string_view locale) const;
    // Values separated by ';' ("\;" is a semicolon inside one); a final ';' is optional.
    std::optional<std::vector<std::string>> stringList(std::string_view group, std::string_view key) const;
    std::optional<std::vector<std::string>> localeStringList(std::string_view group, std::string_view key, std::string_view locale) const;
    // "true" or "false"; any other value reads as absent.
    std::optional<bool> boolean(std::string_view group, std::string_view key) const;

private:
    struct Entry {
        std::string key;     // without the locale
        std::string locale;  // without its encoding; empty for the unlocalized key
        std::string value;
        size_t line = 0;
    };
    struct Group {
        std::string name;
        size_t line = 0;
        std::vector<Entry> entries;
    };

    const Group* findGroup(std::string_view name) const;
    const Entry* findEntry(std::string_view group, std::string_view key, std::string_view locale) const;
    const Entry* findLocalized(std::string_view group, std::string_view key, std::string_view locale) const;

    std::vector<Group> m_groups;
    std::vector<DesktopEntryProblem> m_problems;
};

// The locales to try for `locale`, best first, its encoding dropped: for "sr_RS.UTF-8@latin"
// sr_RS@latin, sr_RS, sr@latin, sr. Empty for the C and POSIX locales.
std::vector<std::string> desktopEntryLocaleCandidates(std::string_view locale);

}  // namespace lopewell
