#include "app/storage/storage_scanner.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/app/common/storage_test_printers.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using Grouping = StorageCategory::Grouping;
using testing::TempDir;
using testing::writeFile;

StorageCategory categoryOf(std::vector<fs::path> paths, Grouping grouping = Grouping::flat)
{
    return StorageCategory { .id = "test", .title = "Test", .paths = std::move(paths), .grouping = grouping };
}

std::vector<StorageScanProgress> collect(const StorageCategory& category)
{
    std::vector<StorageScanProgress> values;
    Stream<StorageScanProgress> stream = StorageScanner().scan(category);
    while (std::optional<StorageScanProgress> value = stream.next())
        values.push_back(std::move(*value));
    return values;
}

const StorageScanComplete& completion(const std::vector<StorageScanProgress>& values)
{
    static const StorageScanComplete none;
    if (values.empty() || !std::holds_alternative<StorageScanComplete>(values.back())) {
        ADD_FAILURE() << "the scan did not end with a complete value";
        return none;
    }
    return std::get<StorageScanComplete>(values.back());
}

std::vector<fs::path> missingPaths(const std::vector<StorageScanProgress>& values)
{
    std::vector<fs::path> paths;
    for (const StorageScanProgress& value : values) {
        if (auto missing = std::get_if<StorageScanMissing>(&value))
            paths.push_back(missing->path);
    }
    return paths;
}

uint64_t allocatedSize(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return uint64_t(info.st_blocks) * 512;
}

void setModificationTime(const fs::path& path, Date date)
{
    const auto micros = duration_cast<microseconds>(date.time_since_epoch()).count();
    const timeval times[2] = { { micros / 1'000'000, micros % 1'000'000 }, { micros / 1'000'000, micros % 1'000'000 } };
    ASSERT_EQ(::lutimes(path.c_str(), times), 0) << path;
}

std::vector<std::string> names(const std::vector<StorageItem>& items)
{
    std::vector<std::string> result;
    for (const StorageItem& item : items)
        result.push_back(item.name());
    std::sort(result.begin(), result.end());
    return result;
}

const StorageItem* itemAt(const std::vector<StorageItem>& items, const fs::path& path)
{
    auto it = std::find_if(items.begin(), items.end(), [&](const StorageItem& item) { return item.path == path; });
    return it == items.end() ? nullptr : &*it;
}

TEST(StorageScanner, FlatScanReportsEveryFiveHundredFilesThenCompletes)
{
    TempDir root;
    uint64_t expectedBytes = 0;
    for (int i = 0; i < 1234; ++i) {
        const fs::path file = root / ("Caches/sub" + std::to_string(i % 7)) / ("f" + std::to_string(i));
        writeFile(file, std::string(size_t(i % 3) * 3000, 'x'));
        expectedBytes += allocatedSize(file);
    }
    const std::vector<StorageScanProgress> values = collect(categoryOf({ root / "Caches" }));
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(std::get<StorageScanning>(values[0]).itemsSeen, 500);
    EXPECT_EQ(std::get<StorageScanning>(values[1]).itemsSeen, 1000);
    EXPECT_LE(std::get<StorageScanning>(values[0]).bytes, std::get<StorageScanning>(values[1]).bytes);
    const StorageScanComplete& complete = completion(values);
    EXPECT_EQ(complete.items.size(), 1234u);
    EXPECT_EQ(complete.totalBytes, expectedBytes);
    EXPECT_GT(expectedBytes, 0u);
}

TEST(StorageScanner, FlatScanListsFilesHiddenFilesLinksAndBundlesButNeverFollowsLinks)
{
    TempDir root;
    const fs::path logs = root / "Logs";
    writeFile(logs / "app.log", "0123456789");
    writeFile(logs / ".hidden", "h");
    writeFile(logs / "deep/er/still.log", std::string(5000, 'x'));
    writeFile(root / "outside/secret-a", std::string(9000, 's'));
    writeFile(root / "outside/secret-b", "s");
    fs::create_directory_symlink(root / "outside", logs / "link-to-folder");
    fs::create_symlink("/nonexistent/target", logs / "dangling");
    writeFile(logs / "Crash Reporter.app/Contents/MacOS/binary", std::string(20000, 'b'));
    writeFile(logs / "Crash Reporter.app/Contents/Info.plist", "p");
    fs::create_directories(logs / "empty-folder");
    const Date old = referenceDate() + seconds { 1000 };
    setModificationTime(logs / "app.log", old);
    setModificationTime(logs / "Crash Reporter.app/Contents/MacOS/binary", old + seconds { 7 });
    setModificationTime(logs / "Crash Reporter.app/Contents/Info.plist", old);

    const StorageScanComplete complete = completion(collect(categoryOf({ logs })));
    EXPECT_EQ(names(complete.items),
        (std::vector<std::string> { ".hidden", "Crash Reporter.app", "app.log", "dangling", "link-to-folder", "still.log" }));

    const StorageItem* log = itemAt(complete.items, logs / "app.log");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->size, allocatedSize(logs / "app.log"));  // the allocated size, not the 10 bytes written
    EXPECT_EQ(log->modificationDate, old);
    EXPECT_EQ(log->displayName, std::nullopt);

    const StorageItem* link = itemAt(complete.items, logs / "link-to-folder");
    ASSERT_TRUE(link);
    EXPECT_LT(link->size, 9000u);  // the link itself, not what it points at

    const StorageItem* bundle = itemAt(complete.items, logs / "Crash Reporter.app");
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->size,
        allocatedSize(logs / "Crash Reporter.app/Contents/MacOS/binary") + allocatedSize(logs / "Crash Reporter.app/Contents/Info.plist"));
    EXPECT_EQ(bundle->modificationDate, old + seconds { 7 });

    uint64_t sum = 0;
    for (const StorageItem& item : complete.items)
        sum += item.size;
    EXPECT_EQ(complete.totalBytes, sum);
}

