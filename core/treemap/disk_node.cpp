#include "core/treemap/disk_node.h"

#include <utility>

namespace lopewell {

namespace {

std::string joined(std::string folder, std::string_view name)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    folder += name;
    return folder;
}

// "/a/b" → ("/a", "b"); "/a" → ("/", "a"); "/" and "name" have no folder.
struct SplitPath {
    std::string_view folder;
    std::string_view name;
    bool hasFolder = false;
};

SplitPath split(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || path.size() == 1)
        return { {}, path, false };
    if (slash == 0)
        return { path.substr(0, 1), path.substr(1), true };
    return { path.substr(0, slash), path.substr(slash + 1), true };
}

const std::vector<DiskNode>& noChildren()
{
    static const std::vector<DiskNode> empty;
    return empty;
}

}  // namespace

std::string smallFilesName(int64_t count)
{
    return "Small files (" + std::to_string(count) + ")";
}

DiskFolderLocation::DiskFolderLocation(Pointer parent, std::string name) : m_parent(std::move(parent)), m_name(std::move(name)) {}

DiskFolderLocation::~DiskFolderLocation()
{
    // Unlink sole-owned ancestors one by one; each then dies without a parent to release.
    Pointer next = std::move(m_parent);
    while (next && next.use_count() == 1) {
        Pointer grandparent = std::move(const_cast<DiskFolderLocation&>(*next).m_parent);
        next = std::move(grandparent);
    }
}

DiskFolderLocation::Pointer DiskFolderLocation::make(Pointer parent, std::string name)
{
    return std::make_shared<DiskFolderLocation>(std::move(parent), std::move(name));
}

DiskFolderLocation::Pointer DiskFolderLocation::forPath(std::string_view path)
{
    return make(nullptr, std::string(path));
}

std::string DiskFolderLocation::path() const
{
    std::vector<const std::string*> names;
    const DiskFolderLocation* link = this;
    for (; link->m_parent; link = link->m_parent.get())
        names.push_back(&link->m_name);
    std::string result = link->m_name;
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        result = joined(std::move(result), **it);
    return result;
}

DiskNode DiskNode::file(std::string_view path, uint64_t size)
{
    const SplitPath parts = split(path);
    return file(parts.hasFolder ? DiskFolderLocation::forPath(parts.folder) : nullptr, std::string(parts.name), size);
}

DiskNode DiskNode::file(DiskFolderLocation::Pointer folder, std::string name, uint64_t size)
{
    DiskNode node;
    node.m_folder = std::move(folder);
    node.m_name = std::move(name);
    node.m_size = size;
    return node;
}

DiskNode DiskNode::directory(std::string_view path, std::vector<DiskNode> children)
{
    const SplitPath parts = split(path);
    return directory(
        DiskFolderLocation::make(parts.hasFolder ? DiskFolderLocation::forPath(parts.folder) : nullptr, std::string(parts.name)),
        std::move(children));
}

DiskNode DiskNode::directory(const DiskFolderLocation::Pointer& self, std::vector<DiskNode> children)
{
    DiskNode node;
    node.m_folder = self->parent();
    node.m_name = self->name();
    node.m_isDirectory = true;
    for (const DiskNode& child : children)
        node.m_size += child.m_size;
    if (!children.empty())
        node.m_children = std::make_shared<std::vector<DiskNode>>(std::move(children));
    return node;
}

DiskNode DiskNode::directory(std::string_view path, std::vector<DiskNode> children, uint64_t smallFileThreshold)
{
    std::vector<DiskNode> kept;
    kept.reserve(children.size());
    uint64_t sum = 0;
    int64_t count = 0;
    for (DiskNode& child : children) {
        if (!child.m_isDirectory && !child.m_isAggregate && child.m_size < smallFileThreshold) {
            sum += child.m_size;
            ++count;
        } else {
            kept.push_back(std::move(child));
        }
    }
    if (count > 0)
        kept.push_back(smallFilesAggregate(path, sum, count));
    return directory(path, std::move(kept));
}

DiskNode DiskNode::smallFilesAggregate(std::string_view folderPath, uint64_t size, int64_t count)
{
    return smallFilesAggregate(DiskFolderLocation::forPath(folderPath), size, count);
}

DiskNode DiskNode::mountPoint(std::string_view path)
{
    const SplitPath parts = split(path);
    return mountPoint(parts.hasFolder ? DiskFolderLocation::forPath(parts.folder) : nullptr, std::string(parts.name));
}

DiskNode DiskNode::mountPoint(DiskFolderLocation::Pointer folder, std::string name)
{
    DiskNode node = file(std::move(folder), std::move(name), 0);
    node.m_isDirectory = true;
    node.m_isMountPoint = true;
    return node;
}

DiskNode DiskNode::smallFilesAggregate(DiskFolderLocation::Pointer self, uint64_t size, int64_t count)
{
    DiskNode node = file(std::move(self), std::string(smallFilesComponent), size);
    node.m_isAggregate = true;
    node.m_aggregateCount = count;
    return node;
}

DiskNode::~DiskNode()
{
    if (!m_children || m_children.use_count() != 1)
        return;
    // Detach every sole-owned child list before its parent list dies, so no destructor nests.
    std::vector<std::shared_ptr<std::vector<DiskNode>>> pending;
    pending.push_back(std::move(m_children));
    while (!pending.empty()) {
        std::shared_ptr<std::vector<DiskNode>> list = std::move(pending.back());
        pending.pop_back();
        for (DiskNode& child : *list) {
            if (child.m_children && child.m_children.use_count() == 1)
                pending.push_back(std::move(child.m_children));
        }
    }
}

