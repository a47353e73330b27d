#include "cli/arguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>
#include <sys/stat.h>

namespace lopewell::cli {

ErrorOr<ParsedOptions> parseOptions(std::span<const std::string_view> arguments, std::span<const OptionSpec> specs)
{
    ParsedOptions parsed;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (!argument.starts_with("--"))
            return Error { 0, "unexpected argument '" + std::string(argument) + "'" };
        std::string_view name = argument.substr(2);
        std::optional<std::string_view> inlineValue;
        if (size_t equals = name.find('='); equals != std::string_view::npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& candidate : specs) {
            if (candidate.name == name)
                spec = &candidate;
        }
        if (!spec)
            return Error { 0, "unknown option '--" + std::string(name) + "'" };
        if (!spec->takesValue) {
            if (inlineValue)
                return Error { 0, "option '--" + std::string(name) + "' takes no value" };
            parsed.flags.emplace(name);
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= arguments.size())
                return Error { 0, "option '--" + std::string(name) + "' needs a value" };
            inlineValue = arguments[++i];
        }
        parsed.values[std::string(name)] = std::string(*inlineValue);
    }
    return parsed;
}

ErrorOr<double> parseSeconds(std::string_view text, std::string_view option)
{
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool whole = error == std::errc() && end == text.data() + text.size();
    // A day is the longest interval that still reads as "now" for a status line.
    if (!whole || !std::isfinite(value) || value <= 0 || value > 86400) {
        return Error { 0, "--" + std::string(option) + " must be a number of seconds greater than 0 and at most 86400, not '"
                              + std::string(text) + "'" };
    }
    return value;
}

ErrorOr<GlobalOptions> parseGlobalOptions(std::span<const std::string_view> arguments)
{
    GlobalOptions options;
    size_t i = 0;
    while (i < arguments.size()) {
        std::string_view argument = arguments[i];
        std::string_view name;
        for (std::string_view candidate : { std::string_view("system-root"), std::string_view("home") }) {
            if (argument == "--" + std::string(candidate) || argument.starts_with("--" + std::string(candidate) + "="))
                name = candidate;
        }
        if (name.empty())
            break;
        std::string_view value;
        if (size_t equals = argument.find('='); equals != std::string_view::npos) {
            value = argument.substr(equals + 1);
            i += 1;
        } else {
            if (i + 1 >= arguments.size())
                return Error { 0, "option '--" + std::string(name) + "' needs a folder" };
            value = arguments[i + 1];
            i += 2;
        }
        struct stat info {};
        const std::string folder(value);
        if (folder.empty() || ::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return Error { 0, "--" + std::string(name) + " must name an existing folder, not '" + folder + "'" };
        (name == "home" ? options.home : options.systemRoot) = std::filesystem::path(folder);
    }
    options.consumed = i;
    return options;
}

HostLayout hostLayout(const GlobalOptions& options)
{
    HostLayout current = HostLayout::forCurrentUser(options.systemRoot.value_or("/"));
    if (!options.home)
        return current;
    HostLayout::Fields fields;
    fields.systemRoot = current.systemRoot();
    fields.home = *options.home;
    fields.uid = current.uid();
    fields.loginName = current.loginName();
    return HostLayout(std::move(fields));
}

ErrorOr<FolderInvocation> parseFolderInvocation(std::span<const std::string_view> arguments, std::span<const OptionSpec> specs)
{
    std::vector<std::string_view> optionArguments;
    std::vector<std::string_view> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--") {
            positional.insert(positional.end(), arguments.begin() + std::ptrdiff_t(i) + 1, arguments.end());
            break;
        }
        if (!argument.starts_with("--")) {
            positional.push_back(argument);
            continue;
        }
        optionArguments.push_back(argument);
        const std::string_view name = argument.substr(2);
        const bool takesValue = std::any_of(specs.begin(), specs.end(), [&](const OptionSpec& spec) { return spec.takesValue && spec.name == name; });
        if (takesValue && i + 1 < arguments.size())
            optionArguments.push_back(arguments[++i]);
    }
    ErrorOr<ParsedOptions> options = parseOptions(optionArguments, specs);
    if (!options)
        return options.error();
    if (positional.empty())
        return Error { 0, "missing DIR" };
    if (positional.size() > 1)
        return Error { 0, "unexpected argument '" + std::string(positional[1]) + "'" };
    std::error_code error;
    std::filesystem::path root = std::filesystem::absolute(std::filesystem::path(positional[0]), error);
    if (error || positional[0].empty())
        return Error { 0, "cannot use '" + std::string(positional[0]) + "' as a folder" };
    return FolderInvocation { root.lexically_normal(), std::move(options.value()) };
}

}  // namespace lopewell::cli