TEST(StorageScanner, NonUtf8NamesComeBackByteForByte)
{
    TempDir root;
    const fs::path odd = root / "Caches" / "caf\xE9-\xFF.bin";
    writeFile(odd, "x");
    const StorageScanComplete complete = completion(collect(categoryOf({ root / "Caches" })));
    ASSERT_EQ(complete.items.size(), 1u);
    EXPECT_EQ(complete.items[0].path, odd);
}

TEST(StorageScanner, ReportsMissingRootsAndGoesOn)
{
    TempDir root;
    writeFile(root / "a-file", "x");
    writeFile(root / "elsewhere/kept.txt", "x");
    fs::create_directory_symlink(root / "elsewhere", root / "linked-root");
    writeFile(root / "present/one.txt", "x");
    const std::vector<fs::path> roots { root / "absent", root / "a-file", root / "linked-root", root / "present" };
    const std::vector<StorageScanProgress> values = collect(categoryOf(roots));
    EXPECT_EQ(missingPaths(values), (std::vector<fs::path> { root / "absent", root / "a-file", root / "linked-root" }));
    EXPECT_EQ(names(completion(values).items), std::vector<std::string> { "one.txt" });

    // Grouped scans treat roots alike.
    const std::vector<StorageScanProgress> grouped = collect(categoryOf(roots, Grouping::xcodeDerivedData));
    EXPECT_EQ(missingPaths(grouped), (std::vector<fs::path> { root / "absent", root / "a-file", root / "linked-root" }));
    EXPECT_TRUE(completion(grouped).items.empty());
}

TEST(StorageScanner, AnUnreadableRootIsMissingForAnOrdinaryUser)
{
    TempDir root;
    writeFile(root / "locked/inside.txt", "x");
    writeFile(root / "open/inside.txt", "x");
    chmod((root / "locked").c_str(), 0700);
    for (Grouping grouping : { Grouping::flat, Grouping::deviceSupport }) {
        const int status = testing::runUnprivileged([&] {
            StorageScanComplete result;
            std::vector<fs::path> missing;
            auto [producer, stream] = Stream<StorageScanProgress>::makePair();
            StorageScanner::run(categoryOf({ root / "locked", root / "open" }, grouping), producer);
            while (auto value = stream.tryNext()) {
                if (auto gone = std::get_if<StorageScanMissing>(&*value))
                    missing.push_back(gone->path);
                if (auto complete = std::get_if<StorageScanComplete>(&*value))
                    result = *complete;
            }
            const size_t expectedItems = grouping == Grouping::flat ? 1 : 0;
            return missing == std::vector<fs::path> { root / "locked" } && result.items.size() == expectedItems ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << rawValue(grouping);
    }
}

TEST(StorageScanner, ACategoryWithoutRootsCompletesEmpty)
{
    const std::vector<StorageScanProgress> values = collect(categoryOf({}));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(std::get<StorageScanComplete>(values[0]), StorageScanComplete {});
}

TEST(StorageScanner, GroupedScanMakesOneRowPerSubfolderWithItsNewestFileDate)
{
    TempDir root;
    const fs::path derived = root / "DerivedData";
    const std::string suffix28 = "abcdefghijklmnopqrstuvwxyz01";
    writeFile(derived / ("MyApp-" + suffix28) / "Build/Products/app.o", std::string(6000, 'o'));
    writeFile(derived / ("MyApp-" + suffix28) / "Index/x.idx", "i");
    writeFile(derived / ("MyApp-" + suffix28) / "Build/Products/Tool.app/Contents/tool", std::string(3000, 't'));
    fs::create_directories(derived / "Empty-0123456789abcdef");
    writeFile(derived / "loose-file.txt", "never a row");
    writeFile(derived / ".hidden-project/x", "never a row");
    fs::create_directory_symlink(root / "elsewhere", derived / "link-project");
    const fs::path project = derived / ("MyApp-" + suffix28);
    const Date newest = referenceDate() + seconds { 5000 };
    setModificationTime(project / "Build/Products/app.o", newest - seconds { 60 });
    setModificationTime(project / "Index/x.idx", newest);
    setModificationTime(project / "Build/Products/Tool.app/Contents/tool", newest - seconds { 1 });
    setModificationTime(project / "Index", newest + seconds { 100 });  // folders' own dates do not count

    const std::vector<StorageScanProgress> values = collect(categoryOf({ derived }, Grouping::xcodeDerivedData));
    ASSERT_EQ(values.size(), 3u);  // a scanning value after each of the two rows, then complete
    EXPECT_EQ(std::get<StorageScanning>(values[0]).itemsSeen, 1);
    EXPECT_EQ(std::get<StorageScanning>(values[1]).itemsSeen, 2);
    const StorageScanComplete& complete = completion(values);
    EXPECT_EQ(names(complete.items), (std::vector<std::string> { "Empty", "MyApp" }));

    const StorageItem* row = itemAt(complete.items, project);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->size,
        allocatedSize(project / "Build/Products/app.o") + allocatedSize(project / "Index/x.idx")
            + allocatedSize(project / "Build/Products/Tool.app/Contents/tool"));
    EXPECT_EQ(row->modificationDate, newest);

    const StorageItem* empty = itemAt(complete.items, derived / "Empty-0123456789abcdef");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size, 0u);
    EXPECT_EQ(empty->modificationDate, std::nullopt);
    EXPECT_EQ(complete.totalBytes, row->size);
}

