#include "app/screenshots/ui/space_screenshots.h"

#include <QCoreApplication>

#include "app/space/ui/space_view.h"
#include "core/concurrency/executor.h"

namespace lopewell {

namespace {

constexpr uint64_t megabyte = 1'000'000;

DiskNode fixtureHome()
{
    const std::string home = "/home/ada";
    std::vector<DiskNode> library;
    const char* const caches[] = { "Caches", "Containers", "Application Support", "Developer", "Mail", "Logs", "Messages", "Photos",
        "Group Containers", "Safari" };
    for (int i = 0; i < 70; ++i) {
        const std::string name = i < 10 ? caches[i] : "Item " + std::to_string(i);
        const std::string path = home + "/Library/" + name;
        const uint64_t size = uint64_t(9000 * megabyte / uint64_t((i + 1) * (i + 2)) + 3 * megabyte);
        if (i < 10 || i % 3 == 0) {
            library.push_back(DiskNode::directory(path,
                { DiskNode::file(path + "/data.db", size / 2), DiskNode::file(path + "/index", size / 4),
                    DiskNode::file(path + "/backup.db", size / 8), DiskNode::smallFilesAggregate(path, size / 8, 312) }));
        } else {
            library.push_back(DiskNode::file(path, size));
        }
    }
    library.push_back(DiskNode::smallFilesAggregate(home + "/Library", 820 * megabyte, 18'204));
    std::vector<DiskNode> movies;
    for (int i = 0; i < 9; ++i)
        movies.push_back(
            DiskNode::file(home + "/Movies/Holiday " + std::to_string(2016 + i) + ".mov", uint64_t(4'200 - i * 380) * megabyte));
    std::vector<DiskNode> music;
    for (int i = 0; i < 24; ++i)
        music.push_back(DiskNode::file(home + "/Music/Album " + std::to_string(i + 1) + ".flac", uint64_t(900 - i * 30) * megabyte));
    return DiskNode::directory(home,
        {
            DiskNode::directory(home + "/Library", std::move(library)),
            DiskNode::directory(home + "/Movies", std::move(movies)),
            DiskNode::directory(home + "/Music", std::move(music)),
            DiskNode::directory(home + "/Developer",
                {
                    DiskNode::directory(home + "/Developer/lopewell",
                        { DiskNode::file(home + "/Developer/lopewell/build.tar", 2'100 * megabyte),
                            DiskNode::smallFilesAggregate(home + "/Developer/lopewell", 640 * megabyte, 5'120) }),
                    DiskNode::file(home + "/Developer/toolchain.tar.xz", 1'800 * megabyte),
                }),
            DiskNode::file(home + "/debian-12.iso", 3'900 * megabyte),
            DiskNode::directory(home + "/Documents",
                { DiskNode::file(home + "/Documents/Thesis.pdf", 48 * megabyte),
                    DiskNode::smallFilesAggregate(home + "/Documents", 1'310 * megabyte, 4'877) }),
            DiskNode::directory(home + "/Downloads", { DiskNode::file(home + "/Downloads/installer.run", 880 * megabyte) }),
            DiskNode::directory(home + "/Empty", {}),
            DiskNode::smallFilesAggregate(home, 96 * megabyte, 233),
        });
}

QImage picture(QWidget& widget)
{
    widget.resize(1100, 720);
    widget.show();
    // Rows rebuilt by the last render are shown by queued events: let them run.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return widget.grab().toImage();
}

}  // namespace

std::vector<NamedScreenshot> spaceScreenshots()
{
    ManualExecutor executor;
    SpaceViewModel model({
        executor,
        [](const std::string&) {
            auto [producer, stream] = Stream<DiskScanProgress>::makePair();
            producer.yield(DiskScanComplete { fixtureHome(), 2 });
            producer.finish();
            return std::move(stream);
        },
        [](const std::string&) { return SpaceTrashOutcome {}; },
        [] { return true; },
        "/home/ada",
        "",
    });
    SpaceView view(model, [] {});
    std::vector<NamedScreenshot> shots;
    shots.push_back({ "space-empty.png", picture(view) });
    model.scanHome();
    executor.runUntilIdle();
    shots.push_back({ "space.png", picture(view) });
    model.drill(model.currentNode()->children()[0]);
    model.select(model.currentNode()->children()[2]);
    shots.push_back({ "space-drilled.png", picture(view) });
    return shots;
}

}  // namespace lopewell
