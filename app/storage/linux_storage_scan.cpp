#include "app/storage/linux_storage_scan.h"

#include <fnmatch.h>

#include <algorithm>
#include <array>
#include <set>
#include <utility>
#include <vector>

#include "core/xdg/trash_info.h"
#include "platform/file_read.h"
#include "platform/file_status.h"
#include "platform/file_walk.h"

namespace lopewell {

namespace {

namespace fs = std::filesystem;
using Grouping = StorageCategory::Grouping;

// A .trashinfo holds one path and a date; anything larger is not one.
constexpr std::size_t trashInfoSizeLimit = std::size_t { 64 } << 10;

struct ProjectKind {
    std::string_view marker;  // a file name, or an fnmatch pattern
    std::array<std::string_view, 6> buildFolders;
};

// What each ecosystem rebuilds or re-downloads on the next build, beside the file that marks the
// project. Names that are often real sources (bin, vendor, lib) are not here.
constexpr std::array<ProjectKind, 24> projectKinds { {
    { "Cargo.toml", { "target" } },
    { "package.json", { "node_modules", ".angular", ".next", ".nuxt", ".parcel-cache", ".turbo" } },
    { "CMakeLists.txt", { "build", "cmake-build-debug", "cmake-build-release" } },
    { "build.gradle", { "build", ".gradle" } },
    { "build.gradle.kts", { "build", ".gradle" } },
    { "settings.gradle", { "build", ".gradle" } },
    { "pom.xml", { "target" } },
    { "build.sbt", { "target", "project/target" } },
    { "pyproject.toml", { "__pycache__", ".pytest_cache", ".mypy_cache", ".ruff_cache", ".tox", ".nox" } },
    { "setup.py", { "__pycache__", ".pytest_cache", ".mypy_cache", ".ruff_cache", ".tox", ".nox" } },
    { "requirements.txt", { "__pycache__", ".pytest_cache", ".mypy_cache", ".ruff_cache", ".tox", ".nox" } },
    { "stack.yaml", { ".stack-work" } },
    { "cabal.project", { "dist-newstyle" } },
    { "pubspec.yaml", { "build", ".dart_tool" } },
    { "mix.exs", { "_build", ".elixir_ls" } },
    { "Package.swift", { ".build", ".swiftpm" } },
    { "build.zig", { "zig-cache", ".zig-cache", "zig-out" } },
    { ".terraform.lock.hcl", { ".terraform" } },
    { "project.godot", { ".godot" } },
    { "*.csproj", { "bin", "obj" } },
    { "*.fsproj", { "bin", "obj" } },
    { "turbo.json", { ".turbo" } },
    { "pixi.toml", { ".pixi" } },
    { "angular.json", { ".angular" } },
} };

bool isScannableFolder(const fs::path& path)
{
    const auto type = fileTypeAt(path, SymlinkPolicy::refuse);
    return type && type.value() == FileType::directory;
}

// Measures rows for one scan: everything below a row on the row's own file system, each file
// with several links once.
class RowMeasurer {
public:
    explicit RowMeasurer(std::stop_token stop) : m_stop(std::move(stop)) {}

    struct Measure {
        std::uint64_t bytes = 0;
        std::optional<Date> latest;
    };

    // `entry` is what a listing said of `path`.
    Measure measure(const std::string& path, const FileEntry& entry)
    {
        Measure measure;
        if (!entry.isFolder()) {
            count(entry, measure);
            return measure;
        }
        const std::uint64_t device = entry.device;
        (void)walkTree(
            path,
            [&](const std::string&, const FileEntry& inner) {
                if (inner.attributesKnown && inner.isFolder() && inner.device != device)
                    return WalkDecision::skipContents;  // a mount inside (~/.cache/doc is one)
                if (inner.attributesKnown && !inner.isFolder())
                    count(inner, measure);
                return WalkDecision::descend;
            },
            {}, m_stop);
        return measure;
    }

private:
    void count(const FileEntry& entry, Measure& measure)
    {
        if (!entry.attributesKnown)
            return;
        if (entry.linkCount > 1 && !m_seen.emplace(entry.device, entry.inode).second)
            return;
        measure.bytes += entry.sizeOnDisk();
        if (entry.kind == FileKind::regular && entry.modificationDate && (!measure.latest || *entry.modificationDate > *measure.latest))
            measure.latest = entry.modificationDate;
    }

    std::stop_token m_stop;
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_seen;
};

// What a listing of the folder above says of `path`; absent when it is not there.
std::optional<FileEntry> entryAt(const fs::path& path)
{
    ErrorOr<std::vector<FileEntry>> siblings = listFolder(path.parent_path());
    if (!siblings)
        return std::nullopt;
    const std::string name = path.filename().native();
    for (FileEntry& entry : siblings.value()) {
        if (entry.name == name && entry.attributesKnown)
            return std::move(entry);
    }
    return std::nullopt;
}

std::optional<FileEntry> childNamed(const std::vector<FileEntry>& children, std::string_view name)
{
    for (const FileEntry& child : children) {
        if (child.name == name && child.attributesKnown)
            return child;
    }
    return std::nullopt;
}

bool exists(const std::string& path)
{
    return bool(fileTypeAt(path, SymlinkPolicy::refuse));
}

class LinuxScan {
public:
    LinuxScan(const StorageCategory& category, StreamProducer<StorageScanProgress>& out, StorageScanComplete& result)
        : m_category(category)
        , m_out(out)
        , m_result(result)
        , m_measurer(out.stopToken())
    {
    }

