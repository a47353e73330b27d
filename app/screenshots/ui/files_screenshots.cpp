#include "app/screenshots/ui/files_screenshots.h"

#include <QApplication>
#include <QTemporaryDir>

#include "app/common/ui/category_inspector_sheet.h"
#include "app/files/ui/files_view.h"
#include "core/concurrency/executor.h"
#include "platform/user_defaults.h"

namespace lopewell {

namespace {

namespace fs = std::filesystem;

// 10 Dec 2026, 12:53 UTC.
Date fixtureNow()
{
    return dateFromSecondsSinceReferenceDate(818'600'000);
}

std::vector<StorageItem> largeItems()
{
    const char* const names[] = { "Videos/Conference 2026 keynote.mov", "Downloads/debian-12.8.0-amd64-DVD-1.iso", "VMs/windows-11.qcow2",
        "Music/Live at the Roundhouse (FLAC).zip", "Downloads/dataset-2026-10.tar.zst", "Pictures/Export/panorama-full.tif" };
    std::vector<StorageItem> items;
    std::uint64_t size = 7'400'000'000;
    for (const char* name : names) {
        items.push_back({ .path = std::string("/home/alice/") + name,
            .size = size,
            .modificationDate = fixtureNow() - std::chrono::hours(size % 9000) });
        size = size * 5 / 8;
    }
    return items;
}

DuplicateGroup group(const char* id, std::uint64_t size, std::vector<std::string> files)
{
    return { id, size, std::move(files) };
}

std::vector<DuplicateGroup> duplicateGroups()
{
    return {
        group("3f9a1c5e0b7d2a4c6e8f0a1b2c3d4e5f60718293a4b5c6d7e8f901234567890a", 734'003'200,
            { "/home/alice/Videos/holiday.mp4", "/home/alice/Downloads/holiday.mp4", "/home/alice/Desktop/old/holiday (1).mp4" }),
        group("b71e44d09c2a5f3e8d1b6a7c9e0f2d4b6a8c0e2f4a6b8c0d2e4f6a8b0c2d4e6f", 268'435'456,
            { "/home/alice/ISO/tools.img", "/home/alice/Downloads/tools.img" }),
        group("0c4d8e2f6a1b5c9d3e7f1a5b9c3d7e1f5a9b3c7d1e5f9a3b7c1d5e9f3a7b1c5d", 52'428'800,
            { "/home/alice/Pictures/scan-0001.pdf", "/home/alice/Documents/Taxes/scan-0001.pdf" }),
        group("e5a6b7c8d9e0f1a2b3c4d5e6f7a8b9c0d1e2f3a4b5c6d7e8f9a0b1c2d3e4f5a6", 8'912'896,
            { "/home/alice/Music/intro.wav", "/home/alice/Projects/podcast/assets/intro.wav" }),
    };
}

struct Fixture {
    QTemporaryDir root;
    ManualExecutor executor;
    std::vector<std::unique_ptr<StreamProducer<DuplicateScanProgress>>> running;
    std::shared_ptr<UserDefaults> defaults;
    std::unique_ptr<FilesViewModel> model;

    Fixture()
    {
        const fs::path base = root.path().toStdString();
        const fs::path cacheFile = base / "support/FilesScanCache.json";
        FilesScanSnapshot snapshot;
        const std::vector<StorageItem> large = largeItems();
        std::uint64_t total = 0;
        for (const StorageItem& item : large)
            total += item.size;
        snapshot.largeFiles = FilesScanEntry { large, total, fixtureNow() - std::chrono::minutes(12) };
        snapshot.duplicates
            = DuplicatesScanEntry { duplicateGroups(), totalReclaimableBytes(duplicateGroups()), fixtureNow() - std::chrono::hours(3) };
        FilesScanCache(cacheFile).save(snapshot);
        defaults = UserDefaults::open(base / "config/UserDefaults.json");
        model = std::make_unique<FilesViewModel>(FilesViewModel::Environment {
            executor,
            [](const fs::path&, FilesScanner::Mode) { return Stream<StorageScanProgress>::makePair().second; },
            [this](const fs::path&, std::uint64_t) {
                auto [producer, stream] = Stream<DuplicateScanProgress>::makePair();
                producer.yield(DuplicateScanning { 18'204, 231, 4'812'000'000 });
                running.push_back(std::make_unique<StreamProducer<DuplicateScanProgress>>(std::move(producer)));
                return std::move(stream);
            },
            [](const std::vector<std::string>&) { return RemovalOutcome {}; },
            {},
            [] { return fixtureNow(); },
            cacheFile,
            defaults,
            "/home/alice",
        });
    }
};

QImage pane(FilesSlot slot, bool scanning)
{
    Fixture fixture;
    if (scanning) {
        fixture.model->scan(slot);
        fixture.executor.runUntilIdle();
    }
    FilesView view(*fixture.model, [] { return fixtureNow(); });
    view.showPane(slot);
    view.resize(820, 420);
    view.show();
    QApplication::processEvents();
    return view.grab().toImage();
}

QImage review()
{
    Fixture fixture;
    FilesView view(*fixture.model, [] { return fixtureNow(); });
    view.showPane(FilesSlot::duplicates);
    view.review(FilesSlot::duplicates);
    CategoryInspectorSheet* sheet = view.sheet();
    sheet->show();
    QApplication::processEvents();
    return sheet->grab().toImage();
}

}  // namespace

std::vector<NamedScreenshot> filesScreenshots()
{
    std::vector<NamedScreenshot> shots;
    shots.push_back({ "files-large.png", pane(FilesSlot::largeFiles, false) });
    shots.push_back({ "files-old.png", pane(FilesSlot::oldFiles, false) });
    shots.push_back({ "files-duplicates.png", pane(FilesSlot::duplicates, false) });
    shots.push_back({ "files-duplicates-scanning.png", pane(FilesSlot::duplicates, true) });
    shots.push_back({ "files-review.png", review() });
    return shots;
}

}  // namespace lopewell
