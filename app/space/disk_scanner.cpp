#include "app/space/disk_scanner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/file_walk.h"
#include "platform/open_file_limit.h"
#include "platform/thread_priority.h"

namespace lopewell {

namespace {

constexpr int64_t progressInterval = 2000;
constexpr int64_t counterBatch = 256;
// An open folder kept for its sub-folders saves them a path walk; past this many links of walk
// from an open ancestor, a folder keeps its own descriptor whatever the budget says.
constexpr size_t longestReopenWalk = 16;

struct InodeKey {
    uint64_t device;
    uint64_t inode;
    bool operator==(const InodeKey&) const = default;
};

struct InodeKeyHash {
    size_t operator()(const InodeKey& key) const { return std::hash<uint64_t>()(key.inode * 31 + key.device); }
};

// A folder whose descriptor is kept open for its sub-folders to be opened from.
struct OpenFolder {
    OpenFolder(FolderHandle folder, DiskFolderLocation::Pointer where, std::atomic<int>& counter)
        : handle(std::move(folder))
        , location(std::move(where))
        , openCount(counter)
    {
        openCount.fetch_add(1, std::memory_order_relaxed);
    }
    ~OpenFolder() { openCount.fetch_sub(1, std::memory_order_relaxed); }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    FolderHandle handle;
    DiskFolderLocation::Pointer location;
    std::atomic<int>& openCount;
};

// A hard-linked file: measured once per (device, inode), in walk order, after the walk.
struct PendingLink {
    uint32_t childIndex;
    uint64_t size;
    InodeKey key;
    std::string name;
};

// One folder being built. Its children are its kept files, a placeholder per sub-folder (filled
// in by the sub-folder when it completes, from whichever thread) and a placeholder per hard link.
struct FolderJob {
    FolderJob* parent = nullptr;
    uint32_t ordinal = 0;  // position among the parent's sub-folders
    DiskFolderLocation::Pointer self;
    std::shared_ptr<const OpenFolder> anchor;  // an open ancestor to open this folder from

    std::vector<DiskNode> children;
    std::vector<uint32_t> folderSlots;  // index in `children` of each sub-folder
    std::vector<FolderJob*> deferred;   // per sub-folder: set when it waits for the hard-link pass
    std::vector<PendingLink> links;
    uint64_t smallSum = 0;
    int64_t smallCount = 0;
    std::atomic<uint32_t> pendingFolders { 0 };
};

class TreeBuilder {
public:
    TreeBuilder(uint64_t threshold, std::optional<uint64_t> rootDevice, std::stop_token stop,
        const std::function<void(const DiskScanScanning&)>& onProgress)
        : m_threshold(threshold)
        , m_rootDevice(rootDevice)
        , m_stop(std::move(stop))
        , m_onProgress(onProgress)
    {
        const size_t soft = raiseOpenFileLimit();
        m_openBudget = int(std::clamp<size_t>(soft / 4, 16, 4096));
        m_openCap = int(std::clamp<size_t>(soft > 64 ? soft - 48 : 16, 16, 65536));
    }

    DiskScanComplete build(const std::string& rootPath, FolderHandle rootHandle, int threadCount, bool backgroundPriority)
    {
        auto* root = new FolderJob;
        root->self = DiskFolderLocation::forPath(rootPath);
        m_rootHandle.emplace(std::move(rootHandle));
        m_queue.push_back(root);

        std::vector<std::jthread> helpers;
        for (int i = 1; i < threadCount; ++i) {
            helpers.emplace_back([this, backgroundPriority] {
                if (backgroundPriority)
                    lowerCurrentThreadPriority();
                work();
            });
        }
        work();
        helpers.clear();

        if (m_deferredRoot)
            resolveLinks(m_deferredRoot);
        std::sort(m_mountPoints.begin(), m_mountPoints.end());
        return { std::move(m_root), m_unreadable.load(), std::move(m_mountPoints) };
    }

private:
    void work()
    {
        while (true) {
            FolderJob* job = nullptr;
            {
                std::unique_lock lock(m_queueMutex);
                m_queueChanged.wait(lock, [&] { return !m_queue.empty() || m_finished; });
                if (m_queue.empty())
                    return;
                job = m_queue.back();
                m_queue.pop_back();
            }
            process(job);
        }
    }

    // Links of walk from `anchor` down to `location`: 1 for its own parent.
    static size_t walkLength(const DiskFolderLocation* location, const OpenFolder& anchor)
    {
        size_t length = 0;
        for (; location && location != anchor.location.get(); location = location->parent().get())
            ++length;
        return length;
    }

