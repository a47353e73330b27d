#include "app/apps/apps_view_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "tests/app/apps/apps_fixture.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::makeBundle;
using testing::writeFile;

InstalledApp app(const std::string& name, const std::string& id, AppSource source, std::uint64_t size)
{
    return InstalledApp { "/Applications/" + name + ".app", id, name, "1.0", size, source, std::nullopt };
}

// Sources whose scans answer what the test set, and whose first scan may wait to be cancelled.
class FakeSources final : public AppSources {
public:
    std::vector<AppSource> sources() const override { return { AppSource::apple, AppSource::appStore, AppSource::other }; }
    AppPicking picking() const override { return { { "app" }, true, {} }; }

    std::vector<InstalledApp> scanApps(std::stop_token stop) const override
    {
        const int call = ++scans;
        if (call == 1 && blockFirstScan) {
            while (!stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return { app("Stale", "x.stale", AppSource::other, 1) };
        }
        std::lock_guard lock(mutex);
        return apps;
    }
    std::optional<AppLeftoverResult> scanLeftovers(const fs::path& target, const std::vector<InstalledApp>&, std::stop_token) const override
    {
        std::lock_guard lock(mutex);
        inspected.push_back(target);
        return leftovers;
    }
    RemovalOutcome remove(const AppLeftoverResult&, const std::vector<StorageItem>& chosen) const override
    {
        std::lock_guard lock(mutex);
        removed = pathsOf(chosen);
        RemovalOutcome outcome;
        for (const StorageItem& item : chosen)
            markGone(outcome, item.path);
        return outcome;
    }

    mutable std::mutex mutex;
    mutable std::atomic<int> scans = 0;
    bool blockFirstScan = false;
    std::vector<InstalledApp> apps;
    std::optional<AppLeftoverResult> leftovers;
    mutable std::vector<fs::path> inspected;
    mutable std::vector<std::string> removed;
};

class AppsViewModelTest : public ::testing::Test {
protected:
    AppsViewModelTest()
    {
        sources->apps
            = { app("Alpha", "com.example.alpha", AppSource::other, 1000), app("Books", "com.apple.iBooksX", AppSource::apple, 2000),
                  app("Keynote", "com.apple.Keynote", AppSource::appStore, 3000), app("Mail", "com.apple.mail", AppSource::apple, 4000) };
    }

    void settle(const std::function<bool()>& done) { ASSERT_TRUE(executor.runUntil(done)); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> names;
        for (const InstalledApp& app : model->filteredApps())
            names.push_back(app.name);
        return names;
    }

