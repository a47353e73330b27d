#include "core/launchd/startup_item_classifier.h"

#include <gtest/gtest.h>

#include <set>

namespace lopewell {
namespace {

namespace C = StartupItemClassifier;

PropertyList dictionary(PropertyList::Dictionary entries)
{
    return PropertyList::fromDictionary(std::move(entries));
}

PropertyList strings(std::vector<std::string> values)
{
    PropertyList::Array array;
    for (auto& value : values)
        array.push_back(PropertyList::fromString(std::move(value)));
    return PropertyList::fromArray(std::move(array));
}

TEST(StartupItemClassifier, ClassifiesFoldersByTheirExactPath)
{
    const std::pair<std::string_view, std::optional<StartupLayer>> cases[] = {
        { "/Users/alice/Library/LaunchAgents", StartupLayer::userAgent },
        { "/home/alice/Library/LaunchAgents", StartupLayer::userAgent },
        { "/Library/LaunchAgents", StartupLayer::libraryAgent },
        { "/Library/LaunchDaemons", StartupLayer::libraryDaemon },
        { "/System/Library/LaunchAgents", StartupLayer::appleSystem },
        { "/System/Library/LaunchDaemons", StartupLayer::appleSystem },
        { "/System/Library/LaunchAnything", StartupLayer::appleSystem },
        { "/Users/alice/Library/LaunchDaemons", std::nullopt },
        { "/Library/LaunchAgents/", std::nullopt },
        { "/library/launchagents", std::nullopt },
        { "/tmp/lopewell-test-1/LaunchAgents", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& [path, layer] : cases)
        EXPECT_EQ(C::classify(path), layer) << path;
}

TEST(StartupItemClassifier, ProgramComesFromProgramOrTheFirstArgument)
{
    struct Case {
        PropertyList plist;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        { dictionary({ { "Program", PropertyList::fromString("/usr/bin/a") }, { "ProgramArguments", strings({ "/usr/bin/b" }) } }),
            "/usr/bin/a" },
        { dictionary({ { "Program", PropertyList::fromString("") }, { "ProgramArguments", strings({ "/usr/bin/b", "-x" }) } }),
            "/usr/bin/b" },
        { dictionary({ { "Program", PropertyList::fromInteger(3) }, { "ProgramArguments", strings({ "/usr/bin/b" }) } }), "/usr/bin/b" },
        { dictionary({ { "ProgramArguments", strings({ "", "/usr/bin/b" }) } }), std::nullopt },
        { dictionary({ { "ProgramArguments", strings({}) } }), std::nullopt },
        { dictionary({ { "ProgramArguments",
              PropertyList::fromArray({ PropertyList::fromString("/usr/bin/b"), PropertyList::fromInteger(1) }) } }),
            std::nullopt },
        { dictionary({ { "ProgramArguments", PropertyList::fromString("/usr/bin/b") } }), std::nullopt },
        { dictionary({}), std::nullopt },
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(C::programPath(cases[i].plist), cases[i].expected) << "case " << i;
}

TEST(StartupItemClassifier, LabelFallsBackToTheFileName)
{
    EXPECT_EQ(C::label(dictionary({ { "Label", PropertyList::fromString("com.example.a") } }), "other.plist"), "com.example.a");
    EXPECT_EQ(C::label(dictionary({ { "Label", PropertyList::fromString("") } }), "com.example.job.plist"), "com.example.job");
    EXPECT_EQ(C::label(dictionary({ { "Label", PropertyList::fromInteger(1) } }), "a.b.plist"), "a.b");
    EXPECT_EQ(C::label(dictionary({}), "noextension"), "noextension");
}

TEST(StartupItemClassifier, FlagsAreTrueOnlyForTheBooleanTrue)
{
    const PropertyList plist = dictionary({
        { "RunAtLoad", PropertyList::fromBoolean(true) },
        { "KeepAlive", dictionary({ { "SuccessfulExit", PropertyList::fromBoolean(false) } }) },
        { "Off", PropertyList::fromBoolean(false) },
        { "Text", PropertyList::fromString("true") },
        { "One", PropertyList::fromInteger(1) },
    });
    EXPECT_TRUE(C::flag("RunAtLoad", plist));
    for (std::string_view key : { "KeepAlive", "Off", "Text", "One", "Missing" })
        EXPECT_FALSE(C::flag(key, plist)) << key;
}

TEST(StartupItemClassifier, OwnerIsTheFirstApplicationBundleOnThePath)
{
    const std::pair<std::optional<std::string>, std::optional<std::string>> cases[] = {
        { "/Applications/Foo.app/Contents/MacOS/foo", "Foo" },
        { "/Applications/Outer.app/Contents/Helpers/Inner.app/Contents/MacOS/x", "Outer" },
        { "/Users/a/Apps/My Tool.app/Contents/MacOS/tool", "My Tool" },
        { "/Applications/Foo.APP/Contents/MacOS/foo", std::nullopt },
        { "/usr/local/bin/agent", std::nullopt },
        { "/opt/app/bin", std::nullopt },
        { "Foo.app", "Foo" },
        { std::nullopt, std::nullopt },
    };
    for (const auto& [path, owner] : cases)
        EXPECT_EQ(C::ownerName(path), owner) << path.value_or("(none)");
}

TEST(StartupItemClassifier, OrphanedOnlyWhenANamedProgramIsMissing)
{
    const std::set<std::string> present { "/usr/bin/here" };
    auto exists = [&](const std::string& path) { return present.contains(path); };
    EXPECT_FALSE(C::isOrphaned(std::nullopt, exists));
    EXPECT_FALSE(C::isOrphaned("/usr/bin/here", exists));
    EXPECT_TRUE(C::isOrphaned("/usr/bin/gone", exists));
}

}  // namespace
}  // namespace lopewell