std::string DiskNode::path() const
{
    if (!m_folder)
        return m_name;
    return joined(m_folder->path(), m_name);
}

std::string DiskNode::name() const
{
    if (m_isAggregate)
        return smallFilesName(m_aggregateCount);
    if (m_folder)
        return m_name;
    const SplitPath parts = split(m_name);
    return parts.name == "/" ? std::string() : std::string(parts.name);
}

const std::vector<DiskNode>& DiskNode::children() const
{
    return m_children ? *m_children : noChildren();
}

bool DiskNode::isLocatedIn(const DiskNode& folder) const
{
    return m_folder && m_folder->parent() == folder.m_folder && m_folder->name() == folder.m_name;
}

std::string DiskNode::childPath(const std::string& folderPath, const DiskNode& child) const
{
    // Built by the scanner, a child's location is a link onto this folder's own: its path then
    // follows from the folder's without walking the whole chain again.
    return child.isLocatedIn(*this) ? joined(folderPath, child.m_name) : child.path();
}

DiskNode DiskNode::removing(std::string_view target) const
{
    // Walk down the folders whose location is a prefix of the target (a loop, not recursion: the
    // tree may be deeper than the stack), then rebuild the folders on the way back up.
    struct Step {
        const DiskNode* folder;
        size_t childIndex;  // the child replaced on the way back up
    };
    std::vector<Step> steps;
    const DiskNode* node = this;
    std::string nodePath = path();
    std::vector<DiskNode> rebuiltChildren;
    bool found = false;
    while (node->m_isDirectory) {
        const std::vector<DiskNode>& children = node->children();
        std::vector<std::string> paths;
        paths.reserve(children.size());
        size_t removeIndex = children.size();
        for (size_t i = 0; i < children.size() && removeIndex == children.size(); ++i) {
            paths.push_back(node->childPath(nodePath, children[i]));
            if (paths.back() == target)
                removeIndex = i;
        }
        if (removeIndex < children.size()) {
            rebuiltChildren.reserve(children.size() - 1);
            for (size_t i = 0; i < children.size(); ++i) {
                if (i != removeIndex)
                    rebuiltChildren.push_back(children[i]);
            }
            found = true;
            break;
        }
        if (!nodePath.ends_with('/'))
            nodePath += '/';
        if (!target.starts_with(nodePath))
            break;
        size_t next = children.size();
        for (size_t i = 0; i < children.size(); ++i) {
            if (children[i].m_isDirectory && target.size() > paths[i].size() && target[paths[i].size()] == '/'
                && target.starts_with(paths[i])) {
                next = i;
                break;
            }
        }
        if (next == children.size()) {
            // Under this folder but in none of its sub-folders: nothing to remove.
            break;
        }
        steps.push_back({ node, next });
        node = &children[next];
        nodePath = std::move(paths[next]);
    }
    if (!found)
        return *this;

    auto rebuilt = [](const DiskNode& original, std::vector<DiskNode> children) {
        DiskNode copy;
        copy.m_folder = original.m_folder;
        copy.m_name = original.m_name;
        copy.m_isDirectory = true;
        for (const DiskNode& child : children)
            copy.m_size += child.m_size;
        if (!children.empty())
            copy.m_children = std::make_shared<std::vector<DiskNode>>(std::move(children));
        return copy;
    };
    DiskNode result = rebuilt(*node, std::move(rebuiltChildren));
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        std::vector<DiskNode> children = step->folder->children();
        children[step->childIndex] = std::move(result);
        result = rebuilt(*step->folder, std::move(children));
    }
    return result;
}

bool DiskNode::operator==(const DiskNode& other) const
{
    // Pairs of nodes to compare, with the parents already found equal.
    struct Pair {
        const DiskNode* left;
        const DiskNode* right;
        const DiskNode* leftParent;
        const DiskNode* rightParent;
    };
    std::vector<Pair> pending { { this, &other, nullptr, nullptr } };
    while (!pending.empty()) {
        const Pair pair = pending.back();
        pending.pop_back();
        const DiskNode& left = *pair.left;
        const DiskNode& right = *pair.right;
        if (left.m_size != right.m_size || left.m_isDirectory != right.m_isDirectory || left.m_isAggregate != right.m_isAggregate
            || left.m_aggregateCount != right.m_aggregateCount || left.m_isMountPoint != right.m_isMountPoint
            || left.children().size() != right.children().size())
            return false;
        const bool samePath = left.m_folder == right.m_folder                                                 ? left.m_name == right.m_name
            : (pair.leftParent && left.isLocatedIn(*pair.leftParent) && right.isLocatedIn(*pair.rightParent)) ? left.m_name == right.m_name
                                                                                                              : left.path() == right.path();
        if (!samePath)
            return false;
        if (left.m_children == right.m_children)
            continue;
        const std::vector<DiskNode>& leftChildren = left.children();
        const std::vector<DiskNode>& rightChildren = right.children();
        for (size_t i = 0; i < leftChildren.size(); ++i)
            pending.push_back({ &leftChildren[i], &rightChildren[i], &left, &right });
    }
    return true;
}

}  // namespace lopewell
