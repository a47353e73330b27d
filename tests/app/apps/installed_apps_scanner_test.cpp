#include "app/apps/installed_apps_scanner.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/apps/apps_fixture.h"
#include "tests/core/plist/binary_plist_builder.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::makeBundle;
using testing::plistEntry;
using testing::writeFile;

class InstalledAppsScannerTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    fs::path root = dir / "root";
    fs::path home = dir / "root/Users/ann";
    HostLayout layout = HostLayout::forTesting(root, home, 501, "ann", HostFlavour::macOS);

    std::vector<InstalledApp> scan() const { return InstalledAppsScanner(layout).scan(); }

    static const InstalledApp* find(const std::vector<InstalledApp>& apps, const fs::path& url)
    {
        auto it = std::find_if(apps.begin(), apps.end(), [&](const InstalledApp& app) { return app.url == url; });
        return it == apps.end() ? nullptr : &*it;
    }
};

TEST_F(InstalledAppsScannerTest, ListsBundlesOfTheThreeRootsAndTheirUtilitiesSortedByNameCaseInsensitively)
{
    // Found in the order beta, Alpha, alpha: one per root.
    makeBundle(root / "Applications/b.app", "org.example.b", plistEntry("CFBundleName", "beta"));
    makeBundle(home / "Applications/A.app", "org.example.A", plistEntry("CFBundleName", "Alpha"));
    makeBundle(root / "System/Applications/a.app", "org.example.a", plistEntry("CFBundleName", "alpha"));
    makeBundle(root / "Applications/Utilities/Disk Tool.app", "org.example.disk");
    makeBundle(root / "System/Applications/Utilities/Console.app", "com.apple.Console");
    makeBundle(root / "Applications/Utilities/Deeper/Nested.app", "org.example.nested");
    makeBundle(root / "Applications/Games/Chess.app", "org.example.chess");
    makeBundle(root / "Applications/Loud.APP", "org.example.loud");
    makeBundle(root / "Applications/.Secret.app", "org.example.secret");
    makeBundle(dir / "elsewhere/Linked.app", "org.example.linked");
    fs::create_directory_symlink(dir / "elsewhere/Linked.app", root / "Applications/Linked.app");
    fs::create_directory_symlink(dir / "elsewhere", root / "Applications/Utilities/Moved.app");

    std::vector<std::string> names;
    for (const InstalledApp& app : scan())
        names.push_back(app.name);
    EXPECT_EQ(names, (std::vector<std::string> { "Alpha", "alpha", "beta", "Console", "Disk Tool" }));
}

TEST_F(InstalledAppsScannerTest, NamesVersionsAndIdentifiersFollowTheInformationDictionary)
{
    struct Case {
        const char* folder;
        std::string body;  // of Contents/Info.plist, identifier included
        const char* name;  // expected; nullptr: not listed
        const char* version;
    };
    const std::string id = plistEntry("CFBundleIdentifier", "org.example.x");
    const std::vector<Case> cases {
        { "Display.app", id + plistEntry("CFBundleDisplayName", "Shown") + plistEntry("CFBundleName", "Named"), "Shown", "—" },
        { "EmptyDisplay.app", id + plistEntry("CFBundleDisplayName", "") + plistEntry("CFBundleName", "Foo"), "Foo", "—" },
        { "Bare.app", id, "Bare", "—" },
        { "Versioned.app", id + plistEntry("CFBundleShortVersionString", "2.4.1"), "Versioned", "2.4.1" },
        { "EmptyVersion.app", id + plistEntry("CFBundleShortVersionString", ""), "EmptyVersion", "" },
        { "NumberName.app", id + "<key>CFBundleName</key><integer>7</integer>", "NumberName", "—" },
        { "NoIdentifier.app", plistEntry("CFBundleName", "Nope"), nullptr, nullptr },
        { "EmptyIdentifier.app", plistEntry("CFBundleIdentifier", ""), nullptr, nullptr },
        { "NumberIdentifier.app", "<key>CFBundleIdentifier</key><integer>12</integer>", nullptr, nullptr },
    };
    for (const Case& c : cases)
        writeFile(root / "Applications" / c.folder / "Contents/Info.plist", testing::infoPlist(c.body));
    writeFile(root / "Applications/Malformed.app/Contents/Info.plist", "<plist><dict><key>CFBundleIdentifier</key><string>x");
    fs::create_directories(root / "Applications/NoPlist.app/Contents");
    writeFile(root / "Applications/File.app", "a file, not a bundle");

    testing::BinaryPlistBuilder binary;
    const auto key = binary.add(testing::asciiString("CFBundleIdentifier"));
    const auto value = binary.add(testing::asciiString("org.example.binary"));
    const auto nameKey = binary.add(testing::asciiString("CFBundleName"));
    const auto nameValue = binary.add(testing::asciiString("Binary Tool"));
    binary.add(binary.dictionary({ key, nameKey }, { value, nameValue }));
    writeFile(root / "Applications/Binary.app/Contents/Info.plist", binary.build(4));

    const std::vector<InstalledApp> apps = scan();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const InstalledApp* app = find(apps, root / "Applications" / c.folder);
        if (!c.name) {
            EXPECT_EQ(app, nullptr);
            continue;
        }
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(app->name, c.name);
        EXPECT_EQ(app->version, c.version);
        EXPECT_EQ(app->bundleID, "org.example.x");
    }
    EXPECT_EQ(find(apps, root / "Applications/Malformed.app"), nullptr);
    EXPECT_EQ(find(apps, root / "Applications/NoPlist.app"), nullptr);
    EXPECT_EQ(find(apps, root / "Applications/File.app"), nullptr);
    const InstalledApp* fromBinary = find(apps, root / "Applications/Binary.app");
    ASSERT_NE(fromBinary, nullptr);
    EXPECT_EQ(fromBinary->name, "Binary Tool");
    EXPECT_EQ(fromBinary->bundleID, "org.example.binary");
}