    std::optional<FolderHandle> open(FolderJob& job, const std::shared_ptr<const OpenFolder>& anchor)
    {
        if (!anchor) {
            std::optional<FolderHandle> handle = std::move(m_rootHandle);
            m_rootHandle.reset();
            return handle;
        }
        // Normally one name below the parent; past the budget of open folders, a few more.
        std::vector<const std::string*> names;
        for (const DiskFolderLocation* link = job.self.get(); link && link != anchor->location.get(); link = link->parent().get())
            names.push_back(&link->name());
        std::optional<FolderHandle> current;
        for (auto name = names.rbegin(); name != names.rend(); ++name) {
            ErrorOr<FolderHandle> next = (current ? *current : anchor->handle).openChild(**name);
            if (!next)
                return std::nullopt;
            current.emplace(std::move(next.value()));
        }
        return current;
    }

    void process(FolderJob* job)
    {
        std::shared_ptr<const OpenFolder> ownAnchor = std::move(job->anchor);
        std::optional<FolderHandle> handle;
        if (!m_stop.stop_requested()) {
            handle = open(*job, ownAnchor);
            if (!handle)
                m_unreadable.fetch_add(1, std::memory_order_relaxed);
        }

        std::vector<FolderJob*> subfolders;
        if (handle) {
            ErrorOr<std::vector<FileEntry>> listing = handle->list({}, m_stop);
            if (!listing) {
                if (!m_stop.stop_requested())
                    m_unreadable.fetch_add(1, std::memory_order_relaxed);
            } else {
                subfolders = measureEntries(*job, std::move(listing.value()));
            }
        }
        if (subfolders.empty()) {
            complete(job);
            return;
        }

        // The sub-folders open from this folder's descriptor, kept open until the last of them
        // has. With too many folders open already, they walk down from this folder's own
        // anchor instead, as long as that walk stays short, or the process is short of
        // descriptors: then slow, but never failing for want of one.
        std::shared_ptr<const OpenFolder> anchor = ownAnchor;
        const int openNow = m_openCount.load(std::memory_order_relaxed);
        if (!ownAnchor || openNow < m_openBudget
            || (openNow < m_openCap && walkLength(job->self.get(), *ownAnchor) + 1 > longestReopenWalk)) {
            anchor = std::make_shared<OpenFolder>(std::move(*handle), job->self, m_openCount);
        }
        handle.reset();
        ownAnchor.reset();
        for (FolderJob* sub : subfolders)
            sub->anchor = anchor;
        anchor.reset();
        job->deferred.assign(subfolders.size(), nullptr);
        job->pendingFolders.store(uint32_t(subfolders.size()), std::memory_order_relaxed);
        {
            std::lock_guard lock(m_queueMutex);
            // Reversed, so the first listed is taken first: a depth-first walk keeps few folders open.
            for (auto sub = subfolders.rbegin(); sub != subfolders.rend(); ++sub)
                m_queue.push_back(*sub);
        }
        m_queueChanged.notify_all();
        // `job` may be complete and gone by now, finished on another thread.
    }

    std::vector<FolderJob*> measureEntries(FolderJob& job, std::vector<FileEntry> entries)
    {
        std::vector<FolderJob*> subfolders;
        int64_t files = 0;
        uint64_t bytes = 0;
        int64_t batch = nextBatch();
        for (FileEntry& entry : entries) {
            if (m_stop.stop_requested())
                break;
            if (entry.attributesKnown && entry.kind == FileKind::symbolicLink)
                continue;
            if (entry.attributesKnown && entry.kind == FileKind::folder) {
                if (m_rootDevice && entry.device != *m_rootDevice) {
                    job.children.push_back(DiskNode::mountPoint(job.self, std::move(entry.name)));
                    std::lock_guard lock(m_mountPointsMutex);
                    m_mountPoints.push_back(job.children.back().path());
                    continue;
                }
                auto* sub = new FolderJob;
                sub->parent = &job;
                sub->ordinal = uint32_t(subfolders.size());
                sub->self = DiskFolderLocation::make(job.self, std::move(entry.name));
                job.folderSlots.push_back(uint32_t(job.children.size()));
                job.children.emplace_back();
                subfolders.push_back(sub);
                continue;
            }
            const uint64_t size = entry.attributesKnown ? entry.sizeOnDisk() : 0;
            ++files;
            if (entry.attributesKnown && entry.linkCount > 1) {
                const InodeKey key { entry.device, entry.inode };
                if (firstSightForProgress(key))
                    bytes += size;
                job.links.push_back({ uint32_t(job.children.size()), size, key, std::move(entry.name) });
                job.children.emplace_back();
            } else {
                bytes += size;
                if (size < m_threshold) {
                    job.smallSum += size;
                    ++job.smallCount;
                } else {
                    job.children.push_back(DiskNode::file(job.self, std::move(entry.name), size));
                }
            }
            if (files == batch) {
                count(files, bytes);
                files = 0;
                bytes = 0;
                batch = nextBatch();
            }
        }
        count(files, bytes);
        return subfolders;
    }

