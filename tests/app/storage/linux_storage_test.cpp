// The Linux desktop's catalogue scanned over a fixture home laid out like one, each row checked
// against an independent count of the bytes below it.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

#include "app/storage/linux_storage_scan.h"
#include "app/storage/storage_category.h"
#include "app/storage/storage_scanner.h"
#include "tests/app/common/storage_test_printers.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

// du's count: allocated bytes of everything below, each inode once, links not followed.
std::uint64_t independentCount(const fs::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return 0;
    std::uint64_t total = S_ISDIR(info.st_mode) ? 0 : std::uint64_t(info.st_blocks) * 512;
    if (S_ISDIR(info.st_mode)) {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path)) {
            if (::lstat(entry.path().c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
                total += std::uint64_t(info.st_blocks) * 512;
        }
    }
    return total;
}

struct Scanned {
    StorageScanComplete complete;
    std::vector<fs::path> missing;
};

Scanned scan(const StorageCategory& category)
{
    Scanned scanned;
    Stream<StorageScanProgress> stream = StorageScanner().scan(category);
    while (std::optional<StorageScanProgress> value = stream.next()) {
        if (auto* complete = std::get_if<StorageScanComplete>(&*value))
            scanned.complete = std::move(*complete);
        else if (auto* missing = std::get_if<StorageScanMissing>(&*value))
            scanned.missing.push_back(missing->path);
    }
    return scanned;
}

// Row label → path, size.
std::map<std::string, std::pair<fs::path, std::uint64_t>> rows(const StorageScanComplete& complete)
{
    std::map<std::string, std::pair<fs::path, std::uint64_t>> found;
    for (const StorageItem& item : complete.items)
        found[item.name()] = { item.path, item.size };
    return found;
}

