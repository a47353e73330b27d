#include "app/files/duplicate_finder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace lopewell {

namespace {

// A run of files that share bucket and logical size: only these can be identical to each other.
struct Partition {
    std::size_t bucket = 0;
    std::size_t firstFile = 0;
    std::size_t fileCount = 0;
    std::uint64_t logicalSize = 0;
    std::size_t pending = 0;  // reads not yet finished in the current stage
};

struct FileSlot {
    const DuplicateCandidate* candidate = nullptr;
    std::size_t partition = 0;
    std::size_t orderInBucket = 0;
    FileDigest prefix;  // the whole file when it is no longer than the prefix
    FileDigest full;
    bool hasFinalDigest = false;

    const FileDigest& finalDigest() const { return full.status == FileDigestStatus::ok ? full : prefix; }
};

struct BucketState {
    std::uint64_t size = 0;
    std::size_t pendingPartitions = 0;
    std::size_t firstFile = 0;
    std::size_t fileCount = 0;
    bool done = false;
    std::vector<DuplicateGroup> groups;
};

struct DigestLess {
    bool operator()(const Sha256Digest& a, const Sha256Digest& b) const { return a < b; }
};

// Files of one prefix compared side by side up to this many; more are hashed one by one, in
// parallel, so that a set of many differing files costs no more than hashing them.
constexpr std::size_t compareSetLimit = 8;

class Search {
public:
    Search(std::vector<SizeBucket>& buckets, std::stop_token stop, const DuplicateBucketProgress& onBucketDone)
        : m_stop(std::move(stop))
        , m_onBucketDone(onBucketDone)
    {
        std::stable_sort(buckets.begin(), buckets.end(), [](const SizeBucket& a, const SizeBucket& b) { return a.size > b.size; });
        for (const SizeBucket& bucket : buckets) {
            if (bucket.files.size() >= 2)
                plan(bucket);
        }
        // First reads go folder by folder, so a reader opens each file relative to the folder it
        // already holds open. Results are gathered per bucket, so the order changes no answer.
        m_prefixOrder.resize(m_files.size());
        for (std::size_t i = 0; i < m_files.size(); ++i)
            m_prefixOrder[i] = i;
        std::stable_sort(m_prefixOrder.begin(), m_prefixOrder.end(),
            [this](std::size_t a, std::size_t b) { return m_files[a].candidate->path < m_files[b].candidate->path; });
    }

    std::size_t readCount() const { return m_files.size(); }

    void run(unsigned workers)
    {
        {
            std::lock_guard lock(m_mutex);
            advanceFrontier();
        }
        std::vector<std::jthread> helpers;
        for (unsigned i = 1; i < workers; ++i)
            helpers.emplace_back([this] { work(); });
        work();
    }

    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    DuplicateSearch result()
    {
        std::stable_sort(m_groups.begin(), m_groups.end(),
            [](const DuplicateGroup& a, const DuplicateGroup& b) { return a.reclaimableBytes() > b.reclaimableBytes(); });
        return { std::move(m_groups), m_reclaimable };
    }

private:
    enum class Stage { prefix, full, compare };
    struct Job {
        Stage stage;
        std::size_t index;  // a file, or for compare a set of m_compareSets
    };

