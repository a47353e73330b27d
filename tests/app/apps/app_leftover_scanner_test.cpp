#include "app/apps/app_leftover_scanner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/apps/apps_fixture.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::makeBundle;
using testing::plistEntry;
using testing::writeFile;

class AppLeftoverScannerTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    fs::path root = dir / "root";
    fs::path home = dir / "root/Users/ann";
    fs::path library = home / "Library";
    HostLayout layout = HostLayout::forTesting(root, home, 501, "ann", HostFlavour::macOS);
    AppLeftoverScanner scanner { layout };

    static std::vector<fs::path> urlsOf(const AppLeftoverResult& result)
    {
        std::vector<fs::path> urls;
        for (const StorageItem& item : result.items)
            urls.emplace_back(item.path);
        return urls;
    }
};

TEST_F(AppLeftoverScannerTest, FindsTheBundleThenEveryCandidateInOrder)
{
    const std::string b = "com.example.Notes";
    // The name comes from CFBundleName, never from the display name.
    const fs::path app = makeBundle(
        root / "Applications/Notes.app", b, plistEntry("CFBundleName", "Notebook") + plistEntry("CFBundleDisplayName", "Notes Display"));
    const std::vector<std::string> present {
        "Application Support/" + b,
        "Caches/" + b,
        "Containers/" + b,
        "Logs/" + b,
        "Saved Application State/" + b + ".savedState",
        "HTTPStorages/" + b,
        "HTTPStorages/" + b + ".binarycookies",
        "WebKit/" + b,
        "Preferences/" + b + ".plist",
        "Application Support/Notebook",
        "Caches/Notebook",
        "Logs/Notebook",
        "Group Containers/ABCDE12345." + b,  // the listing comes in name order
        "Group Containers/" + b,
        "Preferences/" + b + ".LSSharedFileList.plist",
    };
    for (const std::string& relative : present) {
        if (relative.ends_with(".plist") || relative.ends_with(".binarycookies"))
            writeFile(library / relative, std::string(700, 'p'));
        else
            writeFile(library / relative / "data", std::string(1500, 'd'));
    }
    for (const std::string& missed :
        std::vector<std::string> { "Group Containers/ABCDE12345." + b + ".helper", "Preferences/" + b + "2.plist",
            "Preferences/" + b + ".txt", "Application Support/Notes Display", "Caches/com.example.Notes2" })
        writeFile(library / missed, "x");

    const std::optional<AppLeftoverResult> result = scanner.scan(app);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->appName, "Notebook");
    EXPECT_EQ(result->bundleID, b);
    EXPECT_EQ(result->appURL, app);
    std::vector<fs::path> expected { app };
    for (const std::string& relative : present)
        expected.push_back(library / relative);
    EXPECT_EQ(urlsOf(*result), expected);
    std::uint64_t total = 0;
    for (const StorageItem& item : result->items) {
        EXPECT_EQ(item.displayName, std::nullopt);
        EXPECT_TRUE(item.modificationDate);
        EXPECT_GT(item.size, 0u) << item.path;
        total += item.size;
    }
    EXPECT_EQ(result->totalBytes, total);
    EXPECT_EQ(result->preselected().size(), result->items.size());
}

TEST_F(AppLeftoverScannerTest, AnAppWithoutLeftoversIsItsWholeBundleAlone)
{
    const fs::path app = makeBundle(root / "Applications/Solo.app", "org.example.solo");
    writeFile(app / "Contents/Frameworks/Kit.framework/Kit", std::string(20000, 'k'));
    const std::optional<AppLeftoverResult> result = scanner.scan(app);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->items.size(), 1u);
    EXPECT_EQ(result->items[0].path, app.native());
    EXPECT_EQ(result->totalBytes, testing::treeBytes(app));
    EXPECT_EQ(result->appName, "Solo");
}

TEST_F(AppLeftoverScannerTest, ANameEqualToTheIdentifierListsItsPlacesTwice)
{
    const fs::path app = makeBundle(root / "Applications/same.app", "same", plistEntry("CFBundleName", "same"));
    writeFile(library / "Caches/same/x", "x");
    const std::optional<AppLeftoverResult> result = scanner.scan(app);
    ASSERT_TRUE(result);
    EXPECT_EQ(urlsOf(*result), (std::vector<fs::path> { app, library / "Caches/same", library / "Caches/same" }));
}

TEST_F(AppLeftoverScannerTest, ANestedBundleAddsNothingToItsFolderAndALinkIsNotFollowed)
{
    const fs::path app = makeBundle(root / "Applications/Host.app", "org.example.host");
    writeFile(library / "Application Support/org.example.host/own", std::string(4000, 'o'));
    writeFile(library / "Application Support/org.example.host/Helper.app/Contents/big", std::string(90000, 'h'));
    writeFile(dir / "target/huge", std::string(90000, 't'));
    fs::create_directories(library / "Caches");
    fs::create_directory_symlink(dir / "target", library / "Caches/org.example.host");

    const std::optional<AppLeftoverResult> result = scanner.scan(app);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->items.size(), 3u);
    EXPECT_EQ(result->items[1].size, testing::allocatedBytes(library / "Application Support/org.example.host/own"));
    EXPECT_EQ(result->items[2].path, (library / "Caches/org.example.host").native());
    EXPECT_LT(result->items[2].size, 90000u);
}

TEST_F(AppLeftoverScannerTest, NotABundleOrNoIdentifierGivesNoResult)
{
    writeFile(dir / "notes.txt", "text");
    writeFile(root / "Applications/Anonymous.app/Contents/Info.plist", testing::infoPlist(plistEntry("CFBundleName", "Anon")));
    makeBundle(dir / "real/Real.app", "org.example.real");
    fs::create_directory_symlink(dir / "real/Real.app", dir / "Link.app");
    for (const fs::path& url : { dir / "notes.txt", root / "Applications/Anonymous.app", dir / "missing.app", dir / "Link.app" })
        EXPECT_FALSE(scanner.scan(url)) << url;
}

TEST_F(AppLeftoverScannerTest, AnIdentifierOrNameThatIsNoSingleNameNeverReachesOutOfTheLibrary)
{
    writeFile(home / "Documents/thesis.tex", "years of work");
    writeFile(library / "Caches/Good/x", "x");
    const fs::path app = makeBundle(root / "Applications/Evil.app", "../../Documents", plistEntry("CFBundleName", ".."));
    const std::optional<AppLeftoverResult> result = scanner.scan(app);
    ASSERT_TRUE(result);
    EXPECT_EQ(urlsOf(*result), std::vector<fs::path> { app });
    EXPECT_TRUE(scanner.candidates("a/b", "Good").size() == 3);
}

}  // namespace
}  // namespace lopewell