TEST(StorageScanner, DeviceSupportWithOnlyTheIosRootReportsTheOtherTwoMissing)
{
    TempDir root;
    const fs::path xcode = root / "Xcode";
    writeFile(xcode / "iOS DeviceSupport/17.2 (21C62)/Symbols/lib.dylib", "s");
    writeFile(xcode / "iOS DeviceSupport/16.4 (20E247)/Symbols/lib.dylib", "s");
    const std::vector<StorageScanProgress> values = collect(categoryOf(
        { xcode / "iOS DeviceSupport", xcode / "watchOS DeviceSupport", xcode / "tvOS DeviceSupport" }, Grouping::deviceSupport));
    EXPECT_EQ(missingPaths(values), (std::vector<fs::path> { xcode / "watchOS DeviceSupport", xcode / "tvOS DeviceSupport" }));
    EXPECT_EQ(names(completion(values).items), (std::vector<std::string> { "iOS 16.4 (20E247)", "iOS 17.2 (21C62)" }));
}

TEST(StorageScanner, SimulatorRowsAreNamedFromTheirDevicePlist)
{
    TempDir root;
    const fs::path devices = root / "Devices";
    const auto xml = [](const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body + "</dict></plist>";
    };
    writeFile(devices / "A1/device.plist",
        xml("<key>name</key><string>iPhone "
            "15</string><key>runtime</key><string>com.apple.CoreSimulator.SimRuntime.iOS-17-2</string><key>UDID</key><string>A1</string>"));
    writeFile(devices / "A2/device.plist", xml("<key>name</key><string>Apple Watch</string><key>runtime</key><string>watchOS-10</string>"));
    writeFile(devices / "A3/device.plist", xml("<key>runtime</key><string>com.apple.CoreSimulator.SimRuntime.tvOS-17-0</string>"));
    writeFile(devices / "A4/device.plist", xml("<key>state</key><integer>1</integer>"));
    writeFile(devices / "A5/device.plist", "<plist><dict><key>name</key><string>cut off");
    writeFile(devices / "A6/device.plist", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>iPhone</string></array></plist>");
    fs::create_directories(devices / "A7");
    writeFile(devices / "A8/device.plist",
        std::string(
            "\x62\x70\x6c\x69\x73\x74\x30\x30\xd2\x01\x02\x03\x04\x54\x6e\x61\x6d\x65\x57\x72\x75\x6e\x74\x69\x6d\x65\x58\x69\x50\x61\x64"
            "\x20\x41\x69\x72\x5f\x10\x2b\x63\x6f\x6d\x2e\x61\x70\x70\x6c\x65\x2e\x43\x6f\x72\x65\x53\x69\x6d\x75\x6c\x61\x74\x6f\x72\x2e"
            "\x53\x69\x6d\x52\x75\x6e\x74\x69\x6d\x65\x2e\x69\x4f\x53\x2d\x31\x38\x2d\x30\x08\x0d\x12\x1a\x23\x00\x00\x00\x00\x00\x00\x01"
            "\x01\x00\x00\x00\x00\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x51",
            118));
    writeFile(devices / "A9/device.plist", "bplist00\xd2\x01\x02garbage");
    writeFile(root / "real.plist", xml("<key>name</key><string>Linked</string>"));
    fs::create_directories(devices / "A10");
    fs::create_symlink(root / "real.plist", devices / "A10/device.plist");
    writeFile(devices / "device-set.plist", "a loose file in the root never becomes a row");

    const StorageScanComplete complete = completion(collect(categoryOf({ devices }, Grouping::iosSimulators)));
    const auto labelOf = [&](const char* folder) {
        const StorageItem* item = itemAt(complete.items, devices / folder);
        return item ? item->name() : std::string("<no row>");
    };
    EXPECT_EQ(complete.items.size(), 10u);
    EXPECT_EQ(labelOf("A1"), "iPhone 15 · iOS 17.2");
    EXPECT_EQ(labelOf("A2"), "Apple Watch · watchOS-10");
    EXPECT_EQ(labelOf("A3"), "tvOS 17.0");
    EXPECT_EQ(labelOf("A4"), "A4");                   // neither name nor runtime
    EXPECT_EQ(labelOf("A5"), "A5");                   // malformed
    EXPECT_EQ(labelOf("A6"), "A6");                   // not a dictionary
    EXPECT_EQ(labelOf("A7"), "A7");                   // no file
    EXPECT_EQ(labelOf("A8"), "iPad Air · iOS 18.0");  // binary
    EXPECT_EQ(labelOf("A9"), "A9");                   // broken binary
    EXPECT_EQ(labelOf("A10"), "A10");                 // a link is not read through
}

TEST(StorageScanner, RuntimeLabelsAndDisplayNameRules)
{
    const struct {
        std::string_view runtime;
        std::optional<std::string> label;
    } runtimes[] = {
        { "com.apple.CoreSimulator.SimRuntime.iOS-17-2", "iOS 17.2" },
        { "iOS-17-2", "iOS 17.2" },
        { "com.apple.CoreSimulator.SimRuntime.xrOS-1-0-1", "xrOS 1.0.1" },
        { "com.apple.CoreSimulator.SimRuntime.iOS--17--2-", "iOS 17.2" },
        { "watchOS-10", "watchOS-10" },
        { "com.apple.CoreSimulator.SimRuntime.", std::nullopt },
        { "", std::nullopt },
        { "---", "---" },
    };
    for (const auto& [runtime, label] : runtimes) {
        SCOPED_TRACE(runtime);
        EXPECT_EQ(simulatorRuntimeLabel(runtime), label);
    }
    EXPECT_EQ(simulatorDisplayName("iPhone", std::nullopt), "iPhone");
    EXPECT_EQ(simulatorDisplayName(std::nullopt, "iOS-17-2"), "iOS 17.2");
    EXPECT_EQ(simulatorDisplayName(std::nullopt, std::nullopt), std::nullopt);

    const struct {
        std::string_view folder;
        std::string_view name;
    } derived[] = {
        { "MyApp-abcdefghijklmnopqrstuvwxyzab", "MyApp" },
        { "My-App", "My-App" },
        { "My-App-0123456789abcde", "My-App" },
        { "MyApp-0123456789abcd", "MyApp-0123456789abcd" },
        { "MyApp-abcdefghijklmn_pqrstu", "MyApp-abcdefghijklmn_pqrstu" },
        { "MyApp", "MyApp" },
        { "-abcdefghijklmnopq", "" },
        { "MyApp-", "MyApp-" },
    };
    for (const auto& [folder, name] : derived) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(derivedDataDisplayName(folder), name);
    }

    EXPECT_EQ(deviceSupportDisplayName("iOS DeviceSupport", "17.2 (21C62)"), "iOS 17.2 (21C62)");
    EXPECT_EQ(deviceSupportDisplayName("watchOS DeviceSupport", "10.0"), "watchOS 10.0");
    EXPECT_EQ(deviceSupportDisplayName("DeviceSupport", "17.2"), "17.2");
    EXPECT_EQ(deviceSupportDisplayName("iOS DeviceSupportX", "17.2"), "17.2");
}

TEST(StorageScanner, AStoppedScanEndsWithoutAResult)
{
    TempDir root;
    writeFile(root / "Caches/a", "x");
    auto [producer, stream] = Stream<StorageScanProgress>::makePair();
    stream.terminate();
    StorageScanner::run(categoryOf({ root / "Caches", root / "absent" }), producer);
    EXPECT_EQ(stream.tryNext(), std::nullopt);

    // A measure that is stopped before it starts counts nothing.
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(measureFolder(root / "Caches", stop.get_token()).bytes, 0u);
    EXPECT_GT(measureFolder(root / "Caches").bytes, 0u);
}

}  // namespace
}  // namespace lopewell
