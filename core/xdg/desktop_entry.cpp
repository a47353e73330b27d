#include "core/xdg/desktop_entry.h"

#include "core/base/text.h"
#include "core/base/utf8.h"

#include <algorithm>

namespace lopewell {

namespace {

constexpr std::string_view lineSpace = " \t";

struct Locale {
    std::string_view lang;
    std::string_view country;
    std::string_view modifier;
};

// lang_COUNTRY.ENCODING@MODIFIER, each part after lang optional.
Locale splitLocale(std::string_view locale)
{
    Locale parts;
    if (const size_t at = locale.find('@'); at != std::string_view::npos) {
        parts.modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
    }
    if (const size_t dot = locale.find('.'); dot != std::string_view::npos)
        locale = locale.substr(0, dot);
    if (const size_t underscore = locale.find('_'); underscore != std::string_view::npos) {
        parts.country = locale.substr(underscore + 1);
        locale = locale.substr(0, underscore);
    }
    parts.lang = locale;
    return parts;
}

// The locale as keys are compared: its encoding dropped.
std::string withoutEncoding(std::string_view locale)
{
    const Locale parts = splitLocale(locale);
    std::string result(parts.lang);
    if (!parts.country.empty())
        result.append("_").append(parts.country);
    if (!parts.modifier.empty())
        result.append("@").append(parts.modifier);
    return result;
}

bool isKeyCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

bool hasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// The escape that follows a backslash, or nothing when `c` starts none. "\;" is kept for
// lists, which split on the bare semicolons first.
std::optional<char> escaped(char c)
{
    switch (c) {
    case 's':
        return ' ';
    case 'n':
        return '\n';
    case 't':
        return '\t';
    case 'r':
        return '\r';
    case '\\':
        return '\\';
    case ';':
        return ';';
    default:
        return std::nullopt;
    }
}

// An unknown escape stays as written; parse() has already reported it.
std::string unescaped(std::string_view value)
{
    std::string result;
    result.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            if (std::optional<char> c = escaped(value[i + 1])) {
                result += *c;
                ++i;
                continue;
            }
        }
        result += value[i];
    }
    return result;
}

std::optional<std::string_view> badEscape(std::string_view value)
{
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\')
            continue;
        if (i + 1 == value.size())
            return value.substr(i, 1);
        if (!escaped(value[i + 1]))
            return value.substr(i, 2);
        ++i;
    }
    return std::nullopt;
}

std::vector<std::string> splitList(std::string_view value)
{
    std::vector<std::string> items;
    std::string current;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            current += value[i];
            current += value[++i];
        } else if (value[i] == ';') {
            items.push_back(unescaped(current));
            current.clear();
        } else {
            current += value[i];
        }
    }
    // The final separator is optional: "a;b;" and "a;b" are the same two items.
    if (!current.empty())
        items.push_back(unescaped(current));
    return items;
}

}  // namespace

std::vector<std::string> desktopEntryLocaleCandidates(std::string_view locale)
{
    const Locale parts = splitLocale(locale);
    if (parts.lang.empty() || parts.lang == "C" || parts.lang == "POSIX")
        return {};
    const std::string lang(parts.lang);
    const std::string country = parts.country.empty() ? std::string() : "_" + std::string(parts.country);
    const std::string modifier = parts.modifier.empty() ? std::string() : "@" + std::string(parts.modifier);
    std::vector<std::string> candidates;
    if (!country.empty() && !modifier.empty())
        candidates.push_back(lang + country + modifier);
    if (!country.empty())
        candidates.push_back(lang + country);
    if (!modifier.empty())
        candidates.push_back(lang + modifier);
    candidates.push_back(lang);
    return candidates;
}

