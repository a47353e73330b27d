#include "app/storage/storage_category.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

struct Fixture {
    TempDir root;
    HostLayout layout = HostLayout::forTesting(root / "sys", root / "home/alice", 1000, "alice", HostFlavour::macOS);
    fs::path home(const std::string& relative) const { return root / "home/alice" / relative; }
};

std::vector<std::string> ids(const std::vector<StorageCategory>& catalogue)
{
    std::vector<std::string> result;
    for (const StorageCategory& category : catalogue)
        result.push_back(category.id);
    return result;
}

TEST(StorageCatalogue, HasTheTwentyFourCategoriesInDisplayOrderWithTheirFlags)
{
    Fixture fixture;
    const std::vector<StorageCategory> catalogue = buildStorageCatalogue(fixture.layout);
    EXPECT_EQ(ids(catalogue),
        (std::vector<std::string> { "system.userCaches", "system.userLogs", "system.trash", "system.systemCaches", "dev.xcodeDerivedData",
            "dev.xcodeArchives", "dev.xcodeDocumentationCache", "dev.xcodeDeviceSupport", "dev.xcodeSimulators", "dev.xcodeSimulatorCaches",
            "dev.iosBackups", "dev.vscodeCaches", "dev.cursorCaches", "dev.claudeDesktopCaches", "dev.antigravityCaches",
            "dev.jetBrainsCaches", "dev.dockerLogs", "dev.homebrewCache", "dev.npmCache", "dev.cocoaPodsCache", "media.mailAttachments",
            "media.mailDownloads", "media.photosDerivatives", "media.musicCache" }));

    std::vector<std::string> defaultOn, needsAccess, grouped, highRisk;
    for (const StorageCategory& category : catalogue) {
        if (category.defaultEnabled)
            defaultOn.push_back(category.id);
        if (category.requiresFullDiskAccess)
            needsAccess.push_back(category.id);
        if (category.grouping != StorageCategory::Grouping::flat)
            grouped.push_back(category.id + ":" + std::string(rawValue(category.grouping)));
        if (category.risk == StorageCategory::Risk::high)
            highRisk.push_back(category.id);
        // Sections never interleave: each card sits in a run of its own section.
        EXPECT_EQ(category.section,
            category.id.starts_with("system.")    ? StorageSection::systemJunk
                : category.id.starts_with("dev.") ? StorageSection::developerJunk
                                                  : StorageSection::mailPhotos);
        EXPECT_FALSE(category.title.empty());
        EXPECT_FALSE(category.systemImage.empty());
    }
    EXPECT_EQ(defaultOn, (std::vector<std::string> { "system.userCaches", "system.userLogs", "system.trash" }));
    EXPECT_EQ(needsAccess, (std::vector<std::string> { "system.systemCaches", "media.mailAttachments" }));
    EXPECT_EQ(grouped,
        (std::vector<std::string> {
            "dev.xcodeDerivedData:xcodeDerivedData", "dev.xcodeDeviceSupport:deviceSupport", "dev.xcodeSimulators:iosSimulators" }));
    EXPECT_EQ(highRisk, (std::vector<std::string> { "dev.xcodeArchives", "dev.iosBackups" }));
}

TEST(StorageCatalogue, ResolvesHomePathsOnTheLayoutAndSystemPathsUnderItsRoot)
{
    Fixture fixture;
    const std::vector<StorageCategory> catalogue = buildStorageCatalogue(fixture.layout);
    const auto paths = [&](std::string_view id) { return findStorageCategory(catalogue, id)->paths; };
    EXPECT_EQ(paths("system.userCaches"), std::vector<fs::path> { fixture.home("Library/Caches") });
    EXPECT_EQ(paths("system.trash"), std::vector<fs::path> { fixture.home(".Trash") });
    EXPECT_EQ(paths("system.systemCaches"), std::vector<fs::path> { fixture.root / "sys/Library/Caches" });
    EXPECT_EQ(paths("dev.xcodeDeviceSupport"),
        (std::vector<fs::path> { fixture.home("Library/Developer/Xcode/iOS DeviceSupport"),
            fixture.home("Library/Developer/Xcode/watchOS DeviceSupport"), fixture.home("Library/Developer/Xcode/tvOS DeviceSupport") }));
    EXPECT_EQ(paths("dev.dockerLogs"),
        (std::vector<fs::path> { fixture.home("Library/Containers/com.docker.docker/Data/log"),
            fixture.home("Library/Group Containers/group.com.docker/Logs") }));
    EXPECT_EQ(paths("dev.npmCache"), std::vector<fs::path> { fixture.home(".npm") });
    EXPECT_EQ(findStorageCategory(catalogue, "no.such"), nullptr);
}

TEST(StorageCatalogue, AppSupportCategoriesListAllTenSubfoldersWhetherOrNotTheyExist)
{
    Fixture fixture;
    writeFile(fixture.home("Library/Application Support/Code/Cache/x"), "x");
    const std::vector<StorageCategory> catalogue = buildStorageCatalogue(fixture.layout);
    for (const auto& [id, folder] : { std::pair { "dev.vscodeCaches", "Code" }, { "dev.cursorCaches", "Cursor" },
             { "dev.claudeDesktopCaches", "Claude" }, { "dev.antigravityCaches", "Antigravity" } }) {
        SCOPED_TRACE(id);
        const fs::path base = fixture.home("Library/Application Support") / folder;
        EXPECT_EQ(findStorageCategory(catalogue, id)->paths,
            (std::vector<fs::path> { base / "Cache", base / "Code Cache", base / "CachedData", base / "CachedExtensionVSIXs",
                base / "GPUCache", base / "Service Worker/CacheStorage", base / "logs", base / "DawnGraphiteCache",
                base / "DawnWebGPUCache", base / "Shared Dictionary" }));
    }
}

