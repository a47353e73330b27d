#include "core/launchd/startup_item_classifier.h"

namespace lopewell::StartupItemClassifier {

std::optional<StartupLayer> classify(std::string_view directoryPath)
{
    if (directoryPath.starts_with("/System/Library/Launch"))
        return StartupLayer::appleSystem;
    if (directoryPath == "/Library/LaunchAgents")
        return StartupLayer::libraryAgent;
    if (directoryPath == "/Library/LaunchDaemons")
        return StartupLayer::libraryDaemon;
    if (directoryPath.ends_with("/Library/LaunchAgents"))
        return StartupLayer::userAgent;
    return std::nullopt;
}

std::optional<std::string> programPath(const PropertyList& plist)
{
    if (auto program = plist.stringForKey("Program"); program && !program->empty())
        return program;
    const PropertyList::Array* arguments = plist.arrayForKey("ProgramArguments");
    if (!arguments || arguments->empty())
        return std::nullopt;
    for (const PropertyList& argument : *arguments) {
        if (!argument.asString())
            return std::nullopt;
    }
    const std::string& first = *arguments->front().asString();
    if (first.empty())
        return std::nullopt;
    return first;
}

std::string label(const PropertyList& plist, std::string_view fallbackFilename)
{
    if (auto value = plist.stringForKey("Label"); value && !value->empty())
        return *value;
    const size_t dot = fallbackFilename.rfind('.');
    // A name that is all extension (".plist") keeps its name, as removing it would leave nothing.
    if (dot == std::string_view::npos || dot == 0)
        return std::string(fallbackFilename);
    return std::string(fallbackFilename.substr(0, dot));
}

bool flag(std::string_view key, const PropertyList& plist)
{
    return plist.booleanForKey(key).value_or(false);
}

std::optional<std::string> ownerName(const std::optional<std::string>& programPath)
{
    if (!programPath)
        return std::nullopt;
    std::string_view rest = *programPath;
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view component = rest.substr(0, slash);
        if (component.size() > 4 && component.ends_with(".app"))
            return std::string(component.substr(0, component.size() - 4));
        if (slash == std::string_view::npos)
            break;
        rest.remove_prefix(slash + 1);
    }
    return std::nullopt;
}

bool isOrphaned(const std::optional<std::string>& programPath, const std::function<bool(const std::string&)>& fileExists)
{
    return programPath && !fileExists(*programPath);
}

}  // namespace lopewell::StartupItemClassifier