DesktopEntryFile DesktopEntryFile::parse(std::string_view text)
{
    DesktopEntryFile file;
    Group* current = nullptr;
    bool sawHeader = false;
    const auto problem = [&](size_t line, std::string message) {
        file.m_problems.push_back({ line, "line " + std::to_string(line) + ": " + std::move(message) });
    };

    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);  // files written on Windows
        line = trimmed(line, lineSpace);

        if (line.empty() || line.front() == '#')
            continue;
        if (!utf8::isValid(line)) {
            problem(lineNumber, "not valid UTF-8");
            continue;
        }

        if (line.front() == '[') {
            const std::string_view name = line.substr(1, line.size() >= 2 ? line.size() - 2 : 0);
            current = nullptr;  // the keys under a broken header belong to no group
            sawHeader = true;
            if (line.size() < 3 || line.back() != ']' || name.find_first_of("[]") != std::string_view::npos || hasControlCharacter(name)) {
                problem(lineNumber, "\"" + std::string(line) + "\" is not a valid group header");
                continue;
            }
            auto existing = std::find_if(file.m_groups.begin(), file.m_groups.end(), [&](const Group& g) { return g.name == name; });
            if (existing != file.m_groups.end()) {
                problem(lineNumber, "group [" + std::string(name) + "] already appeared on line " + std::to_string(existing->line));
                current = &*existing;
            } else {
                current = &file.m_groups.emplace_back(Group { std::string(name), lineNumber, {} });
            }
            continue;
        }

        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            problem(lineNumber, "\"" + std::string(line) + "\" is not a key, a group or a comment");
            continue;
        }
        const std::string_view fullKey = trimmed(line.substr(0, equals), lineSpace);
        const std::string_view value = trimmed(line.substr(equals + 1), lineSpace);
        std::string_view key = fullKey;
        std::string_view locale;
        if (const size_t open = fullKey.find('['); open != std::string_view::npos) {
            key = fullKey.substr(0, open);
            if (fullKey.back() != ']' || open + 2 >= fullKey.size()) {
                problem(lineNumber, "\"" + std::string(fullKey) + "\" has a malformed locale");
                continue;
            }
            locale = fullKey.substr(open + 1, fullKey.size() - open - 2);
        }
        if (key.empty()) {
            problem(lineNumber, "a value without a key");
            continue;
        }
        if (!current) {
            if (!sawHeader)
                problem(lineNumber, "key \"" + std::string(fullKey) + "\" comes before any group");
            continue;
        }
        if (!std::all_of(key.begin(), key.end(), isKeyCharacter))
            problem(lineNumber, "\"" + std::string(key) + "\" is not a valid key name");
        if (std::optional<std::string_view> escape = badEscape(value))
            problem(lineNumber, "\"" + std::string(*escape) + "\" is not a valid escape sequence");

        Entry entry { std::string(key), withoutEncoding(locale), std::string(value), lineNumber };
        auto earlier = std::find_if(current->entries.begin(), current->entries.end(),
            [&](const Entry& e) { return e.key == entry.key && e.locale == entry.locale; });
        if (earlier != current->entries.end()) {
            problem(lineNumber, "key \"" + std::string(fullKey) + "\" already appeared on line " + std::to_string(earlier->line));
            *earlier = std::move(entry);  // the last one wins
        } else {
            current->entries.push_back(std::move(entry));
        }
    }
    return file;
}

std::vector<std::string> DesktopEntryFile::groupNames() const
{
    std::vector<std::string> names;
    for (const Group& group : m_groups)
        names.push_back(group.name);
    return names;
}

bool DesktopEntryFile::hasGroup(std::string_view group) const
{
    return findGroup(group) != nullptr;
}

const DesktopEntryFile::Group* DesktopEntryFile::findGroup(std::string_view name) const
{
    auto found = std::find_if(m_groups.begin(), m_groups.end(), [&](const Group& g) { return g.name == name; });
    return found == m_groups.end() ? nullptr : &*found;
}

const DesktopEntryFile::Entry* DesktopEntryFile::findEntry(std::string_view group, std::string_view key, std::string_view locale) const
{
    const Group* found = findGroup(group);
    if (!found)
        return nullptr;
    auto entry
        = std::find_if(found->entries.begin(), found->entries.end(), [&](const Entry& e) { return e.key == key && e.locale == locale; });
    return entry == found->entries.end() ? nullptr : &*entry;
}

const DesktopEntryFile::Entry* DesktopEntryFile::findLocalized(std::string_view group, std::string_view key, std::string_view locale) const
{
    for (const std::string& candidate : desktopEntryLocaleCandidates(locale)) {
        if (const Entry* entry = findEntry(group, key, candidate))
            return entry;
    }
    return findEntry(group, key, {});
}

std::optional<std::string_view> DesktopEntryFile::rawValue(std::string_view group, std::string_view key) const
{
    std::string locale;
    if (const size_t open = key.find('['); open != std::string_view::npos && key.ends_with(']')) {
        locale = withoutEncoding(key.substr(open + 1, key.size() - open - 2));
        key = key.substr(0, open);
    }
    const Entry* entry = findEntry(group, key, locale);
    if (!entry)
        return std::nullopt;
    return std::string_view(entry->value);
}

std::optional<std::string> DesktopEntryFile::string(std::string_view group, std::string_view key) const
{
    std::optional<std::string_view> value = rawValue(group, key);
    if (!value)
        return std::nullopt;
    return unescaped(*value);
}

std::optional<std::string> DesktopEntryFile::localeString(std::string_view group, std::string_view key, std::string_view locale) const
{
    const Entry* entry = findLocalized(group, key, locale);
    if (!entry)
        return std::nullopt;
    return unescaped(entry->value);
}

std::optional<std::vector<std::string>> DesktopEntryFile::stringList(std::string_view group, std::string_view key) const
{
    std::optional<std::string_view> value = rawValue(group, key);
    if (!value)
        return std::nullopt;
    return splitList(*value);
}

std::optional<std::vector<std::string>> DesktopEntryFile::localeStringList(
    std::string_view group, std::string_view key, std::string_view locale) const
{
    const Entry* entry = findLocalized(group, key, locale);
    if (!entry)
        return std::nullopt;
    return splitList(entry->value);
}

std::optional<bool> DesktopEntryFile::boolean(std::string_view group, std::string_view key) const
{
    std::optional<std::string_view> value = rawValue(group, key);
    if (value == "true")
        return true;
    if (value == "false")
        return false;
    return std::nullopt;
}

}  // namespace lopewell