    bool run()
    {
        // An expansion that found nothing (no Flatpak apps, no emulators): nothing is there.
        if (m_category.paths.empty())
            missing({});
        for (std::size_t i = 0; i < m_category.paths.size(); ++i) {
            if (m_out.isStopRequested())
                return false;
            const fs::path& root = m_category.paths[i];
            const std::string label = i < m_category.rowLabels.size() ? m_category.rowLabels[i] : root.filename().native();
            switch (m_category.grouping) {
            case Grouping::perEntry:
                scanEntries(root);
                break;
            case Grouping::perRoot:
                scanRoot(root, label);
                break;
            case Grouping::perTrashedItem:
                scanTrash(root);
                break;
            case Grouping::perBrowserProfile:
                scanBrowser(root, label, i < m_category.runningMarkers.size() ? m_category.runningMarkers[i] : std::string());
                break;
            case Grouping::perProject:
                scanProjects(root);
                break;
            default:
                break;
            }
        }
        return !m_out.isStopRequested();
    }

private:
    void missing(const fs::path& root) { m_out.yield(StorageScanMissing { root }); }

    void addRow(const std::string& path, const FileEntry& entry, std::optional<std::string> displayName)
    {
        if (m_out.isStopRequested())
            return;
        const RowMeasurer::Measure measure = m_measurer.measure(path, entry);
        if (m_out.isStopRequested())
            return;
        m_result.items.push_back(StorageItem {
            .path = path,
            .size = measure.bytes,
            .modificationDate = measure.latest,
            .displayName = std::move(displayName),
        });
        m_result.totalBytes += measure.bytes;
        m_out.yield(StorageScanning { std::int64_t(m_result.items.size()), m_result.totalBytes });
    }

    bool isExcluded(const std::string& name) const
    {
        return std::any_of(m_category.excludedNames.begin(), m_category.excludedNames.end(),
            [&](const std::string& pattern) { return ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0; });
    }

