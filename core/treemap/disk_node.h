// The size tree of a scanned folder: files, folders, and per folder one synthetic node that
// stands for all its files below a size threshold ("Small files (N)"), so a folder with many
// thousands of small files costs one node. A folder where another file system is mounted, left
// unscanned, is a mount point: a folder of size 0 without children.
//
//   DiskNode tree = DiskNode::directory("/data", { DiskNode::file("/data/a.iso", 4 << 20),
//                                                  DiskNode::file("/data/b.txt", 10) }, 1 << 20);
//   tree.children()[1].name();             // "Small files (1)"
//   DiskNode pruned = tree.removing("/data/a.iso");
//
// Nodes are immutable values. Copies share their children and their folders' locations, so the
// drill path, the selection and a pruned tree cost little beside the tree they came from, and a
// tree ten thousand folders deep holds each folder's name once, not each full path.
//
// THREAD-SAFETY: a node may be read from any number of threads at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

// A folder's location as a chain of names: the folder's own name under its parent's location.
// The first link of a chain holds a whole path ("/home/ada").
class DiskFolderLocation {
public:
    using Pointer = std::shared_ptr<const DiskFolderLocation>;

    static Pointer make(Pointer parent, std::string name);
    // A chain of one link for an absolute path.
    static Pointer forPath(std::string_view path);

    DiskFolderLocation(Pointer parent, std::string name);
    // A chain ten thousand links long must not unwind through ten thousand destructor frames.
    ~DiskFolderLocation();
    DiskFolderLocation(const DiskFolderLocation&) = delete;
    DiskFolderLocation& operator=(const DiskFolderLocation&) = delete;

    std::string path() const;
    const Pointer& parent() const { return m_parent; }
    const std::string& name() const { return m_name; }

private:
    Pointer m_parent;
    std::string m_name;
};

class DiskNode {
public:
    // The last component of an aggregate's path.
    static constexpr std::string_view smallFilesComponent = ".__lopewell_smallfiles__";

    static DiskNode file(std::string_view path, uint64_t size);
    static DiskNode directory(std::string_view path, std::vector<DiskNode> children);
    // Children that are neither folders nor aggregates and are strictly smaller than the
    // threshold are folded into one aggregate, appended after the kept children.
    static DiskNode directory(std::string_view path, std::vector<DiskNode> children, uint64_t smallFileThreshold);
    static DiskNode smallFilesAggregate(std::string_view folderPath, uint64_t size, int64_t count);
    static DiskNode mountPoint(std::string_view path);

    // The same, for builders that already hold the locations (the scanner): `folder` is where
    // the node lives, `self` the location of the folder being built.
    static DiskNode file(DiskFolderLocation::Pointer folder, std::string name, uint64_t size);
    static DiskNode directory(const DiskFolderLocation::Pointer& self, std::vector<DiskNode> children);
    static DiskNode smallFilesAggregate(DiskFolderLocation::Pointer self, uint64_t size, int64_t count);
    static DiskNode mountPoint(DiskFolderLocation::Pointer folder, std::string name);

    DiskNode() = default;
    DiskNode(const DiskNode&) = default;
    DiskNode(DiskNode&&) noexcept = default;
    DiskNode& operator=(const DiskNode&) = default;
    DiskNode& operator=(DiskNode&&) noexcept = default;
    // Frees deep trees without recursing.
    ~DiskNode();

    std::string path() const;
    // The last component of path ("" for "/"); for an aggregate "Small files (N)".
    std::string name() const;
    uint64_t size() const { return m_size; }
    bool isDirectory() const { return m_isDirectory; }
    bool isAggregate() const { return m_isAggregate; }
    int64_t aggregateCount() const { return m_aggregateCount; }
    // Another file system is mounted here; the scan did not enter it.
    bool isMountPoint() const { return m_isMountPoint; }
    const std::vector<DiskNode>& children() const;

    // A copy of the tree without the node at `path`, every folder on the way rebuilt with its
    // size recomputed. Unknown locations give an equal tree.
    DiskNode removing(std::string_view path) const;

    // Field by field, children included.
    bool operator==(const DiskNode& other) const;

private:
    // True when this node's location is a link onto `folder`'s own location.
    bool isLocatedIn(const DiskNode& folder) const;
    std::string childPath(const std::string& folderPath, const DiskNode& child) const;

    DiskFolderLocation::Pointer m_folder;  // the folder holding this node; null when path has no parent
    std::string m_name;                    // last component (for a node without folder: the whole path)
    uint64_t m_size = 0;
    // Shared between copies and never changed once built.
    std::shared_ptr<std::vector<DiskNode>> m_children;
    int64_t m_aggregateCount = 0;
    bool m_isDirectory = false;
    bool m_isAggregate = false;
    bool m_isMountPoint = false;
};

// The name of the aggregate for `count` files: "Small files (3)".
std::string smallFilesName(int64_t count);

}  // namespace lopewell