    void plan(const SizeBucket& bucket)
    {
        const std::size_t bucketIndex = m_buckets.size();
        BucketState& state = m_buckets.emplace_back();
        state.size = bucket.size;
        state.firstFile = m_files.size();

        // Two paths to one inode are one file on disk: trashing either frees nothing. The first
        // path found stands for it.
        std::set<std::pair<std::uint64_t, std::uint64_t>> seenInodes;
        std::map<std::uint64_t, std::vector<std::size_t>> byLogicalSize;
        std::vector<std::uint64_t> logicalSizesInOrder;
        for (std::size_t i = 0; i < bucket.files.size(); ++i) {
            const FileIdentity& identity = bucket.files[i].identity;
            if (!seenInodes.emplace(identity.device, identity.inode).second)
                continue;
            auto [entry, added] = byLogicalSize.try_emplace(identity.logicalSize);
            if (added)
                logicalSizesInOrder.push_back(identity.logicalSize);
            entry->second.push_back(i);
        }
        for (std::uint64_t logicalSize : logicalSizesInOrder) {
            const std::vector<std::size_t>& members = byLogicalSize[logicalSize];
            if (members.size() < 2)
                continue;
            Partition& partition = m_partitions.emplace_back();
            partition.bucket = bucketIndex;
            partition.firstFile = m_files.size();
            partition.fileCount = members.size();
            partition.logicalSize = logicalSize;
            partition.pending = members.size();
            for (std::size_t member : members) {
                FileSlot& slot = m_files.emplace_back();
                slot.candidate = &bucket.files[member];
                slot.partition = m_partitions.size() - 1;
                slot.orderInBucket = member;
            }
            ++state.pendingPartitions;
        }
        state.fileCount = m_files.size() - state.firstFile;
        if (state.pendingPartitions == 0)
            state.done = true;
    }

    bool stopRequested()
    {
        if (m_cancelled.load(std::memory_order_relaxed))
            return true;
        if (m_stop.stop_requested()) {
            m_cancelled.store(true, std::memory_order_relaxed);
            return true;
        }
        return false;
    }

    void work()
    {
        FileDigester digester;
        // The digester asks a question rather than holding a token; the token answers it here.
        const FileDigester::CancelChecker checker = [this] { return stopRequested(); };
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] {
                return cancelled() || !m_laterReads.empty() || m_nextPrefixRead < m_files.size() || m_frontier == m_buckets.size();
            });
            if (cancelled() || m_frontier == m_buckets.size())
                break;
            // Finishing started buckets first keeps progress moving and few digests pending.
            Job job {};
            if (!m_laterReads.empty()) {
                job = m_laterReads.front();
                m_laterReads.pop_front();
            } else {
                job = { Stage::prefix, m_prefixOrder[m_nextPrefixRead++] };
            }
            // Other workers append compare sets under the lock; an element once there stays put,
            // but finding it reads the container itself, so that happens before unlocking.
            const std::vector<std::size_t>* compareSet = job.stage == Stage::compare ? &m_compareSets[job.index] : nullptr;
            lock.unlock();

            const std::size_t file = compareSet ? compareSet->front() : job.index;
            FileSlot& slot = m_files[file];
            const bool stop = stopRequested();
            if (!stop && job.stage == Stage::prefix) {
                slot.prefix = digester.digest(slot.candidate->path, slot.candidate->identity, duplicatePrefixBytes, checker);
            } else if (!stop && job.stage == Stage::full) {
                slot.full
                    = digester.digest(slot.candidate->path, slot.candidate->identity, FileDigester::wholeFile, checker, slot.prefix.stamp);
            } else if (!stop) {
                compareFiles(*compareSet, digester, checker);
            }