    // Files to count locally before the shared counters hear of them: up to a batch, but never
    // past the next report, so that a one-thread walk reports at exactly every 2,000 files.
    int64_t nextBatch() const
    {
        const int64_t untilReport
            = m_lastReport.load(std::memory_order_relaxed) + progressInterval - m_files.load(std::memory_order_relaxed);
        return std::clamp<int64_t>(untilReport, 1, counterBatch);
    }

    bool firstSightForProgress(const InodeKey& key)
    {
        std::lock_guard lock(m_progressLinksMutex);
        return m_progressLinks.insert(key).second;
    }

    void count(int64_t files, uint64_t bytes)
    {
        if (files == 0 && bytes == 0)
            return;
        m_bytes.fetch_add(bytes, std::memory_order_relaxed);
        const int64_t total = m_files.fetch_add(files, std::memory_order_relaxed) + files;
        if (!m_onProgress || total - m_lastReport.load(std::memory_order_relaxed) < progressInterval)
            return;
        std::lock_guard lock(m_progressMutex);
        const int64_t now = m_files.load(std::memory_order_relaxed);
        if (now - m_lastReport.load(std::memory_order_relaxed) < progressInterval)
            return;
        m_lastReport.store(now, std::memory_order_relaxed);
        m_onProgress({ now, m_bytes.load(std::memory_order_relaxed) });
    }

    static DiskNode node(FolderJob& job, uint64_t threshold)
    {
        if (!job.links.empty()) {
            // Hard links resolved: the small ones join the aggregate, the others take their place.
            std::vector<DiskNode> children;
            children.reserve(job.children.size());
            size_t link = 0;
            for (size_t i = 0; i < job.children.size(); ++i) {
                if (link < job.links.size() && job.links[link].childIndex == i) {
                    PendingLink& pending = job.links[link++];
                    if (pending.size < threshold) {
                        job.smallSum += pending.size;
                        ++job.smallCount;
                    } else {
                        children.push_back(DiskNode::file(job.self, std::move(pending.name), pending.size));
                    }
                } else {
                    children.push_back(std::move(job.children[i]));
                }
            }
            job.children = std::move(children);
        }
        if (job.smallCount > 0)
            job.children.push_back(DiskNode::smallFilesAggregate(job.self, job.smallSum, job.smallCount));
        return DiskNode::directory(job.self, std::move(job.children));
    }

    // Called once a folder has been listed and all its sub-folders are complete; completes the
    // ancestors that were waiting only for it. Folders holding hard links, or above one, wait
    // for the pass after the walk.
    void complete(FolderJob* job)
    {
        while (job) {
            FolderJob* parent = job->parent;
            const bool waitsForLinks
                = !job->links.empty() || std::any_of(job->deferred.begin(), job->deferred.end(), [](FolderJob* sub) { return sub; });
            if (waitsForLinks) {
                if (parent)
                    parent->deferred[job->ordinal] = job;
                else
                    m_deferredRoot = job;
            } else {
                DiskNode built = node(*job, m_threshold);
                if (parent)
                    parent->children[parent->folderSlots[job->ordinal]] = std::move(built);
                else
                    m_root = std::move(built);
                delete job;
            }
            if (!parent) {
                {
                    std::lock_guard lock(m_queueMutex);
                    m_finished = true;
                }
                m_queueChanged.notify_all();
                return;
            }
            if (parent->pendingFolders.fetch_sub(1, std::memory_order_acq_rel) != 1)
                return;
            job = parent;
        }
    }

