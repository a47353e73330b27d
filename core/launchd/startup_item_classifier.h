// The rules that turn a launchd job file and the folder it lies in into a StartupItem: which
// layer, which label and program, who installed it, whether its program is gone. Paths are
// the ones the system sees (before any system root), compared exactly and case-sensitively.
//
//   StartupItemClassifier::classify("/Library/LaunchAgents");  // libraryAgent
//   StartupItemClassifier::ownerName("/Applications/Foo.app/Contents/MacOS/foo");  // "Foo"
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/plist/property_list.h"
#include "core/startup/startup_item.h"

namespace lopewell::StartupItemClassifier {

// "/System/Library/Launch..." appleSystem; "/Library/LaunchAgents" libraryAgent;
// "/Library/LaunchDaemons" libraryDaemon; any other ".../Library/LaunchAgents" userAgent.
std::optional<StartupLayer> classify(std::string_view directoryPath);
// "Program" when a non-empty string, else the first of "ProgramArguments" when that is a list
// of strings with a non-empty first one.
std::optional<std::string> programPath(const PropertyList& plist);
// "Label" when a non-empty string, else the file name without its extension.
std::string label(const PropertyList& plist, std::string_view fallbackFilename);
// The boolean under `key`; anything else (a dictionary of KeepAlive conditions) is false.
bool flag(std::string_view key, const PropertyList& plist);
// The first path component ending in ".app", without it.
std::optional<std::string> ownerName(const std::optional<std::string>& programPath);
bool isOrphaned(const std::optional<std::string>& programPath, const std::function<bool(const std::string&)>& fileExists);

}  // namespace lopewell::StartupItemClassifier