TEST(StorageCatalogue, ExpandsMailStoresNamedVWithUnderFiveCharacters)
{
    Fixture fixture;
    for (const char* name : { "V2", "V10", "Vault1", "MailData", "V10x1", "v3" })
        fs::create_directories(fixture.home("Library/Mail") / name);
    const std::vector<StorageCategory> catalogue = buildStorageCatalogue(fixture.layout);
    std::vector<fs::path> paths = findStorageCategory(catalogue, "media.mailAttachments")->paths;
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths,
        (std::vector<fs::path> {
            fixture.home("Library/Mail/V10/MailData/Attachments"), fixture.home("Library/Mail/V2/MailData/Attachments") }));
}

TEST(StorageCatalogue, ExpandsEveryPhotoLibrary)
{
    Fixture fixture;
    fs::create_directories(fixture.home("Pictures/Photos Library.photoslibrary"));
    fs::create_directories(fixture.home("Pictures/Old.photoslibrary"));
    fs::create_directories(fixture.home("Pictures/Holiday"));
    writeFile(fixture.home("Pictures/notes.photoslibrary.txt"), "x");
    std::vector<fs::path> paths = findStorageCategory(buildStorageCatalogue(fixture.layout), "media.photosDerivatives")->paths;
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths,
        (std::vector<fs::path> { fixture.home("Pictures/Old.photoslibrary/resources/derivatives"),
            fixture.home("Pictures/Photos Library.photoslibrary/resources/derivatives") }));
}

TEST(StorageCatalogue, ExpansionsOfMissingFoldersAreEmpty)
{
    Fixture fixture;
    const std::vector<StorageCategory> catalogue = buildStorageCatalogue(fixture.layout);
    EXPECT_TRUE(findStorageCategory(catalogue, "media.mailAttachments")->paths.empty());
    EXPECT_TRUE(findStorageCategory(catalogue, "media.photosDerivatives")->paths.empty());
}

TEST(StorageCatalogue, AnUnreadableMailFolderGivesMailAttachmentsNoPaths)
{
    Fixture fixture;
    fs::create_directories(fixture.home("Library/Mail/V10"));
    chmod(fixture.home("Library/Mail").c_str(), 0300);  // can enter, cannot list
    const int status = testing::runUnprivileged([&] {
        const std::vector<StorageCategory> catalogue = buildStorageCatalogue(fixture.layout);
        return findStorageCategory(catalogue, "media.mailAttachments")->paths.empty() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST(StorageCatalogue, IsBuiltOncePerLayout)
{
    Fixture fixture;
    const std::vector<StorageCategory>& first = storageCatalogue(fixture.layout);
    fs::create_directories(fixture.home("Library/Mail/V10"));
    const std::vector<StorageCategory>& second = storageCatalogue(HostLayout(fixture.layout));
    EXPECT_EQ(&first, &second);
    EXPECT_TRUE(findStorageCategory(second, "media.mailAttachments")->paths.empty());

    Fixture other;
    EXPECT_NE(&storageCatalogue(other.layout), &first);
}

TEST(StorageCategory, ComparesAndHashesOverEveryFieldNotJustItsId)
{
    Fixture fixture;
    const StorageCategory original = buildStorageCatalogue(fixture.layout).front();
    StorageCategory moved = original;
    moved.paths.push_back("/elsewhere");
    EXPECT_EQ(original, StorageCategory(original));
    EXPECT_NE(original, moved);
    EXPECT_NE(std::hash<StorageCategory>()(original), std::hash<StorageCategory>()(moved));
}

TEST(StorageSection, HasRawValuesTitlesAndSubtitlesInScreenOrder)
{
    EXPECT_EQ(
        allCases<StorageSection>(), (std::array { StorageSection::systemJunk, StorageSection::developerJunk, StorageSection::mailPhotos }));
    EXPECT_EQ(rawValue(StorageSection::developerJunk), "developerJunk");
    EXPECT_EQ(fromRawValue<StorageSection>("mailPhotos"), StorageSection::mailPhotos);
    EXPECT_EQ(storageSectionTitle(StorageSection::mailPhotos), "Mail & Photos");
    EXPECT_EQ(storageSectionSubtitle(StorageSection::systemJunk), "Default-on caches and logs that apps regenerate.");
}

TEST(StorageCategory, RiskBadgesReadAndColourByGrade)
{
    EXPECT_EQ(riskBadge(StorageCategory::Risk::low).text, "Low risk");
    EXPECT_TRUE(riskBadge(StorageCategory::Risk::low).usesSecondaryTextColor);
    EXPECT_EQ(riskBadge(StorageCategory::Risk::medium).text, "Medium risk");
    EXPECT_EQ(riskBadge(StorageCategory::Risk::medium).color, SystemColor::orange);
    EXPECT_EQ(riskBadge(StorageCategory::Risk::high).text, "High risk");
    EXPECT_EQ(riskBadge(StorageCategory::Risk::high).color, SystemColor::red);
}

}  // namespace
}  // namespace lopewell