    void scanEntries(const fs::path& root)
    {
        ErrorOr<std::vector<FileEntry>> entries
            = isScannableFolder(root) ? listFolder(root) : ErrorOr<std::vector<FileEntry>>(Error { 0, "" });
        if (!entries) {
            missing(root);
            return;
        }
        std::sort(entries.value().begin(), entries.value().end(), [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
        for (const FileEntry& entry : entries.value()) {
            // A link frees nothing and is never followed.
            if (entry.attributesKnown && entry.kind != FileKind::symbolicLink && !isExcluded(entry.name))
                addRow((root / entry.name).native(), entry, std::nullopt);
        }
    }

    void scanRoot(const fs::path& root, const std::string& label)
    {
        const std::optional<FileEntry> entry = entryAt(root);
        if (!entry || entry->kind == FileKind::symbolicLink || entry->kind == FileKind::other) {
            missing(root);
            return;
        }
        addRow(root.native(), *entry, label);
    }

    void scanTrash(const fs::path& trash)
    {
        const fs::path files = trash / "files";
        const fs::path info = trash / "info";
        ErrorOr<std::vector<FileEntry>> items
            = isScannableFolder(files) ? listFolder(files) : ErrorOr<std::vector<FileEntry>>(Error { 0, "" });
        ErrorOr<std::vector<FileEntry>> infos
            = isScannableFolder(info) ? listFolder(info) : ErrorOr<std::vector<FileEntry>>(Error { 0, "" });
        if (!items && !infos) {
            missing(trash);
            return;
        }
        std::set<std::string> itemNames;
        if (items) {
            std::sort(items.value().begin(), items.value().end(), [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
            for (const FileEntry& item : items.value()) {
                itemNames.insert(item.name);
                if (item.attributesKnown)
                    addRow((files / item.name).native(), item, originalName(info / (item.name + ".trashinfo")).value_or(item.name));
            }
        }
        if (!infos)
            return;
        std::sort(infos.value().begin(), infos.value().end(), [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
        constexpr std::string_view suffix = ".trashinfo";
        for (const FileEntry& entry : infos.value()) {
            // Information about an item that is no longer there: a row of its own, so that
            // cleaning removes it and nothing else.
            if (!entry.attributesKnown || entry.kind != FileKind::regular || !entry.name.ends_with(suffix))
                continue;
            const std::string item = entry.name.substr(0, entry.name.size() - suffix.size());
            if (!itemNames.contains(item))
                addRow((info / entry.name).native(), entry, originalName(info / entry.name).value_or(item));
        }
    }

    static std::optional<std::string> originalName(const fs::path& infoFile)
    {
        const std::optional<std::string> text = readRegularFileContents(infoFile, trashInfoSizeLimit, SymlinkPolicy::refuse);
        const std::optional<TrashInfo> parsed = text ? parseTrashInfo(*text) : std::nullopt;
        if (!parsed || parsed->originalName().empty())
            return std::nullopt;
        return parsed->originalName();
    }

    void scanBrowser(const fs::path& root, const std::string& label, const std::string& marker)
    {
        ErrorOr<std::vector<FileEntry>> profiles
            = isScannableFolder(root) ? listFolder(root) : ErrorOr<std::vector<FileEntry>>(Error { 0, "" });
        if (!profiles) {
            missing(root);
            return;
        }
        constexpr std::string_view placeholder = "{profile}";
        const std::size_t at = marker.find(placeholder);
        // A cache in use is not cleaned: the browser would rewrite it, or break on what went.
        if (!marker.empty() && at == std::string::npos && exists(marker)) {
            m_result.skipped.push_back(label + " is running");
            return;
        }
        std::sort(profiles.value().begin(), profiles.value().end(), [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
        bool skippedOne = false;
        for (const FileEntry& profile : profiles.value()) {
            if (!profile.attributesKnown || !profile.isFolder())
                continue;
            if (at != std::string::npos) {
                std::string profileMarker = marker;
                profileMarker.replace(at, placeholder.size(), profile.name);
                if (exists(profileMarker)) {
                    skippedOne = true;
                    continue;
                }
            }
            addRow((root / profile.name).native(), profile, label + " · " + profile.name);
        }
        if (skippedOne)
            m_result.skipped.push_back(label + " is running");
    }

    void scanProjects(const fs::path& root)
    {
        const std::optional<FileEntry> rootEntry = entryAt(root);
        if (!rootEntry || !rootEntry->isFolder()) {
            missing(root);
            return;
        }
        const std::uint64_t device = rootEntry->device;
        (void)walkTree(
            root,
            [&](const std::string& path, const FileEntry& entry) {
                if (!entry.attributesKnown || !entry.isFolder())
                    return WalkDecision::descend;
                if (entry.isHidden() || entry.device != device)
                    return WalkDecision::skipContents;
                return findProjectRows(path, entry.name) ? WalkDecision::skipContents : WalkDecision::descend;
            },
            {}, m_out.stopToken());
    }

    // Rows for the build folders of the project at `folder`, if it is one; true when it is. A
    // project's own folders are not searched for more projects.
    bool findProjectRows(const std::string& folder, const std::string& projectName)
    {
        ErrorOr<std::vector<FileEntry>> children = listFolder(folder);
        if (!children)
            return false;
        std::vector<std::string_view> buildFolders;
        bool isProject = false;
        for (const FileEntry& child : children.value()) {
            if (child.kind != FileKind::regular)
                continue;
            for (std::string_view folderName : buildFoldersForMarker(child.name)) {
                isProject = true;
                if (std::find(buildFolders.begin(), buildFolders.end(), folderName) == buildFolders.end())
                    buildFolders.push_back(folderName);
            }
        }
        if (!isProject)
            return false;
        std::sort(buildFolders.begin(), buildFolders.end());
        for (std::string_view name : buildFolders) {
            const fs::path buildFolder = fs::path(folder) / name;
            const std::optional<FileEntry> entry
                = name.find('/') == std::string_view::npos ? childNamed(children.value(), name) : entryAt(buildFolder);
            if (entry && entry->isFolder())
                addRow(buildFolder.native(), *entry, projectName + " · " + std::string(name));
        }
        return true;
    }

    const StorageCategory& m_category;
    StreamProducer<StorageScanProgress>& m_out;
    StorageScanComplete& m_result;
    RowMeasurer m_measurer;
};

}  // namespace

bool isLinuxGrouping(Grouping grouping)
{
    switch (grouping) {
    case Grouping::perEntry:
    case Grouping::perRoot:
    case Grouping::perTrashedItem:
    case Grouping::perBrowserProfile:
    case Grouping::perProject:
        return true;
    case Grouping::flat:
    case Grouping::iosSimulators:
    case Grouping::xcodeDerivedData:
    case Grouping::deviceSupport:
        break;
    }
    return false;
}

bool scanLinuxCategory(const StorageCategory& category, StreamProducer<StorageScanProgress>& out, StorageScanComplete& result)
{
    return LinuxScan(category, out, result).run();
}

std::span<const std::string_view> buildFoldersForMarker(std::string_view markerName)
{
    const std::string name(markerName);
    for (const ProjectKind& kind : projectKinds) {
        if (kind.marker == markerName
            || (kind.marker.front() == '*' && ::fnmatch(std::string(kind.marker).c_str(), name.c_str(), 0) == 0)) {
            const auto end = std::find(kind.buildFolders.begin(), kind.buildFolders.end(), std::string_view());
            return { kind.buildFolders.begin(), end };
        }
    }
    return {};
}

}  // namespace lopewell
