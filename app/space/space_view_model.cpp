#include "app/space/space_view_model.h"

#include <utility>

#include "core/format/byte_count_formatter.h"
#include "core/format/decimal_text.h"
#include "platform/full_disk_access.h"
#include "platform/host_layout.h"
#include "platform/trash_service.h"

namespace lopewell {

namespace {

// The screen's line names this many mount points and counts the rest.
constexpr size_t mountPointsNamed = 5;

}  // namespace

std::string spaceSizeText(uint64_t bytes)
{
    return formatByteCount(bytes, ByteCountStyle::file);
}

std::optional<std::string> spaceShareText(uint64_t size, uint64_t currentSize)
{
    if (currentSize == 0)
        return std::nullopt;
    return fixedPoint(100.0 * double(size) / double(currentSize), 1) + "%";
}

SpaceViewModel::Environment SpaceViewModel::systemEnvironment(Executor& executor, const HostLayout& layout)
{
    return {
        executor,
        [](const std::string& path) { return DiskScanner(DiskScanner::screenThreshold).scan(path); },
        [](const std::string& path) {
            const TrashService::Outcome outcome = TrashService::moveToTrash({ path });
            return SpaceTrashOutcome { outcome.movedPaths.contains(path), outcome.failedCount, outcome.error };
        },
        [layout] { return hasFullDiskAccess(layout); },
        layout.home().string(),
        {},
        platformWords(layout.flavour()),
    };
}

SpaceViewModel::SpaceViewModel(Environment environment)
    : m_environment(std::move(environment))
    , m_fullDiskAccessGranted(m_environment.hasFullDiskAccess ? m_environment.hasFullDiskAccess() : true)
{
}

SpaceViewModel::~SpaceViewModel()
{
    m_scanTask.cancel();
    m_trashTask.cancel();
}

void SpaceViewModel::scan(std::string path)
{
    m_scanTask.cancel();
    m_isScanning = true;
    m_scannedFiles = 0;
    m_scannedBytes = 0;
    m_unreadableCount = 0;
    m_mountPoints.clear();
    m_selection.reset();
    // The previous tree and drill path stay until the new tree arrives.
    m_scanTask = StreamTask<DiskScanProgress>(
        m_environment.executor, m_environment.scan(path),
        [this](DiskScanProgress value) {
            if (auto* scanning = std::get_if<DiskScanScanning>(&value)) {
                m_scannedFiles = scanning->files;
                m_scannedBytes = scanning->bytes;
            } else if (auto* complete = std::get_if<DiskScanComplete>(&value)) {
                m_rootNode = std::move(complete->root);
                m_drillPath = { *m_rootNode };
                m_unreadableCount = complete->unreadableCount;
                m_mountPoints = std::move(complete->mountPoints);
            } else {
                return;  // missing: the old tree stays
            }
            m_observers.notify();
        },
        [this] {
            m_isScanning = false;
            m_observers.notify();
        });
    m_observers.notify();
}

void SpaceViewModel::rescan()
{
    if (m_drillPath.empty())
        return;
    scan(m_drillPath.front().path());
}

void SpaceViewModel::cancelScan()
{
    m_scanTask.cancel();  // nothing of the cancelled scan arrives later
    m_isScanning = false;
    m_observers.notify();
}

void SpaceViewModel::navigate(int64_t index)
{
    if (index < 0 || index >= int64_t(m_drillPath.size()))
        return;
    m_drillPath.resize(size_t(index) + 1);
    m_selection.reset();
    m_observers.notify();
}

void SpaceViewModel::select(const DiskNode& node)
{
    m_selection = node;
    m_observers.notify();
}

void SpaceViewModel::drill(const DiskNode& node)
{
    if (!node.isDirectory() || node.children().empty())
        return;
    m_drillPath.push_back(node);
    m_selection.reset();
    m_observers.notify();
}

void SpaceViewModel::trashSelection()
{
    // A mount point is a whole other file system: never something to move to the Trash.
    if (!m_selection || m_selection->isAggregate() || m_selection->isMountPoint() || m_trashTask.isRunning())
        return;
    std::string path = m_selection->path();
    auto moveToTrash = m_environment.moveToTrash;
    m_trashTask = BackgroundTask<SpaceTrashOutcome>(
        m_environment.executor, [moveToTrash, path](std::stop_token) { return moveToTrash(path); },
        [this, path](SpaceTrashOutcome outcome) { finishTrash(path, std::move(outcome)); });
    m_observers.notify();
}

void SpaceViewModel::finishTrash(const std::string& path, SpaceTrashOutcome outcome)
{
    m_trashFailure = TrashFailureAlert::make(outcome.failedCount, outcome.error, m_environment.words);
    if (outcome.moved && m_rootNode) {
        m_rootNode = m_rootNode->removing(path);
        // The same folders again, in the pruned tree, as deep as they still exist.
        std::vector<DiskNode> drill { *m_rootNode };
        for (size_t i = 1; i < m_drillPath.size(); ++i) {
            const std::string wanted = m_drillPath[i].path();
            const DiskNode* found = nullptr;
            for (const DiskNode& child : drill.back().children()) {
                if (child.path() == wanted) {
                    found = &child;
                    break;
                }
            }
            if (!found)
                break;
            drill.push_back(*found);
        }
        m_drillPath = std::move(drill);
        m_selection.reset();
    }
    m_observers.notify();
}

void SpaceViewModel::dismissTrashFailure()
{
    m_trashFailure.reset();
    m_observers.notify();
}

void SpaceViewModel::recheckFullDiskAccess()
{
    m_fullDiskAccessGranted = m_environment.hasFullDiskAccess ? m_environment.hasFullDiskAccess() : true;
    m_observers.notify();
}

std::string SpaceViewModel::emptyTitle() const
{
    return std::string(m_fullDiskAccessGranted ? spaceNoScanText : spaceNeedsAccessText);
}

std::string SpaceViewModel::rootVolumeButtonTitle() const
{
    return "Scan " + (m_environment.rootVolumeName.empty() ? std::string("/") : m_environment.rootVolumeName);
}

std::string SpaceViewModel::progressText() const
{
    return "Scanning… " + withThousandsSeparators(std::to_string(m_scannedFiles)) + " files · " + spaceSizeText(m_scannedBytes);
}

std::optional<std::string> SpaceViewModel::unreadableText() const
{
    if (m_unreadableCount < 1)
        return std::nullopt;
    return withThousandsSeparators(std::to_string(m_unreadableCount)) + " folders couldn't be read (permissions) and were skipped.";
}

std::optional<std::string> SpaceViewModel::mountPointText() const
{
    if (m_mountPoints.empty())
        return std::nullopt;
    std::string text
        = m_mountPoints.size() == 1 ? "Not scanned, another file system mounted here: " : "Not scanned, other file systems mounted here: ";
    for (size_t i = 0; i < m_mountPoints.size() && i < mountPointsNamed; ++i)
        text += (i ? ", " : "") + m_mountPoints[i];
    if (m_mountPoints.size() > mountPointsNamed)
        text += " and " + withThousandsSeparators(std::to_string(m_mountPoints.size() - mountPointsNamed)) + " more";
    return text + ".";
}

std::vector<Breadcrumb> SpaceViewModel::breadcrumbs() const
{
    std::vector<Breadcrumb> crumbs;
    for (size_t i = 0; i < m_drillPath.size(); ++i) {
        std::string name = m_drillPath[i].name();
        crumbs.push_back({ name.empty() ? std::string("/") : std::move(name), int64_t(i) });
    }
    return crumbs;
}

std::optional<SpaceInspector> SpaceViewModel::inspector() const
{
    if (!m_selection)
        return std::nullopt;
    const DiskNode& node = *m_selection;
    SpaceInspector inspector;
    inspector.name = node.name();
    inspector.rows.push_back({ "Size", spaceSizeText(node.size()) });
    if (const DiskNode* current = currentNode()) {
        if (auto share = spaceShareText(node.size(), current->size()))
            inspector.rows.push_back({ "Share", *share });
    }
    inspector.isAggregate = node.isAggregate();
    if (node.isAggregate()) {
        inspector.note = std::string(m_environment.words.smallFilesNote);
        inspector.revealTitle = std::string(m_environment.words.revealFolderInFileManager);
        const std::string path = node.path();
        const size_t slash = path.rfind('/');
        inspector.revealPath = slash == 0 ? "/" : path.substr(0, slash);
    } else if (node.isMountPoint()) {
        inspector.rows.push_back({ "Kind", std::string(mountPointKind) });
        inspector.note = std::string(mountPointNote);
        inspector.revealTitle = std::string(m_environment.words.revealInFileManager);
        inspector.revealPath = node.path();
        inspector.canScanVolume = true;
    } else {
        inspector.rows.push_back({ "Kind", node.isDirectory() ? "Folder" : "File" });
        inspector.revealTitle = std::string(m_environment.words.revealInFileManager);
        inspector.revealPath = node.path();
        inspector.canOpen = node.isDirectory() && !node.children().empty();
        inspector.canTrash = true;
    }
    return inspector;
}

std::string SpaceViewModel::trashConfirmationTitle() const
{
    return "Move " + (m_selection ? m_selection->name() : std::string("item")) + " to Trash?";
}

}  // namespace lopewell