    ManualExecutor executor;
    std::shared_ptr<FakeSources> sources = std::make_shared<FakeSources>();
    std::optional<fs::path> chooserAnswer;
    std::unique_ptr<AppsViewModel> model = std::make_unique<AppsViewModel>(AppsViewModel::Environment {
        executor, sources, platformWords(HostFlavour::macOS), [this](const AppPicking&, std::string_view) { return chooserAnswer; } });
};

TEST_F(AppsViewModelTest, ShowingScansOnlyAnEmptyListAndANewScanReplacesARunningOne)
{
    sources->blockFirstScan = true;
    model->shown();
    EXPECT_TRUE(model->isScanning());
    EXPECT_EQ(model->placeholderText(), "Scanning /Applications…");
    model->refresh();  // cancels the first, which would have answered "Stale"
    settle([&] { return !model->isScanning(); });
    EXPECT_EQ(names(), (std::vector<std::string> { "Alpha", "Books", "Keynote", "Mail" }));
    EXPECT_EQ(sources->scans, 2);
    model->shown();
    executor.runUntilIdle();
    EXPECT_EQ(sources->scans, 2);
    EXPECT_FALSE(model->isScanning());
}

TEST_F(AppsViewModelTest, FiltersBySourceAndByTrimmedCaseInsensitiveSearchOfNameOrIdentifier)
{
    model->refresh();
    settle([&] { return !model->isScanning(); });
    const struct {
        std::optional<AppSource> source;
        const char* search;
        std::vector<std::string> names;
    } cases[] = {
        { std::nullopt, "  ", { "Alpha", "Books", "Keynote", "Mail" } },
        { AppSource::apple, "  \n", { "Books", "Mail" } },
        { std::nullopt, "KEY", { "Keynote" } },
        { std::nullopt, "key", { "Keynote" } },
        { std::nullopt, " COM.APPLE.", { "Books", "Keynote", "Mail" } },
        { AppSource::apple, "ibooks", { "Books" } },
        { AppSource::other, "mail", {} },
    };
    for (const auto& c : cases) {
        model->setFilterSource(c.source);
        model->setSearchText(c.search);
        EXPECT_EQ(names(), c.names) << c.search;
    }
    EXPECT_EQ(model->placeholderText(), "No apps match this filter.");

    model->setFilterSource(AppSource::apple);
    model->setSearchText("mail");
    EXPECT_EQ(model->summaryText(), "1 app · 4 KB on disk");
    model->setSearchText("");
    EXPECT_EQ(model->summaryText(), "2 apps · 6 KB on disk");
    EXPECT_EQ(model->subtitleText(), "4 apps installed · drag a .app onto the tile below or click a row to find every file it stashed.");
    using Chip = AppsViewModel::SourceChip;
    EXPECT_EQ(model->chips(),
        (std::vector<Chip> { { "All", 4, std::nullopt, false }, { "Apple", 2, AppSource::apple, true },
            { "App Store", 1, AppSource::appStore, false }, { "Other", 1, AppSource::other, false } }));
    EXPECT_EQ(AppsViewModel::row(sources->apps[2]), (AppsViewModel::Row { "Keynote", "v1.0", "App Store", "3 KB" }));
}

TEST_F(AppsViewModelTest, ADropInspectsTheFirstBundleInAnyCaseAndRefusesEverythingElse)
{
    sources->leftovers = AppLeftoverResult { "/Applications/Loud.APP", "Loud", "x.loud", { { "/Applications/Loud.APP", 10 } }, 10 };
    EXPECT_FALSE(model->drop({ "/tmp/readme.txt", "/tmp/notes.md" }));
    EXPECT_TRUE(model->drop({ "/tmp/readme.txt", "/Applications/Loud.APP/", "/Applications/Other.app" }));
    EXPECT_TRUE(model->uninstallerScanning());
    settle([&] { return !model->uninstallerScanning(); });
    EXPECT_EQ(sources->inspected, std::vector<fs::path> { "/Applications/Loud.APP" });
    ASSERT_TRUE(model->inspectorTarget());
    EXPECT_EQ(model->inspectorTarget()->appName, "Loud");
}

TEST_F(AppsViewModelTest, ABundleThatCannotBeReadShowsTheErrorNamingIt)
{
    chooserAnswer = "/Volumes/Disk/NoID.app";
    model->chooseApp();
    settle([&] { return !model->uninstallerScanning(); });
    EXPECT_FALSE(model->inspectorTarget());
    EXPECT_EQ(model->uninstallerError(), "We couldn't read NoID.app's bundle identifier. Pick a different .app and try again.");
    model->clearUninstallerError();
    EXPECT_FALSE(model->uninstallerError());
}

TEST_F(AppsViewModelTest, TheSheetStartsWithEverythingChosenLargestFirstAndRemovesOnlyWhatIsConfirmed)
{
    sources->leftovers = AppLeftoverResult { "/Applications/Notes.app", "Notes", "x.notes",
        { { "/Applications/Notes.app", 100 }, { "/L/Caches/x.notes", 900 }, { "/L/Preferences/x.notes.plist", 5 } }, 1005 };
    model->inspect("/Applications/Notes.app");
    settle([&] { return model->inspectorTarget().has_value(); });
    std::unique_ptr<CategoryInspectorModel> inspector = model->makeInspector();
    EXPECT_EQ(inspector->options().title, "Uninstall Notes");
    EXPECT_FALSE(inspector->options().staysOpen);
    EXPECT_FALSE(inspector->offersTrashAll());
    EXPECT_FALSE(inspector->options().permanentDelete);
    EXPECT_EQ(inspector->selectedCount(), 3u);
    EXPECT_EQ(inspector->sortedItems().front().path, "/L/Caches/x.notes");

    inspector->setSelection({ "/Applications/Notes.app" });
    inspector->confirm();
    EXPECT_FALSE(model->inspectorTarget());  // closed at once
    EXPECT_FALSE(inspector->isOpen());
    settle([&] { return !model->isRemoving() && !model->isScanning() && !inspector->isCleaning(); });
    EXPECT_EQ(sources->removed, std::vector<std::string> { "/Applications/Notes.app" });
    EXPECT_EQ(sources->scans, 1);  // the list is scanned again
    EXPECT_FALSE(inspector->failure());
}

TEST_F(AppsViewModelTest, NameMatchesStartUnselectedAndSayWhyTheyAreListed)
{
    AppLeftoverResult result { "/usr/share/applications/maps.desktop", "Maps", "maps",
        { { "/usr/share/applications/maps.desktop", 50 }, { "/home/a/.var/app/maps", 40 }, { "/home/a/.config/Maps", 30 } }, 120 };
    result.nameMatches["/home/a/.config/Maps"] = "named like \"maps\"";
    result.removal = AppRemovalKind::package;
    result.removalNote = "The package maps is removed through PackageKit.";
    const CategoryInspectorModel::Options options = AppsViewModel::inspectorOptions(result);
    EXPECT_EQ(options.defaultSelection, (std::set<std::string> { "/usr/share/applications/maps.desktop", "/home/a/.var/app/maps" }));
    EXPECT_EQ(options.note, result.removalNote);
    const std::vector<StorageItem> items = AppsViewModel::inspectorItems(result);
    EXPECT_EQ(items[0].name(), "Maps (removed by PackageKit)");
    EXPECT_EQ(items[1].name(), "maps");
    EXPECT_EQ(items[2].name(), "Maps — named like \"maps\"");
}

TEST(AppsUninstallTest, AMacOSTreeMovesExactlyTheConfirmedItemsToTheTrash)
{
    testing::TempDir dir;
    const fs::path home = dir / "Users/ann";
    const HostLayout layout = HostLayout::forTesting(dir.path(), home, 501, "ann", HostFlavour::macOS);
    const fs::path bundle = makeBundle(dir / "Applications/Notes.app", "com.example.notes");
    writeFile(home / "Library/Caches/com.example.notes/c", "c");
    writeFile(home / "Library/Preferences/com.example.notes.plist", "p");
    std::vector<std::string> trashed;
    ManualExecutor executor;
    AppsViewModel model(AppsViewModel::Environment { executor,
        appSourcesFor(layout,
            [&](const std::vector<std::string>& paths) {
                trashed = paths;
                RemovalOutcome outcome;
                markGone(outcome, paths.front());
                mergeOutcome(outcome, failedOutcome({ paths.begin() + 1, paths.end() }, "locked"));
                return outcome;
            }),
        platformWords(HostFlavour::macOS), {} });
    model.refresh();
    ASSERT_TRUE(executor.runUntil([&] { return !model.isScanning(); }));
    ASSERT_EQ(model.apps().size(), 1u);
    model.inspect(model.apps()[0].url);
    ASSERT_TRUE(executor.runUntil([&] { return !model.uninstallerScanning(); }));
    std::unique_ptr<CategoryInspectorModel> inspector = model.makeInspector();
    ASSERT_TRUE(inspector);
    EXPECT_EQ(inspector->totalCount(), 3);
    inspector->setSelection({ bundle.native(), (home / "Library/Preferences/com.example.notes.plist").native() });
    inspector->confirm();
    ASSERT_TRUE(executor.runUntil([&] { return !inspector->isCleaning() && !model.isScanning(); }));
    std::sort(trashed.begin(), trashed.end());
    EXPECT_EQ(trashed, (std::vector<std::string> { bundle.native(), (home / "Library/Preferences/com.example.notes.plist").native() }));
    ASSERT_TRUE(inspector->failure());
    EXPECT_EQ(inspector->failure()->failedCount, 1);
    EXPECT_EQ(inspector->failure()->error, "locked");
}

}  // namespace
}  // namespace lopewell
