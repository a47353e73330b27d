#include "app/screenshots/ui/storage_screenshots.h"

#include <QApplication>
#include <QMessageBox>
#include <QTableView>
#include <QTemporaryDir>
#include <map>

#include "app/common/category_inspector_model.h"
#include "app/common/ui/category_inspector_sheet.h"
#include "app/shell/ui/main_window.h"
#include "app/shell/ui/qt_executor.h"
#include "app/storage/storage_view_model.h"
#include "app/storage/ui/storage_view.h"
#include "core/concurrency/executor.h"

namespace lopewell {

namespace {

// 10 Dec 2026, 12:53 UTC.
Date fixtureNow()
{
    return dateFromSecondsSinceReferenceDate(818'600'000);
}

// A cache folder as a browser and two editors leave it: many files, a few large ones.
std::vector<StorageItem> cacheItems(size_t count, const std::string& base = "/home/alice/Library/Caches/")
{
    const char* const folders[] = { "com.example.Browser/Cache_Data", "Code/CachedData", "org.example.Editor/GPUCache" };
    std::vector<StorageItem> items;
    uint64_t seed = 7;
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        StorageItem item;
        item.path = base + folders[i % 3] + "/f_" + std::to_string(100000 + i);
        // A few megabytes at the top, most files a few kilobytes.
        item.size = (i % 97 == 0 ? (seed >> 40) % 90'000'000 : (seed >> 44) % 400'000) + 4096;
        item.modificationDate = fixtureNow() - std::chrono::seconds((seed >> 20) % (86400 * 40));
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<StorageItem> trashItems(const std::string& base = "/home/alice/.Trash/")
{
    std::vector<StorageItem> items;
    const char* const names[]
        = { "Screen Recording 2026-11-02.mov", "old-backup.tar.gz", "IMG_4031.HEIC", "notes draft.txt", "Untitled folder" };
    uint64_t size = 1'900'000'000;
    for (const char* name : names) {
        StorageItem item;
        item.path = base + name;
        item.size = size;
        item.modificationDate = fixtureNow() - std::chrono::hours(size % 500);
        items.push_back(std::move(item));
        size /= 7;
    }
    return items;
}

// The sheet as the owner opens it for a category, optionally with a removal running.
QImage inspectorSheet(std::string title, std::vector<StorageItem> items, bool permanentDelete, bool cleaning, HostFlavour flavour)
{
    CategoryInspectorModel::Options options;
    options.words = platformWords(flavour);
    options.title = std::move(title);
    options.offersTrashAll = true;
    options.permanentDelete = permanentDelete;
    CategoryInspectorModel model(options, std::move(items), [](std::vector<StorageItem>, CategoryInspectorModel::RemoveDone) {});
    CategoryInspectorSheet sheet(model);
    if (!cleaning) {
        // One row deselected, as after a Ctrl-click.
        auto selection = model.selection();
        selection.erase(model.sortedItems().at(1).path);
        model.setSelection(selection);
    } else {
        model.confirm();
    }
    sheet.show();
    return sheet.grab().toImage();
}

QImage confirmation(bool permanentDelete)
{
    CategoryInspectorModel::Options options;
    options.title = permanentDelete ? "Trash" : "User Caches";
    options.offersTrashAll = true;
    options.permanentDelete = permanentDelete;
    CategoryInspectorModel model(
        options, permanentDelete ? trashItems() : cacheItems(2500), [](std::vector<StorageItem>, CategoryInspectorModel::RemoveDone) {});
    CategoryInspectorSheet sheet(model);
    sheet.show();
    QMessageBox* box = permanentDelete ? sheet.askToConfirm() : sheet.askToConfirmAll();
    QApplication::processEvents();
    return box->grab().toImage();
}

// Scans that replay fixed results instead of reading the disk; a category without a script
// stays scanning until the picture is taken.
class ScriptedScans {
public:
    void script(std::string id, std::vector<StorageScanProgress> values) { m_scripts[std::move(id)] = std::move(values); }

    Stream<StorageScanProgress> scan(const StorageCategory& category)
    {
        auto [producer, stream] = Stream<StorageScanProgress>::makePair();
        auto script = m_scripts.find(category.id);
        if (script == m_scripts.end()) {
            producer.yield(StorageScanning { 1840, 412'000'000 });
            m_running.push_back(std::make_unique<StreamProducer<StorageScanProgress>>(std::move(producer)));
        } else {
            for (const StorageScanProgress& value : script->second)
                producer.yield(value);
            producer.finish();
        }
        return std::move(stream);
    }

private:
    std::map<std::string, std::vector<StorageScanProgress>> m_scripts;
    std::vector<std::unique_ptr<StreamProducer<StorageScanProgress>>> m_running;
};

StorageScanComplete complete(std::vector<StorageItem> items, std::vector<std::string> skipped = {})
{
    uint64_t total = 0;
    for (const StorageItem& item : items)
        total += item.size;
    return { std::move(items), total, std::move(skipped) };
}

// Rows named as a Linux scan names them: one per cache entry, profile, app or trashed item.
std::vector<StorageItem> namedRows(const std::string& base, std::initializer_list<std::pair<const char*, uint64_t>> rows)
{
    std::vector<StorageItem> items;
    for (const auto& [name, size] : rows)
        items.push_back({ .path = base + name, .size = size, .modificationDate = fixtureNow() - std::chrono::hours(size % 300) });
    return items;
}

void scriptLinuxScans(ScriptedScans& scans)
{
    scans.script("linux.userCaches",
        { complete(namedRows("/home/alice/.cache/",
            { { "spotify", 1'240'000'000 }, { "pip-tools", 96'000'000 }, { "gnome-software", 412'000'000 }, { "tracker3", 88'000'000 },
                { "gstreamer-1.0", 2'100'000 }, { "fontconfig-old", 1'900'000 }, { "yay", 2'300'000'000 },
                { "event-sound-cache.tdb.x86_64-pc-linux-gnu", 24'000 } })) });
    scans.script("linux.thumbnails",
        { complete(
            namedRows("/home/alice/.cache/thumbnails/", { { "normal", 61'000'000 }, { "large", 148'000'000 }, { "fail", 120'000 } })) });
    scans.script("linux.trash", { complete(trashItems("/home/alice/.local/share/Trash/files/")) });
    scans.script("linux.userLogs", { StorageScanMissing { "/home/alice/.xsession-errors" }, complete({}) });
    scans.script("linux.crashReports", { StorageScanMissing { "/home/alice/.mozilla/firefox/Crash Reports" }, complete({}) });
    std::vector<StorageItem> browsers = namedRows("/home/alice/.cache/mozilla/firefox/", { { "x7k2m9qa.default-release", 712'000'000 } });
    browsers.front().displayName = "Firefox · x7k2m9qa.default-release";
    scans.script("linux.browserCaches", { complete(std::move(browsers), { "Google Chrome is running" }) });
    scans.script("linux.flatpakCaches",
        { complete(namedRows("/home/alice/.var/app/",
            { { "com.spotify.Client/cache", 830'000'000 }, { "org.gnome.Maps/cache", 54'000'000 },
                { "com.valvesoftware.Steam/cache", 1'020'000'000 } })) });
}

// A Storage view model over a fixture home: a smart scan just done, a few cards scanned, one
// scanning, one whose folder is missing, summaries from an earlier run in the cache.
class StorageFixture {
public:
    StorageFixture(bool accessGranted, HostFlavour flavour)
    {
        const std::string root = m_root.path().toStdString();
        const HostLayout layout = HostLayout::forTesting(root + "/sys", root + "/home", 1000, "alice", flavour);
        const Date scanTime = fixtureNow() - std::chrono::minutes(5);
        StorageScanCache cache(layout);
        const bool macOS = flavour == HostFlavour::macOS;
        cache.save(
            { { macOS ? "dev.xcodeDerivedData" : "linux.buildProducts", { fixtureNow() - std::chrono::hours(26), 8'420'000'000, 14 } },
                { macOS ? "dev.npmCache" : "linux.npmCache", { fixtureNow() - std::chrono::days(3), 1'270'000'000, 5120 } } });
        scriptLinuxScans(m_scans);

        m_scans.script("system.userCaches", { complete(cacheItems(2500)) });
        m_scans.script("system.userLogs", { StorageScanning { 500, 20'000'000 }, complete(cacheItems(120)) });
        m_scans.script("system.trash", { complete(trashItems()) });
        m_scans.script("dev.xcodeDocumentationCache",
            { StorageScanMissing { "/home/alice/Library/Developer/Xcode/DocumentationCache" }, complete({}) });
        m_model = std::make_unique<StorageViewModel>(StorageViewModel::Environment {
            .executor = m_executor,
            .categories = buildStorageCatalogue(layout),
            .cache = cache,
            .scan = [this](const StorageCategory& category) { return m_scans.scan(category); },
            .probeFullDiskAccess = [accessGranted] { return accessGranted; },
            .now = [scanTime] { return scanTime; },
            // Nothing is removed while the pictures are taken; the answer is never delivered.
            .moveToTrash = [](const std::vector<std::string>&) { return TrashService::Outcome {}; },
            .words = platformWords(flavour),
        });
        if (accessGranted) {
            m_model->startSmartScan();
            m_executor.runUntilIdle();
        }
        if (macOS) {
            m_model->startScan("dev.xcodeDocumentationCache");
            m_model->startScan("dev.xcodeArchives");
        } else {
            m_model->startScan("linux.jetbrainsCaches");
        }
        m_executor.runUntilIdle();
        if (accessGranted && macOS)
            m_model->clean("system.userLogs", { "/home/alice/Library/Logs/f_100000" });
    }

    StorageView* makeView()
    {
        return new StorageView(*m_model, StorageScreenModel::cleaningThrough(*m_model), {}, [] { return fixtureNow(); });
    }

private:
    QTemporaryDir m_root;
    ScriptedScans m_scans;
    ManualExecutor m_executor;
    std::unique_ptr<StorageViewModel> m_model;
};

QImage storageSection(bool accessGranted, HostFlavour flavour)
{
    StorageFixture fixture(accessGranted, flavour);
    std::unique_ptr<StorageView> view(fixture.makeView());
    view->resize(900, flavour == HostFlavour::linuxDesktop ? 1880 : accessGranted ? 1780 : 1850);
    view->show();
    QApplication::processEvents();
    return view->grab().toImage();
}

// The section as the main window shows it, scrolled to the top.
QImage mainWindowStorage(HostFlavour flavour)
{
    StorageFixture fixture(true, flavour);
    QtExecutor executor;
    NavigationModel navigation(executor);
    navigation.select(SidebarTab::storage);
    MainWindow window(navigation);
    window.setSectionWidget(SidebarTab::storage, fixture.makeView());
    window.show();
    QApplication::processEvents();
    return window.grab().toImage();
}

}  // namespace

std::vector<NamedScreenshot> storageScreenshots()
{
    std::vector<NamedScreenshot> shots;
    using enum HostFlavour;
    shots.push_back({ "storage.png", storageSection(true, linuxDesktop) });
    shots.push_back({ "storage-macos.png", storageSection(true, macOS) });
    shots.push_back({ "storage-no-access-macos.png", storageSection(false, macOS) });
    shots.push_back({ "main-window-storage.png", mainWindowStorage(linuxDesktop) });
    shots.push_back({ "main-window-storage-macos.png", mainWindowStorage(macOS) });
    shots.push_back(
        { "storage-inspector.png", inspectorSheet("User Caches", cacheItems(2500, "/home/alice/.cache/"), false, false, linuxDesktop) });
    shots.push_back({ "storage-inspector-macos.png", inspectorSheet("User Caches", cacheItems(2500), false, false, macOS) });
    shots.push_back({ "storage-inspector-trash-deleting.png", inspectorSheet("Trash", trashItems(), true, true, macOS) });
    shots.push_back({ "storage-confirm-trash-all.png", confirmation(false) });
    shots.push_back({ "storage-confirm-delete.png", confirmation(true) });
    return shots;
}

}  // namespace lopewell