    // After the walk, one thread: the folders that hold hard links, visited in the order a
    // one-thread walk meets their entries, give each (device, inode) its size once.
    void resolveLinks(FolderJob* root)
    {
        struct Frame {
            FolderJob* job;
            size_t nextLink = 0;
            size_t nextFolder = 0;
        };
        std::unordered_set<InodeKey, InodeKeyHash> seen;
        std::vector<Frame> stack { { root } };
        while (!stack.empty()) {
            Frame& frame = stack.back();
            FolderJob& job = *frame.job;
            while (frame.nextFolder < job.deferred.size() && !job.deferred[frame.nextFolder])
                ++frame.nextFolder;
            constexpr size_t none = std::numeric_limits<size_t>::max();
            const size_t linkIndex = frame.nextLink < job.links.size() ? job.links[frame.nextLink].childIndex : none;
            const size_t folderIndex = frame.nextFolder < job.deferred.size() ? job.folderSlots[frame.nextFolder] : none;
            if (linkIndex == none && folderIndex == none) {
                FolderJob* done = frame.job;
                stack.pop_back();
                DiskNode built = node(*done, m_threshold);
                if (done->parent)
                    done->parent->children[done->parent->folderSlots[done->ordinal]] = std::move(built);
                else
                    m_root = std::move(built);
                delete done;
                continue;
            }
            if (linkIndex < folderIndex) {
                PendingLink& link = job.links[frame.nextLink++];
                if (!seen.insert(link.key).second)
                    link.size = 0;
            } else {
                FolderJob* sub = job.deferred[frame.nextFolder++];
                stack.push_back({ sub });
            }
        }
    }

    const uint64_t m_threshold;
    const std::optional<uint64_t> m_rootDevice;  // absent: mounts are crossed
    const std::stop_token m_stop;
    const std::function<void(const DiskScanScanning&)>& m_onProgress;

    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::vector<FolderJob*> m_queue;  // a stack: depth first
    bool m_finished = false;

    std::optional<FolderHandle> m_rootHandle;
    DiskNode m_root;
    FolderJob* m_deferredRoot = nullptr;

    std::atomic<int64_t> m_files { 0 };
    std::atomic<uint64_t> m_bytes { 0 };
    std::atomic<int64_t> m_lastReport { 0 };
    std::atomic<int64_t> m_unreadable { 0 };
    std::mutex m_mountPointsMutex;
    std::vector<std::string> m_mountPoints;
    std::mutex m_progressMutex;
    std::mutex m_progressLinksMutex;
    std::unordered_set<InodeKey, InodeKeyHash> m_progressLinks;

    std::atomic<int> m_openCount { 0 };
    int m_openBudget = 256;
    int m_openCap = 1024;
};

std::string normalizedRoot(std::string root)
{
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

}  // namespace

int DiskScanner::defaultThreadCount()
{
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

DiskScanner::DiskScanner(uint64_t smallFileThreshold, int threadCount, Mounts mounts)
    : m_smallFileThreshold(smallFileThreshold)
    , m_threadCount(std::max(1, threadCount))
    , m_mounts(mounts)
{
}

std::optional<DiskScanProgress> DiskScanner::measure(const std::string& rootPath, std::stop_token stop,
    const std::function<void(const DiskScanScanning&)>& onProgress, bool backgroundPriority) const
{
    if (backgroundPriority)
        lowerCurrentThreadPriority();
    const std::string root = normalizedRoot(rootPath);
    std::error_code error;
    if (root.empty() || !std::filesystem::is_directory(root, error))
        return DiskScanMissing { rootPath };

    ErrorOr<FolderHandle> handle = FolderHandle::open(root);
    DiskScanComplete result;
    if (!handle) {
        // There, a folder, but not ours to read: an empty root, counted like any other.
        result = { DiskNode::directory(DiskFolderLocation::forPath(root), {}), 1 };
    } else {
        std::optional<uint64_t> rootDevice;
        if (m_mounts == Mounts::stayOnFileSystem) {
            ErrorOr<uint64_t> device = handle.value().device();
            if (device)
                rootDevice = device.value();
        }
        TreeBuilder builder(m_smallFileThreshold, rootDevice, stop, onProgress);
        result = builder.build(root, std::move(handle.value()), m_threadCount, backgroundPriority);
    }
    if (stop.stop_requested())
        return std::nullopt;
    return result;
}

Stream<DiskScanProgress> DiskScanner::scan(std::string root) const
{
    DiskScanner scanner = *this;
    return Stream<DiskScanProgress>::start([scanner, root = std::move(root)](StreamProducer<DiskScanProgress>& out) {
        std::optional<DiskScanProgress> result
            = scanner.measure(root, out.stopToken(), [&out](const DiskScanScanning& progress) { out.yield(progress); }, true);
        if (result)
            out.yield(std::move(*result));
    });
}

}  // namespace lopewell
