#include "core/systemd/systemctl_output.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "core/base/text.h"

namespace lopewell {

namespace {

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        result.push_back(text.substr(0, newline));
        if (newline == std::string_view::npos)
            break;
        text.remove_prefix(newline + 1);
    }
    return result;
}

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> result;
    size_t at = 0;
    while ((at = line.find_first_not_of(" \t", at)) != std::string_view::npos) {
        const size_t end = std::min(line.find_first_of(" \t", at), line.size());
        result.push_back(line.substr(at, end - at));
        at = end;
    }
    return result;
}

// "{ path=/usr/bin/foo ; argv[]=/usr/bin/foo -x ; ... }"
std::optional<std::string> execPath(std::string_view value)
{
    const size_t at = value.find("path=");
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = value.substr(at + 5);
    rest = rest.substr(0, rest.find_first_of(" ;"));
    if (rest.empty())
        return std::nullopt;
    return std::string(rest);
}

}  // namespace

std::optional<std::vector<UnitFile>> parseUnitFilesJson(std::string_view text)
{
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_array())
        return std::nullopt;
    std::vector<UnitFile> files;
    for (const auto& entry : json) {
        if (!entry.is_object())
            continue;
        const auto name = entry.find("unit_file");
        const auto state = entry.find("state");
        if (name == entry.end() || state == entry.end() || !name->is_string() || !state->is_string())
            continue;
        files.push_back({ name->get<std::string>(), state->get<std::string>() });
    }
    return files;
}

std::vector<UnitFile> parseUnitFilesText(std::string_view text)
{
    std::vector<UnitFile> files;
    for (std::string_view line : lines(text)) {
        const auto parts = words(line);
        if (parts.size() < 2 || parts[0] == "UNIT")
            continue;
        // "12 unit files listed." and other prose: a unit name always has a type suffix.
        if (parts[0].find('.') == std::string_view::npos || parts[0].ends_with('.'))
            continue;
        files.push_back({ std::string(parts[0]), std::string(parts[1]) });
    }
    return files;
}

std::vector<UnitStatus> parseShowOutput(std::string_view text)
{
    std::vector<UnitStatus> result;
    UnitStatus current;
    bool any = false;
    auto flush = [&] {
        if (any && !current.id.empty())
            result.push_back(std::move(current));
        current = {};
        any = false;
    };
    for (std::string_view line : lines(text)) {
        if (trimmed(line).empty()) {
            flush();
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        any = true;
        if (key == "Id")
            current.id = value;
        else if (key == "Description")
            current.description = value;
        else if (key == "LoadState")
            current.loadState = value;
        else if (key == "ActiveState")
            current.activeState = value;
        else if (key == "SubState")
            current.subState = value;
        else if (key == "UnitFileState")
            current.unitFileState = value;
        else if (key == "FragmentPath")
            current.fragmentPath = value;
        else if (key == "ExecStart" && !current.program)
            current.program = execPath(value);
        else if (key == "MainPID") {
            int32_t pid = 0;
            auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), pid);
            current.mainPid = error == std::errc() && end == value.data() + value.size() && pid > 0 ? pid : 0;
        }
    }
    flush();
    return result;
}

std::string systemdUnitNameEscape(std::string_view name)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string escaped;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const bool plain
            = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' || c == '_' || (c == '.' && i > 0);
        if (c == '/') {
            escaped += '-';
        } else if (plain) {
            escaped += char(c);
        } else {
            escaped += "\\x";
            escaped += hex[c >> 4];
            escaped += hex[c & 0xf];
        }
    }
    return escaped;
}

std::string autostartUnitName(std::string_view desktopFileName)
{
    std::string_view stem = desktopFileName;
    if (stem.ends_with(".desktop"))
        stem.remove_suffix(8);
    return "app-" + systemdUnitNameEscape(stem) + "@autostart.service";
}

}  // namespace lopewell