class LinuxStorageTest : public ::testing::Test {
protected:
    LinuxStorageTest()
    {
        // Caches of several apps, some of which stay or belong to other rows.
        writeFile(home / ".cache/app-a/blob", std::string(10'000, 'a'));
        writeFile(home / ".cache/app-b.bin", std::string(5'000, 'b'));
        writeFile(home / ".cache/keepassxc/keepassxc.ini", "LastDatabase=/home/ada/vault.kdbx");
        writeFile(home / ".cache/doc/by-app/x", "portal");
        writeFile(home / ".cache/plasma_theme_default.kcache", "k");
        writeFile(home / ".cache/mesa_shader_cache/index", std::string(3'000, 'm'));
        writeFile(home / ".cache/thumbnails/normal/a.png", std::string(7'000, 't'));
        writeFile(home / ".cache/thumbnails/large/b.png", std::string(9'000, 't'));
        fs::create_symlink("/etc", home / ".cache/link-out");
        // Browsers: Firefox idle, Chrome running.
        writeFile(home / ".cache/mozilla/firefox/abcd.default-release/cache2/entries/1", std::string(20'000, 'f'));
        writeFile(home / ".cache/google-chrome/Default/Cache/Cache_Data/1", std::string(30'000, 'c'));
        fs::create_directories(home / ".config/google-chrome");
        fs::create_symlink("host-4242", home / ".config/google-chrome/SingletonLock");
        // A Trash with an odd name, an item without its information and information without its item.
        writeFile(home / ".local/share/Trash/files/report.pdf", std::string(12'000, 'r'));
        writeFile(home / ".local/share/Trash/info/report.pdf.trashinfo",
            "[Trash Info]\nPath=/home/ada/My%20Report.pdf\nDeletionDate=2026-12-01T09:30:00\n");
        writeFile(home / ".local/share/Trash/files/photos/1.jpg", std::string(8'000, 'p'));
        writeFile(home / ".local/share/Trash/files/photos/2.jpg", std::string(8'000, 'p'));
        writeFile(home / ".local/share/Trash/info/photos.trashinfo", "[Trash Info]\nPath=/home/ada/Pictures/Holiday\n");
        writeFile(home / ".local/share/Trash/files/line\nbreak", "x");
        writeFile(home / ".local/share/Trash/info/gone.txt.trashinfo", "[Trash Info]\nPath=/home/ada/gone.txt\n");
        writeFile(home / ".local/share/Trash/info/bad.trashinfo", "[Trash Info]\nPath=%zz\n");
        writeFile(home / ".local/share/Trash/files/bad", "b");
        // Three projects with build folders, one hidden, one inside another project.
        writeFile(home / "code/rusty/Cargo.toml", "[package]");
        writeFile(home / "code/rusty/target/debug/app", std::string(40'000, 'x'));
        writeFile(home / "code/rusty/nested/Cargo.toml", "[package]");
        writeFile(home / "code/rusty/nested/target/x", "x");
        writeFile(home / "code/web/package.json", "{}");
        writeFile(home / "code/web/node_modules/lib/index.js", std::string(6'000, 'j'));
        writeFile(home / "code/native/CMakeLists.txt", "project(n)");
        writeFile(home / "code/native/build/main.o", std::string(4'000, 'o'));
        writeFile(home / "code/native/src/build/keep.c", "int x;");  // not beside the marker
        writeFile(home / ".hidden/proj/Cargo.toml", "[package]");
        writeFile(home / ".hidden/proj/target/x", std::string(4'000, 'h'));
        writeFile(home / "package.json", "{}");  // the home folder itself is no project
        fs::create_directories(home / "node_modules/x");
        // Developer caches.
        writeFile(home / ".cache/pip/http-v2/a", std::string(2'000, 'p'));
        writeFile(home / ".npm/_cacache/index", std::string(2'000, 'n'));
        writeFile(home / ".cargo/registry/cache/index.crates.io/serde.crate", std::string(2'000, 's'));
        writeFile(home / ".cargo/config.toml", "[build]");
    }

    const StorageCategory& category(std::string_view id)
    {
        const StorageCategory* found = findStorageCategory(catalogue, id);
        EXPECT_NE(found, nullptr) << id;
        static const StorageCategory none;
        return found ? *found : none;
    }

    TempDir dir;
    const fs::path home = dir / "home/ada";
    const HostLayout layout = HostLayout::forTesting(dir / "sys", home, ::getuid(), "ada", HostFlavour::linuxDesktop);
    const std::vector<StorageCategory> catalogue = buildStorageCatalogue(layout);
};

TEST_F(LinuxStorageTest, TheCatalogueIsTheLinuxOneWithItsSmartCategories)
{
    std::vector<std::string> smart;
    for (const StorageCategory& each : catalogue) {
        EXPECT_TRUE(each.id.starts_with("linux.")) << each.id;
        if (each.defaultEnabled)
            smart.push_back(each.id);
    }
    EXPECT_EQ(smart,
        (std::vector<std::string> { "linux.userCaches", "linux.thumbnails", "linux.trash", "linux.userLogs", "linux.crashReports",
            "linux.browserCaches", "linux.flatpakCaches" }));
    EXPECT_TRUE(isTrashCategory(category("linux.trash")));
    EXPECT_EQ(HostLayout::forTesting(dir / "sys", home, 1, "ada", HostFlavour::macOS).flavour(), HostFlavour::macOS);
    EXPECT_TRUE(
        buildStorageCatalogue(HostLayout::forTesting(dir / "sys", home, 1, "ada", HostFlavour::macOS)).front().id == "system.userCaches");
}

TEST_F(LinuxStorageTest, UserCachesAreOneRowPerEntryLessWhatStaysAndWhatOthersOwn)
{
    const Scanned scanned = scan(category("linux.userCaches"));
    const auto found = rows(scanned.complete);
    std::vector<std::string> labels;
    for (const auto& [label, row] : found)
        labels.push_back(label);
    EXPECT_EQ(labels, (std::vector<std::string> { "app-a", "app-b.bin" }));
    for (const auto& [label, row] : found)
        EXPECT_EQ(row.second, independentCount(row.first)) << label;
    EXPECT_EQ(scanned.complete.totalBytes, independentCount(home / ".cache/app-a") + independentCount(home / ".cache/app-b.bin"));
}

TEST_F(LinuxStorageTest, TrashRowsAreTheTrashedItemsByTheirOriginalNamesAndTheOrphanedInformation)
{
    const Scanned scanned = scan(category("linux.trash"));
    const fs::path trash = home / ".local/share/Trash";
    const auto found = rows(scanned.complete);
    const std::map<std::string, fs::path> expected {
        { "My Report.pdf", trash / "files/report.pdf" },
        { "Holiday", trash / "files/photos" },
        { "line\nbreak", trash / "files/line\nbreak" },  // no information: its own name
        { "bad", trash / "files/bad" },                  // information that does not parse
        { "gone.txt", trash / "info/gone.txt.trashinfo" },
    };
    ASSERT_EQ(found.size(), expected.size());
    for (const auto& [label, path] : expected) {
        ASSERT_TRUE(found.contains(label)) << label;
        EXPECT_EQ(found.at(label).first, path) << label;
        EXPECT_EQ(found.at(label).second, independentCount(path)) << label;
    }
}

TEST_F(LinuxStorageTest, BrowserCachesAreOneRowPerProfileAndNoneOfARunningBrowser)
{
    const Scanned scanned = scan(category("linux.browserCaches"));
    const auto found = rows(scanned.complete);
    ASSERT_EQ(found.size(), 1u);
    const fs::path profile = home / ".cache/mozilla/firefox/abcd.default-release";
    EXPECT_EQ(found.begin()->first, "Firefox · abcd.default-release");
    EXPECT_EQ(found.begin()->second, std::pair(profile, independentCount(profile)));
    EXPECT_EQ(scanned.complete.skipped, (std::vector<std::string> { "Google Chrome is running" }));

    // A running Firefox holds a lock in its profile folder.
    fs::create_directories(home / ".mozilla/firefox/abcd.default-release");
    fs::create_symlink("host:+4242", home / ".mozilla/firefox/abcd.default-release/lock");
    EXPECT_TRUE(scan(category("linux.browserCaches")).complete.items.empty());
}

TEST_F(LinuxStorageTest, BuildFoldersAreFoundBesideTheirMarkersOnly)
{
    const auto found = rows(scan(category("linux.buildProducts")).complete);
    const std::map<std::string, fs::path> expected {
        { "rusty · target", home / "code/rusty/target" },
        { "web · node_modules", home / "code/web/node_modules" },
        { "native · build", home / "code/native/build" },
    };
    ASSERT_EQ(found.size(), expected.size());
    for (const auto& [label, path] : expected) {
        ASSERT_TRUE(found.contains(label)) << label;
        EXPECT_EQ(found.at(label), std::pair(path, independentCount(path))) << label;
    }
}

TEST_F(LinuxStorageTest, DeveloperCachesFollowTheirDefaultsAndLinksAreMissingNeverFollowed)
{
    const auto pip = rows(scan(category("linux.pipCache")).complete);
    ASSERT_EQ(pip.size(), 1u);
    EXPECT_EQ(pip.begin()->second.first, home / ".cache/pip/http-v2");
    const auto cargo = rows(scan(category("linux.cargoCache")).complete);
    ASSERT_EQ(cargo.size(), 1u);
    EXPECT_EQ(cargo.at("registry/cache").first, home / ".cargo/registry/cache");

    fs::rename(home / ".npm", home / "npm-real");
    fs::create_symlink(home / "npm-real", home / ".npm");
    const Scanned npm = scan(category("linux.npmCache"));
    EXPECT_TRUE(npm.complete.items.empty());
    EXPECT_EQ(npm.missing, (std::vector<fs::path> { home / ".npm" }));
}

TEST(LinuxStorageCatalogue, VariablesMoveTheToolsPlacesAndRelativeOnesAreIgnored)
{
    HostLayout::Fields fields;
    fields.home = "/home/ada";
    fields.flavour = HostFlavour::linuxDesktop;
    fields.environment = { { "CARGO_HOME", "/opt/cargo" }, { "PIP_CACHE_DIR", "pip-relative" }, { "GOPATH", "/srv/go:/other" },
        { "XDG_CACHE_HOME", "/ignored-here" } };
    fields.cacheHome = "/var/cache-ada";
    const std::vector<StorageCategory> catalogue = buildStorageCatalogue(HostLayout(fields));
    EXPECT_EQ(findStorageCategory(catalogue, "linux.cargoCache")->paths.front(), fs::path("/opt/cargo/registry/cache"));
    EXPECT_EQ(findStorageCategory(catalogue, "linux.pipCache")->paths, (std::vector<fs::path> { "/var/cache-ada/pip" }));
    EXPECT_EQ(findStorageCategory(catalogue, "linux.goModCache")->paths, (std::vector<fs::path> { "/srv/go/pkg/mod" }));
    EXPECT_EQ(findStorageCategory(catalogue, "linux.userCaches")->paths, (std::vector<fs::path> { "/var/cache-ada" }));
}

TEST(LinuxStorageProjects, MarkersNameTheirBuildFolders)
{
    const std::pair<const char*, std::vector<std::string_view>> cases[] = {
        { "Cargo.toml", { "target" } },
        { "CMakeLists.txt", { "build", "cmake-build-debug", "cmake-build-release" } },
        { "App.csproj", { "bin", "obj" } },
        { "README.md", {} },
        { "cargo.toml", {} },
    };
    for (const auto& [marker, folders] : cases) {
        const auto found = buildFoldersForMarker(marker);
        EXPECT_EQ(std::vector<std::string_view>(found.begin(), found.end()), folders) << marker;
    }
}

}  // namespace
}  // namespace lopewell
