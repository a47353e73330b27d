#include "platform/trash_service.h"
#include "platform/file_walk.h"
#include "platform/linux/trash_directory_sizes.h"
#include "platform/linux/trash_service_testing.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace lopewell {

namespace fs = std::filesystem;

std::function<void(const fs::path&)> trash_testing::beforeEnteringFolder;

namespace {

int openFolderNoFollow(int parent, const char* name)
{
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool isTrashComponent(const std::string& component, const std::string& uidSuffixed)
{
    return component == ".Trash" || component == ".Trashes" || component == uidSuffixed;
}

// Every name in the open folder `fd` but "." and "..".
ErrorOr<std::vector<std::string>> readNames(int fd)
{
    std::vector<std::string> names;
    if (ErrorOr<void> read = forEachFolderName(fd,
            [&](const char* name) {
                names.emplace_back(name);
                return true;
            });
        !read)
        return read.error();
    return names;
}

// Removes the folder `name` in the open folder `parent` and everything below it, holding at most
// three descriptors at any depth: it goes down by openat(O_NOFOLLOW) and back up by "..",
// checking that ".." is still the folder it came from. `path` is only for messages.
ErrorOr<void> removeFolderTree(int parent, const std::string& name, const fs::path& path)
{
    struct Level {
        std::string name;
        dev_t device = 0;
        ino_t inode = 0;
        std::vector<std::string> pendingFolders;
    };
    std::optional<Error> firstError;
    const auto record = [&](Error error) {
        if (!firstError)
            firstError = std::move(error);
    };
    const auto pathOf = [&](const std::vector<Level>& levels, const std::string& leaf) {
        fs::path result = path;
        for (size_t i = 1; i < levels.size(); ++i)
            result /= levels[i].name;
        return leaf.empty() ? result : result / leaf;
    };

    UniqueFd current(openFolderNoFollow(parent, name.c_str()));
    if (!current) {
        // Swapped for a link or a file since the caller looked: remove that instead, never its target.
        if ((errno == ELOOP || errno == ENOTDIR) && ::unlinkat(parent, name.c_str(), 0) == 0)
            return {};
        return Error::fromErrno(errno, "Cannot open " + path.native());
    }
    struct stat info {};
    if (::fstat(current.get(), &info) != 0)
        return Error::fromErrno(errno, "Cannot read the attributes of " + path.native());
    const dev_t device = info.st_dev;

    std::vector<Level> levels;
    // Empties the folder open as `current` of everything but sub-folders, which it queues.
    const auto clearFiles = [&](Level& level) {
        // Go's module cache and other tools leave folders read-only: the owner may lift that on
        // what is already discarded, or nothing inside could be unlinked.
        struct stat folder {};
        if (::fstat(current.get(), &folder) == 0 && folder.st_uid == ::geteuid()
            && (folder.st_mode & (S_IWUSR | S_IXUSR)) != (S_IWUSR | S_IXUSR))
            ::fchmod(current.get(), (folder.st_mode & 07777) | S_IWUSR | S_IXUSR);
        ErrorOr<std::vector<std::string>> names = readNames(current.get());
        if (!names) {
            record(Error { names.error().code, names.error().message + " " + pathOf(levels, {}).native() });
            return;
        }
        for (const std::string& entry : names.value()) {
            // unlinkat never follows a link; a folder answers EISDIR.
            if (::unlinkat(current.get(), entry.c_str(), 0) == 0)
                continue;
            if (errno == EISDIR)
                level.pendingFolders.push_back(entry);
            else if (errno != ENOENT)
                record(Error::fromErrno(errno, "Cannot delete " + pathOf(levels, entry).native()));
        }
    };
    levels.push_back({ name, info.st_dev, info.st_ino, {} });
    clearFiles(levels.back());

    for (;;) {
        Level& level = levels.back();
        if (!level.pendingFolders.empty()) {
            const std::string child = std::move(level.pendingFolders.back());
            level.pendingFolders.pop_back();
            if (trash_testing::beforeEnteringFolder)
                trash_testing::beforeEnteringFolder(pathOf(levels, child));
            UniqueFd next(openFolderNoFollow(current.get(), child.c_str()));
            if (!next) {
                if ((errno == ELOOP || errno == ENOTDIR) && ::unlinkat(current.get(), child.c_str(), 0) == 0)
                    continue;
                if (errno != ENOENT)
                    record(Error::fromErrno(errno, "Cannot open " + pathOf(levels, child).native()));
                continue;
            }
            struct stat childInfo {};
            if (::fstat(next.get(), &childInfo) != 0) {
                record(Error::fromErrno(errno, "Cannot read the attributes of " + pathOf(levels, child).native()));
                continue;
            }
            if (childInfo.st_dev != device) {
                record(Error { EXDEV, pathOf(levels, child).native() + " is on another file system; it was left alone" });
                continue;
            }
            current = std::move(next);
            levels.push_back({ child, childInfo.st_dev, childInfo.st_ino, {} });
            clearFiles(levels.back());
            continue;
        }

        // This folder is as empty as it will get: remove it from its parent.
        if (levels.size() == 1) {
            current.reset();
            if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) != 0)
                record(Error::fromErrno(errno, "Cannot delete " + path.native()));
            break;
        }
        const Level& above = levels[levels.size() - 2];
        UniqueFd up(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat upInfo {};
        if (!up || ::fstat(up.get(), &upInfo) != 0 || upInfo.st_dev != above.device || upInfo.st_ino != above.inode) {
            // Something moved the folder we are in; its old parent can no longer be reached safely.
            levels.pop_back();
            return Error { ESTALE,
                "Stopped deleting " + path.native() + ": " + pathOf(levels, {}).native() + " changed during the delete" };
        }
        current = std::move(up);
        const std::string finished = level.name;
        levels.pop_back();
        if (::unlinkat(current.get(), finished.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
            record(Error::fromErrno(errno, "Cannot delete " + pathOf(levels, finished).native()));
    }
    if (firstError)
        return *firstError;
    return {};
}

std::string gioErrorText(GError* error, const fs::path& path)
{
    std::string text = error && error->message ? error->message : "Cannot move " + path.native() + " to the Trash";
    return text;
}

}  // namespace

fs::path TrashService::normalise(const fs::path& path)
{
    std::error_code ignored;
    fs::path absolute = path.is_absolute() ? path : fs::absolute(path, ignored);
    fs::path normal = absolute.lexically_normal();
    if (!normal.has_filename() && normal != normal.root_path())
        normal = normal.parent_path();
    return normal;
}

fs::path TrashService::homeTrash()
{
    return normalise(fs::path(g_get_user_data_dir()) / "Trash");
}

std::optional<TrashService::TrashLocation> TrashService::trashContaining(
    const fs::path& normalisedPath, const fs::path& homeTrash, uint32_t uid)
{
    // Component by component, so "/data/Trash-old" is not inside "/data/Trash".
    const auto isWithin = [](const fs::path& path, const fs::path& folder) {
        auto inner = path.begin();
        for (auto outer = folder.begin(); outer != folder.end(); ++outer, ++inner) {
            if (inner == path.end() || *inner != *outer)
                return false;
        }
        return true;
    };
    if (!homeTrash.empty() && isWithin(normalisedPath, homeTrash))
        return TrashLocation { homeTrash, homeTrash };

    const std::string uidText = std::to_string(uid);
    const std::string uidSuffixed = ".Trash-" + uidText;
    fs::path prefix;
    for (auto part = normalisedPath.begin(); part != normalisedPath.end(); ++part) {
        prefix /= *part;
        if (!isTrashComponent(part->native(), uidSuffixed))
            continue;
        TrashLocation location { prefix, std::nullopt };
        if (part->native() == uidSuffixed) {
            location.freedesktopTrash = prefix;
        } else if (part->native() == ".Trash") {
            auto next = std::next(part);
            if (next != normalisedPath.end() && next->native() == uidText)
                location.freedesktopTrash = prefix / uidText;
        }
        return location;
    }
    return std::nullopt;
}

ErrorOr<void> TrashService::deletePermanently(const fs::path& normalisedPath, const TrashLocation& trash)
{
    const fs::path& top = trash.folder;
    if (!top.has_parent_path() || top == top.root_path())
        return Error { EINVAL, "Refusing to delete " + normalisedPath.native() };

    // Above the Trash the path is the user's own (a home folder behind a link is fine); from the
    // Trash folder down, every component is opened without following links.
    UniqueFd folder(::open(top.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return Error::fromErrno(errno, "Cannot open " + top.parent_path().native());
    std::vector<std::string> below { top.filename().native() };
    for (auto part = std::next(normalisedPath.begin(), std::distance(top.begin(), top.end())); part != normalisedPath.end(); ++part)
        below.push_back(part->native());

    UniqueFd freedesktopFolder;
    fs::path reached = top.parent_path();
    for (size_t i = 0; i + 1 < below.size(); ++i) {
        reached /= below[i];
        UniqueFd next(openFolderNoFollow(folder.get(), below[i].c_str()));
        if (!next)
            return Error::fromErrno(errno, "Cannot open " + reached.native() + " without following links");
        if (trash.freedesktopTrash && reached == *trash.freedesktopTrash)
            freedesktopFolder = UniqueFd(::dup(next.get()));
        folder = std::move(next);
    }

    const std::string& name = below.back();
    if (::unlinkat(folder.get(), name.c_str(), 0) != 0) {
        if (errno != EISDIR)
            return Error::fromErrno(errno, "Cannot delete " + normalisedPath.native());
        if (auto removed = removeFolderTree(folder.get(), name, normalisedPath); !removed)
            return removed;
    }

    // <trash>/files/<name> was a trashed item: its description goes with it.
    if (freedesktopFolder && normalisedPath.parent_path() == *trash.freedesktopTrash / "files") {
        UniqueFd info(openFolderNoFollow(freedesktopFolder.get(), "info"));
        if (info)
            ::unlinkat(info.get(), (name + ".trashinfo").c_str(), 0);
        dropDirectorySize(freedesktopFolder.get(), name);
    }
    return {};
}

TrashService::Outcome TrashService::moveToTrash(const std::vector<std::string>& paths)
{
    Outcome outcome;
    if (paths.empty())
        return outcome;

    struct Item {
        const std::string* given;
        fs::path normalised;
        std::optional<TrashLocation> trash;
    };
    const fs::path home = homeTrash();
    const uint32_t uid = ::getuid();
    std::vector<Item> inTrash;
    std::vector<Item> toRecycle;
    for (const std::string& path : paths) {
        // An empty path would otherwise mean the working directory.
        if (path.empty())
            continue;
        Item item { &path, normalise(path), std::nullopt };
        item.trash = trashContaining(item.normalised, home, uid);
        (item.trash ? inTrash : toRecycle).push_back(std::move(item));
    }

    const auto fail = [&](std::string text) {
        if (!outcome.error)
            outcome.error = std::move(text);
    };
    for (const Item& item : inTrash) {
        if (auto deleted = deletePermanently(item.normalised, *item.trash))
            outcome.movedPaths.insert(*item.given);
        else
            fail(deleted.error().message);
    }
    if (std::find(paths.begin(), paths.end(), std::string()) != paths.end())
        fail("An empty path names no file");
    for (const Item& item : toRecycle) {
        GFile* file = g_file_new_for_path(item.normalised.c_str());
        GError* error = nullptr;
        if (g_file_trash(file, nullptr, &error))
            outcome.movedPaths.insert(*item.given);
        else
            fail(gioErrorText(error, item.normalised));
        if (error)
            g_error_free(error);
        g_object_unref(file);
    }

    outcome.movedCount = int64_t(outcome.movedPaths.size());
    outcome.failedCount = int64_t(paths.size()) - outcome.movedCount;
    return outcome;
}

}  // namespace lopewell