TEST_F(InstalledAppsScannerTest, TheSourceIsAppleByTheWholePrefixElseAppStoreByItsReceipt)
{
    const struct {
        const char* folder;
        const char* identifier;
        bool receipt;
        AppSource source;
    } cases[] = {
        { "Safari.app", "com.apple.Safari", true, AppSource::apple },
        { "Lookalike.app", "com.applex.tool", true, AppSource::appStore },
        { "Bought.app", "com.example.bought", true, AppSource::appStore },
        { "Plain.app", "com.apple", false, AppSource::other },
    };
    for (const auto& c : cases) {
        makeBundle(root / "Applications" / c.folder, c.identifier);
        if (c.receipt)
            writeFile(root / "Applications" / c.folder / "Contents/_MASReceipt/receipt", "r");
    }
    const std::vector<InstalledApp> apps = scan();
    for (const auto& c : cases) {
        const InstalledApp* app = find(apps, root / "Applications" / c.folder);
        ASSERT_NE(app, nullptr) << c.folder;
        EXPECT_EQ(app->source, c.source) << c.folder;
    }
}

TEST_F(InstalledAppsScannerTest, TheSizeCountsEveryFileOfTheBundleOnceHiddenAndNestedOnesIncluded)
{
    const fs::path bundle = makeBundle(root / "Applications/Big.app", "org.example.big");
    writeFile(bundle / "Contents/.hidden", std::string(9000, 'h'));
    writeFile(bundle / "Contents/Frameworks/Kit.framework/Kit", std::string(20000, 'k'));
    writeFile(bundle / "Contents/Resources/data", std::string(5000, 'd'));
    fs::create_hard_link(bundle / "Contents/Resources/data", bundle / "Contents/Resources/same-data");
    writeFile(dir / "outside", std::string(50000, 'o'));
    fs::create_symlink(dir / "outside", bundle / "Contents/Resources/link");

    const std::vector<InstalledApp> apps = scan();
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].size, testing::treeBytes(bundle));
    EXPECT_GT(apps[0].size, 30000u);
    EXPECT_LT(apps[0].size, 50000u);
}

TEST_F(InstalledAppsScannerTest, AMissingOrUnreadableRootChangesNothingElse)
{
    makeBundle(root / "Applications/One.app", "org.example.one");
    makeBundle(root / "System/Applications/Two.app", "org.example.two");
    const std::vector<InstalledApp> withoutUserFolder = scan();
    ASSERT_EQ(withoutUserFolder.size(), 2u);

    fs::create_directories(home / "Applications");
    makeBundle(home / "Applications/Mine.app", "org.example.mine");
    ::chmod((home / "Applications").c_str(), 0);
    const int status = testing::runUnprivileged([&] {
        const std::vector<InstalledApp> apps = scan();
        return apps == withoutUserFolder ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(InstalledAppsScannerTest, AStoppedScanListsNothingMore)
{
    makeBundle(root / "Applications/One.app", "org.example.one");
    std::stop_source stop;
    stop.request_stop();
    EXPECT_TRUE(InstalledAppsScanner(layout).scan(stop.get_token()).empty());
}

}  // namespace
}  // namespace lopewell