            lock.lock();
            if (stop || cancelled()) {
                m_cancelled.store(true, std::memory_order_relaxed);
                m_changed.notify_all();
                break;
            }
            Partition& partition = m_partitions[slot.partition];
            if (--partition.pending == 0) {
                if (job.stage == Stage::prefix)
                    afterPrefixes(partition);
                else
                    finishPartition(partition);
            }
            m_changed.notify_all();
        }
    }

    // Sorts a few files of equal prefix into sets of equal bytes by reading them side by side
    // against a representative, so each set is hashed once rather than once per copy. Every
    // file that ends up in a set of two or more gets the set's digest; a file that matches no
    // representative among the first two is hashed on its own. Runs outside the lock.
    void compareFiles(const std::vector<std::size_t>& members, FileDigester& digester, const FileDigester::CancelChecker& checker)
    {
        struct EqualSet {
            std::size_t representative;
            std::optional<Sha256Digest> digest;
            std::vector<std::size_t> copies;
            bool failed = false;
        };
        const auto toRead = [this](std::size_t file) {
            const FileSlot& slot = m_files[file];
            return FileToRead { slot.candidate->path, slot.candidate->identity, slot.prefix.stamp };
        };
        std::vector<EqualSet> sets;
        std::vector<std::size_t> hashAlone;
        for (std::size_t member : members) {
            bool placed = false;
            std::size_t liveSets = 0;
            for (EqualSet& set : sets) {
                if (set.failed)
                    continue;
                ++liveSets;
                const FileComparison comparison = digester.compare(toRead(set.representative), toRead(member), !set.digest, checker);
                if (comparison.status == FileComparisonStatus::cancelled)
                    return;
                if (comparison.status == FileComparisonStatus::same) {
                    if (comparison.firstDigest)
                        set.digest = comparison.firstDigest;
                    set.copies.push_back(member);
                    placed = true;
                    break;
                }
                if (comparison.status == FileComparisonStatus::secondFailed) {
                    placed = true;  // this file takes part in no group
                    break;
                }
                if (comparison.status == FileComparisonStatus::firstFailed) {
                    // The representative changed: what matched it is read again on its own.
                    set.failed = true;
                    --liveSets;
                    hashAlone.insert(hashAlone.end(), set.copies.begin(), set.copies.end());
                    set.copies.clear();
                }
            }
            if (placed)
                continue;
            if (liveSets < 2)
                sets.push_back({ member, std::nullopt, {}, false });
            else
                hashAlone.push_back(member);
        }
        for (const EqualSet& set : sets) {
            if (set.failed || set.copies.empty() || !set.digest)
                continue;
            for (std::size_t file : set.copies)
                m_files[file].full = { FileDigestStatus::ok, *set.digest, m_files[file].prefix.stamp };
            m_files[set.representative].full = { FileDigestStatus::ok, *set.digest, m_files[set.representative].prefix.stamp };
        }
        if (hashAlone.empty())
            return;
        // A file read on its own may still equal a representative that nothing else matched.
        for (const EqualSet& set : sets) {
            if (!set.failed && set.copies.empty())
                hashAlone.push_back(set.representative);
        }
        for (std::size_t file : hashAlone) {
            FileSlot& slot = m_files[file];
            slot.full
                = digester.digest(slot.candidate->path, slot.candidate->identity, FileDigester::wholeFile, checker, slot.prefix.stamp);
            if (slot.full.status == FileDigestStatus::cancelled)
                return;
        }
    }

    // Called with the lock held.
    void afterPrefixes(Partition& partition)
    {
        const std::size_t end = partition.firstFile + partition.fileCount;
        if (partition.logicalSize <= duplicatePrefixBytes) {
            for (std::size_t i = partition.firstFile; i < end; ++i)
                m_files[i].hasFinalDigest = m_files[i].prefix.status == FileDigestStatus::ok;
            finishPartition(partition);
            return;
        }
        std::map<Sha256Digest, std::vector<std::size_t>, DigestLess> byPrefix;
        for (std::size_t i = partition.firstFile; i < end; ++i) {
            if (m_files[i].prefix.status == FileDigestStatus::ok)
                byPrefix[m_files[i].prefix.digest].push_back(i);
        }
        for (const auto& [prefix, members] : byPrefix) {
            if (members.size() < 2)
                continue;
            if (members.size() <= compareSetLimit) {
                m_compareSets.push_back(members);
                m_laterReads.push_back({ Stage::compare, m_compareSets.size() - 1 });
                ++partition.pending;
                continue;
            }
            for (std::size_t member : members) {
                m_laterReads.push_back({ Stage::full, member });
                ++partition.pending;
            }
        }
        if (partition.pending == 0)
            finishPartition(partition);
    }

    void finishPartition(Partition& partition)
    {
        const std::size_t end = partition.firstFile + partition.fileCount;
        for (std::size_t i = partition.firstFile; i < end; ++i) {
            if (m_files[i].full.status == FileDigestStatus::ok)
                m_files[i].hasFinalDigest = true;
        }
        BucketState& bucket = m_buckets[partition.bucket];
        if (--bucket.pendingPartitions == 0) {
            bucket.groups = groupsOf(bucket);
            bucket.done = true;
            advanceFrontier();
        }
    }

    std::vector<DuplicateGroup> groupsOf(const BucketState& bucket) const
    {
        std::map<Sha256Digest, std::vector<const FileSlot*>, DigestLess> byDigest;
        for (std::size_t i = bucket.firstFile; i < bucket.firstFile + bucket.fileCount; ++i) {
            if (m_files[i].hasFinalDigest)
                byDigest[m_files[i].finalDigest().digest].push_back(&m_files[i]);
        }
        // Groups in the order their first file was found, so runs agree with each other.
        std::vector<std::pair<std::size_t, DuplicateGroup>> found;
        for (const auto& [digest, members] : byDigest) {
            if (members.size() < 2)
                continue;
            DuplicateGroup group { lowerHex(digest), bucket.size, {} };
            std::size_t firstFound = members.front()->orderInBucket;
            for (const FileSlot* member : members) {
                group.files.push_back(member->candidate->path);
                firstFound = std::min(firstFound, member->orderInBucket);
            }
            sortCanonically(group.files);
            found.emplace_back(firstFound, std::move(group));
        }
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<DuplicateGroup> groups;
        groups.reserve(found.size());
        for (auto& entry : found)
            groups.push_back(std::move(entry.second));
        return groups;
    }

    // Hands finished buckets on in bucket order. Called with the lock held.
    void advanceFrontier()
    {
        while (m_frontier < m_buckets.size() && m_buckets[m_frontier].done && !stopRequested()) {
            for (DuplicateGroup& group : m_buckets[m_frontier].groups) {
                const std::uint64_t bytes = group.reclaimableBytes();
                m_reclaimable = bytes > std::numeric_limits<std::uint64_t>::max() - m_reclaimable
                    ? std::numeric_limits<std::uint64_t>::max()
                    : m_reclaimable + bytes;
                m_groups.push_back(std::move(group));
            }
            m_buckets[m_frontier].groups.clear();
            ++m_frontier;
            if (m_onBucketDone)
                m_onBucketDone(m_groups.size(), m_reclaimable);
        }
    }

    const std::stop_token m_stop;
    const DuplicateBucketProgress& m_onBucketDone;
    std::atomic<bool> m_cancelled = false;

    std::vector<BucketState> m_buckets;
    std::vector<Partition> m_partitions;
    std::vector<FileSlot> m_files;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::size_t> m_prefixOrder;
    std::size_t m_nextPrefixRead = 0;
    std::deque<Job> m_laterReads;                        // whole reads and comparisons, which finish buckets
    std::deque<std::vector<std::size_t>> m_compareSets;  // a deque: workers hold references while it grows
    std::size_t m_frontier = 0;
    std::vector<DuplicateGroup> m_groups;
    std::uint64_t m_reclaimable = 0;
};

}  // namespace

std::optional<DuplicateSearch> findDuplicates(
    std::vector<SizeBucket> buckets, std::stop_token stop, const DuplicateBucketProgress& onBucketDone, unsigned workers)
{
    if (stop.stop_requested())
        return std::nullopt;
    Search search(buckets, std::move(stop), onBucketDone);
    if (workers == 0)
        workers = std::max(1u, std::min(std::thread::hardware_concurrency(), 8u));
    workers = unsigned(std::min<std::size_t>(workers, std::max<std::size_t>(1, search.readCount())));
    search.run(workers);
    if (search.cancelled())
        return std::nullopt;
    return search.result();
}

}  // namespace lopewell
