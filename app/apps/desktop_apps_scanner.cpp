#include "app/apps/desktop_apps_scanner.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

#include "app/apps/bundle_reading.h"
#include "app/apps/desktop_tool_output.h"
#include "core/xdg/desktop_entry.h"
#include "platform/child_process.h"
#include "platform/file_read.h"
#include "platform/file_status.h"
#include "platform/file_walk.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view group = "Desktop Entry";
constexpr std::uint64_t maxEntryBytes = 1 << 20;
constexpr std::uint64_t maxListBytes = 64 << 20;

// Where a session looks for programs; the environment's PATH is the launching shell's, not the
// desktop's, and a fixture root has its own.
constexpr std::string_view programFolders[] = { "/usr/local/sbin", "/usr/local/bin", "/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/games",
    "/usr/local/games", "/snap/bin", "/var/lib/flatpak/exports/bin" };

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    return foldedCase(text.substr(text.size() - suffix.size())) == foldedCase(suffix);
}

std::string stemOf(std::string_view desktopFileId)
{
    if (desktopFileId.ends_with(".desktop"))
        desktopFileId.remove_suffix(8);
    return std::string(desktopFileId);
}

// "Obsidian-1.4.16-x86_64.AppImage" → Obsidian, 1.4.16.
std::pair<std::string, std::string> appImageNameAndVersion(std::string name)
{
    if (endsWithIgnoringCase(name, ".appimage"))
        name.resize(name.size() - 9);
    std::string title;
    std::string version(noVersionText);
    size_t start = 0;
    bool first = true;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('-', start), name.size());
        const std::string part = name.substr(start, end - start);
        if (!first && !part.empty() && std::isdigit(static_cast<unsigned char>(part.front()))) {
            version = part;
            break;
        }
        if (!first)
            title += '-';
        title += part;
        first = false;
        start = end + 1;
    }
    if (title.empty())
        title = name;
    return { title, version };
}

}  // namespace

std::vector<std::string> execArguments(std::string_view exec)
{
    std::vector<std::string> arguments;
    size_t i = 0;
    while (i < exec.size()) {
        while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t'))
            ++i;
        if (i >= exec.size())
            break;
        std::string argument;
        if (exec[i] == '"') {
            ++i;
            while (i < exec.size() && exec[i] != '"') {
                if (exec[i] == '\\' && i + 1 < exec.size() && std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos)
                    ++i;
                argument += exec[i++];
            }
            ++i;  // the closing quote, when there is one
        } else {
            while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t')
                argument += exec[i++];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string execProgram(std::string_view exec)
{
    const std::vector<std::string> arguments = execArguments(exec);
    size_t i = 0;
    if (i < arguments.size() && fs::path(arguments[i]).filename() == "env") {
        ++i;
        while (i < arguments.size() && (arguments[i].find('=') != std::string::npos || arguments[i].starts_with('-'))) {
            // -u NAME and -C DIR take the next word too.
            if (arguments[i] == "-u" || arguments[i] == "-C" || arguments[i] == "--unset" || arguments[i] == "--chdir")
                ++i;
            ++i;
        }
    }
    return i < arguments.size() ? arguments[i] : std::string();
}

bool isAppImageFile(const fs::path& path)
{
    const std::optional<std::string> start = readFileStart(path, 11);
    return start && start->size() == 11
        && start->starts_with("\x7f"
                              "ELF")
        && (*start)[8] == 'A' && (*start)[9] == 'I' && ((*start)[10] == '\x01' || (*start)[10] == '\x02');
}

std::map<std::string, std::string> dpkgDesktopOwners(const HostLayout& layout)
{
    std::map<std::string, std::string> owners;
    ErrorOr<std::vector<FileEntry>> lists = listFolder(layout.system("/var/lib/dpkg/info"));
    if (!lists)
        return owners;
    for (const FileEntry& list : lists.value()) {
        if (!list.name.ends_with(".list") || list.kind != FileKind::regular)
            continue;
        const std::optional<std::string> text
            = readRegularFileContents(layout.system("/var/lib/dpkg/info") / list.name, maxListBytes, SymlinkPolicy::refuse);
        if (!text)
            continue;
        for (std::string& entry : desktopEntriesInDpkgList(*text))
            owners.emplace(std::move(entry), dpkgPackageOfList(list.name));
    }
    return owners;
}

std::map<std::string, std::string> dpkgOwnersOf(const HostLayout& layout, const std::vector<std::string>& paths)
{
    std::map<std::string, std::string> owners;
    if (paths.empty())
        return owners;
    const std::set<std::string_view> wanted(paths.begin(), paths.end());
    ErrorOr<std::vector<FileEntry>> lists = listFolder(layout.system("/var/lib/dpkg/info"));
    if (!lists)
        return owners;
    for (const FileEntry& list : lists.value()) {
        if (!list.name.ends_with(".list") || list.kind != FileKind::regular)
            continue;
        const std::optional<std::string> text
            = readRegularFileContents(layout.system("/var/lib/dpkg/info") / list.name, maxListBytes, SymlinkPolicy::refuse);
        if (!text)
            continue;
        std::string_view rest = *text;
        while (!rest.empty()) {
            const size_t end = rest.find('\n');
            std::string_view line = rest.substr(0, end);
            // A package that owns a folder owns nothing below it that it does not list.
            if (wanted.contains(line))
                owners.emplace(std::string(line), dpkgPackageOfList(list.name));
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        }
    }
    return owners;
}

struct DesktopAppsScanner::Entry {
    std::string id;  // the desktop-file id
    fs::path path;
    std::optional<FolderKind> folder;  // none for an entry given by its path outside every folder
    DesktopEntryFile file;
};

DesktopAppsScanner::DesktopAppsScanner(const HostLayout& layout, std::chrono::milliseconds toolTimeLimit)
    : m_layout(layout)
    , m_toolTimeLimit(toolTimeLimit)
{
}

fs::path DesktopAppsScanner::onSystem(std::string_view absolute) const
{
    return m_layout.system(absolute);
}

std::vector<DesktopAppsScanner::ApplicationFolder> DesktopAppsScanner::applicationFolders() const
{
    const fs::path userExports = m_layout.dataHome() / "flatpak/exports/share";
    const fs::path systemExports = onSystem("/var/lib/flatpak/exports/share");
    const fs::path snapExports = onSystem("/var/lib/snapd/desktop");
    std::vector<ApplicationFolder> folders;
    const auto add = [&](const fs::path& share, FolderKind kind) {
        ApplicationFolder folder { share / "applications", kind };
        if (std::none_of(folders.begin(), folders.end(), [&](const ApplicationFolder& other) { return other.path == folder.path; }))
            folders.push_back(std::move(folder));
    };
    add(m_layout.dataHome(), FolderKind::user);
    for (const std::string& dir : m_layout.dataDirs()) {
        // The session names the user's own exports by their path in the home folder.
        const std::string home = m_layout.home().native() + "/";
        const fs::path share = dir.starts_with(home) ? m_layout.home(std::string_view(dir).substr(home.size())) : onSystem(dir);
        if (share == userExports)
            add(userExports, FolderKind::userFlatpak);
        else if (share == systemExports)
            add(systemExports, FolderKind::systemFlatpak);
        else if (share == snapExports)
            add(snapExports, FolderKind::snap);
        else
            add(share, FolderKind::shared);
    }
    // Flatpak's and Snap's exports reach the session's search path only when it was started
    // through their profile scripts.
    add(userExports, FolderKind::userFlatpak);
    add(systemExports, FolderKind::systemFlatpak);
    add(snapExports, FolderKind::snap);
    return folders;
}

std::vector<fs::path> DesktopAppsScanner::appImageFolders() const
{
    std::vector<fs::path> folders { m_layout.home("Applications"), m_layout.home("Downloads"), m_layout.home(".local/bin"),
        m_layout.home("bin"), onSystem("/opt") };
    if (ErrorOr<std::vector<FileEntry>> opt = listFolder(onSystem("/opt"))) {
        for (const FileEntry& entry : opt.value()) {
            if (entry.isFolder())
                folders.push_back(onSystem("/opt") / entry.name);
        }
    }
    return folders;
}

std::optional<std::string> DesktopAppsScanner::runTool(std::string_view tool, std::vector<std::string> arguments) const
{
    ChildCommand command(onSystem(tool), std::move(arguments));
    command.timeLimit = m_toolTimeLimit;
    command.outputLimit = 8 << 20;
    ErrorOr<ChildResult> result = runChildProcess(command);
    if (!result || !result.value().exit.succeeded() || result.value().outTruncated)
        return std::nullopt;
    return std::move(result.value().out);
}

bool DesktopAppsScanner::programExists(const std::string& program) const
{
    const auto isProgram = [](const fs::path& path) {
        auto type = fileTypeAt(path, SymlinkPolicy::follow);
        return type && type.value() == FileType::regular;
    };
    if (program.empty())
        return false;
    if (program.starts_with('/'))
        return isProgram(onSystem(program));
    if (program.find('/') != std::string::npos)
        return false;
    for (std::string_view folder : programFolders) {
        if (isProgram(onSystem(folder) / program))
            return true;
    }
    return isProgram(m_layout.home(".local/bin") / program) || isProgram(m_layout.home("bin") / program);
}

std::optional<InstalledApp> DesktopAppsScanner::appFromEntry(const Entry& entry, const std::map<std::string, std::string>& owners) const
{
    const DesktopEntryFile& file = entry.file;
    DesktopAppOrigin origin;
    origin.desktopFileId = entry.id;
    origin.desktopFile = entry.path;
    const std::string exec = file.string(group, "Exec").value_or("");
    const std::string program = execProgram(exec);
    origin.execName = fs::path(program).filename().string();
    origin.wmClass = file.string(group, "StartupWMClass").value_or("");
    origin.iconName = file.string(group, "Icon").value_or("");

    InstalledApp app;
    app.url = entry.path;
    app.bundleID = stemOf(entry.id);
    app.name = file.string(group, "Name").value_or(app.bundleID);
    app.version = std::string(noVersionText);
    const std::string fileName = entry.path.filename().string();

    const std::optional<std::string> flatpakId = file.string(group, "X-Flatpak");
    const std::optional<std::string> snapName = file.string(group, "X-SnapInstanceName");
    if (flatpakId || entry.folder == FolderKind::userFlatpak || entry.folder == FolderKind::systemFlatpak) {
        app.source = AppSource::flatpak;
        app.bundleID = flatpakId.value_or(app.bundleID);
        if (!isSinglePathComponent(app.bundleID))
            return std::nullopt;
        const bool user = entry.folder == FolderKind::userFlatpak
            || (entry.folder != FolderKind::systemFlatpak
                && fileTypeAt(m_layout.dataHome() / "flatpak/app" / app.bundleID, SymlinkPolicy::refuse));
        origin.flatpakInstallation = user ? "user" : "system";
        origin.flatpakRef = app.bundleID;
        origin.execName.clear();  // flatpak itself
    } else if (snapName || (entry.folder == FolderKind::snap && fileName.find('_') != std::string::npos)) {
        app.source = AppSource::snap;
        origin.snapName = snapName.value_or(fileName.substr(0, fileName.find('_')));
        if (!isSinglePathComponent(origin.snapName))
            return std::nullopt;
        app.bundleID = origin.snapName;
    } else if ((entry.folder == FolderKind::user && fileName.starts_with("appimagekit_")) || file.string(group, "X-AppImage-Identifier")) {
        app.source = AppSource::appImage;
        std::string image = file.string(group, "TryExec").value_or(program);
        if (!image.starts_with('/'))
            return std::nullopt;
        origin.appImage = onSystem(image);
        if (fileName.starts_with("appimagekit_"))
            origin.appImageKey = fileName.substr(12, fileName.find('-') == std::string::npos ? std::string::npos : fileName.find('-') - 12);
        app.url = origin.appImage;
        app.version = file.string(group, "X-AppImage-Version").value_or(std::string(noVersionText));
        if (ErrorOr<FileEntry> imageEntry = entryAt(origin.appImage))
            app.size = imageEntry.value().sizeOnDisk();
    } else if (auto owner = owners.find("/" + entry.path.lexically_relative(m_layout.systemRoot()).string()); owner != owners.end()) {
        app.source = AppSource::package;
        origin.packageName = owner->second;
    } else {
        app.source = AppSource::local;
        fs::path target = program.starts_with('/') ? onSystem(program) : fs::path();
        const fs::path home = m_layout.home();
        const auto under = [](const fs::path& path, const fs::path& folder) {
            const fs::path relative = path.lexically_relative(folder);
            return !relative.empty() && *relative.begin() != "..";
        };
        if (!target.empty() && under(target, home)) {
            const fs::path folder = target.parent_path();
            const std::set<fs::path> shared { home, home / ".local", home / ".local/bin", home / "bin", home / ".local/share",
                home / "Applications", home / "Desktop", home / "Downloads", home / "Documents" };
            if (!shared.contains(folder) && under(folder, home)) {
                origin.programFolder = folder;
                app.size = folderSize(folder, PackageContents::counted);
            } else if (ErrorOr<FileEntry> binary = entryAt(target)) {
                app.size = binary.value().sizeOnDisk();
            }
        }
    }
    app.desktop = std::move(origin);
    return app;
}

std::vector<InstalledApp> DesktopAppsScanner::scan(std::stop_token stop) const
{
    // Every entry of every folder, grouped by desktop-file id, best folder first.
    std::map<std::string, std::vector<Entry>> byId;
    std::vector<std::string> order;
    for (const ApplicationFolder& folder : applicationFolders()) {
        const std::string prefix = folder.path.native() + "/";
        std::vector<std::pair<std::string, fs::path>> found;
        (void)walkTree(
            folder.path,
            [&](const std::string& path, const FileEntry& entry) {
                if ((entry.kind == FileKind::regular || entry.kind == FileKind::symbolicLink) && entry.name.ends_with(".desktop")
                    && path.starts_with(prefix)) {
                    std::string id = path.substr(prefix.size());
                    std::replace(id.begin(), id.end(), '/', '-');
                    found.emplace_back(std::move(id), path);
                }
                return WalkDecision::descend;
            },
            {}, stop);
        std::sort(found.begin(), found.end());
        for (auto& [id, path] : found) {
            const std::optional<std::string> text = readRegularFileContents(path, maxEntryBytes, SymlinkPolicy::follow);
            if (!text)
                continue;
            Entry entry { id, path, folder.kind, DesktopEntryFile::parse(*text) };
            if (!entry.file.hasGroup(group))
                continue;
            if (!byId.contains(id))
                order.push_back(id);
            byId[id].push_back(std::move(entry));
        }
    }
    if (stop.stop_requested())
        return {};

    const std::map<std::string, std::string> owners = dpkgDesktopOwners(m_layout);
    std::vector<InstalledApp> apps;
    std::set<std::string> identities;  // one row per package, Flatpak or snap
    for (const std::string& id : order) {
        const std::vector<Entry>& entries = byId[id];
        const Entry* chosen = &entries.front();
        bool hidden = false;
        if (chosen->file.boolean(group, "Hidden").value_or(false)) {
            // A hidden user entry hides the app from menus; the app itself stays installed.
            auto shadowed = std::find_if(entries.begin() + 1, entries.end(),
                [](const Entry& entry) { return !entry.file.boolean(group, "Hidden").value_or(false); });
            if (shadowed == entries.end())
                continue;
            chosen = &*shadowed;
            hidden = true;
        }
        const DesktopEntryFile& file = chosen->file;
        if (file.string(group, "Type").value_or("") != "Application" || file.boolean(group, "NoDisplay").value_or(false))
            continue;
        if (auto tryExec = file.string(group, "TryExec"); tryExec && !programExists(*tryExec))
            continue;
        std::optional<InstalledApp> app = appFromEntry(*chosen, owners);
        if (!app)
            continue;
        app->desktop->hiddenFromMenus = hidden;
        std::string identity;
        if (app->source == AppSource::package)
            identity = "package:" + app->desktop->packageName;
        else if (app->source == AppSource::flatpak)
            identity = "flatpak:" + app->bundleID;
        else if (app->source == AppSource::snap)
            identity = "snap:" + app->bundleID;
        else if (app->source == AppSource::appImage)
            identity = "appimage:" + app->url.native();
        if (!identity.empty() && !identities.insert(identity).second)
            continue;
        apps.push_back(std::move(*app));
    }

    // AppImages that were never integrated: found by their magic number, never run.
    std::set<fs::path> listed;
    for (const InstalledApp& app : apps)
        listed.insert(app.url);
    for (const fs::path& folder : appImageFolders()) {
        ErrorOr<std::vector<FileEntry>> entries = listFolder(folder);
        if (!entries)
            continue;
        std::sort(entries.value().begin(), entries.value().end(), [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
        for (const FileEntry& entry : entries.value()) {
            const fs::path path = folder / entry.name;
            if (entry.kind != FileKind::regular || listed.contains(path) || !isAppImageFile(path))
                continue;
            listed.insert(path);
            auto [name, version] = appImageNameAndVersion(entry.name);
            InstalledApp app { path, entry.name, name, version, entry.sizeOnDisk(), AppSource::appImage, DesktopAppOrigin {} };
            app.desktop->appImage = path;
            apps.push_back(std::move(app));
        }
    }
    addVersionsAndSizes(apps, stop);
    sortAppsByName(apps);
    return apps;
}

void DesktopAppsScanner::addVersionsAndSizes(std::vector<InstalledApp>& apps, std::stop_token stop) const
{
    std::vector<std::string> packages;
    bool flatpaks[2] = { false, false };
    bool snaps = false;
    for (const InstalledApp& app : apps) {
        if (app.source == AppSource::package)
            packages.push_back(app.desktop->packageName);
        else if (app.source == AppSource::flatpak)
            flatpaks[app.desktop->flatpakInstallation == "user" ? 0 : 1] = true;
        else if (app.source == AppSource::snap)
            snaps = true;
    }
    std::map<std::string, DpkgPackageInfo> dpkg;
    if (!packages.empty() && !stop.stop_requested()) {
        std::vector<std::string> arguments { "-W", "-f=" + std::string(dpkgQueryFormat) };
        arguments.insert(arguments.end(), packages.begin(), packages.end());
        // dpkg-query fails when one name is unknown, yet prints the others.
        ChildCommand command(onSystem("/usr/bin/dpkg-query"), std::move(arguments));
        command.timeLimit = m_toolTimeLimit;
        if (ErrorOr<ChildResult> result = runChildProcess(command); result && !result.value().exit.timedOut)
            dpkg = parseDpkgQuery(result.value().out);
    }
    std::map<std::string, FlatpakAppInfo> flatpakInfo[2];
    for (int installation = 0; installation < 2; ++installation) {
        if (flatpaks[installation] && !stop.stop_requested()) {
            const std::string option = installation == 0 ? "--user" : "--system";
            if (auto out = runTool("/usr/bin/flatpak", { "list", "--app", option, "--columns=application,version,branch,arch" }))
                flatpakInfo[installation] = parseFlatpakList(*out);
        }
    }
    std::map<std::string, SnapInfo> snapInfo;
    if (snaps && !stop.stop_requested()) {
        if (auto out = runTool("/usr/bin/snap", { "list" }))
            snapInfo = parseSnapList(*out);
    }
    for (InstalledApp& app : apps) {
        if (stop.stop_requested())
            return;
        DesktopAppOrigin& origin = *app.desktop;
        if (app.source == AppSource::package) {
            if (auto it = dpkg.find(origin.packageName); it != dpkg.end()) {
                app.version = it->second.version;
                app.size = it->second.installedBytes;
            }
        } else if (app.source == AppSource::flatpak) {
            const int installation = origin.flatpakInstallation == "user" ? 0 : 1;
            if (auto it = flatpakInfo[installation].find(app.bundleID); it != flatpakInfo[installation].end()) {
                if (!it->second.version.empty())
                    app.version = it->second.version;
                if (!it->second.arch.empty() && !it->second.branch.empty())
                    origin.flatpakRef = "app/" + app.bundleID + "/" + it->second.arch + "/" + it->second.branch;
                const std::string option = installation == 0 ? "--user" : "--system";
                if (auto out = runTool("/usr/bin/flatpak", { "info", option, "--show-size", origin.flatpakRef }))
                    app.size = parseFlatpakSize(*out).value_or(0);
            }
        } else if (app.source == AppSource::snap) {
            if (auto it = snapInfo.find(origin.snapName); it != snapInfo.end()) {
                app.version = it->second.version;
                const fs::path file = onSystem("/var/lib/snapd/snaps") / (origin.snapName + "_" + it->second.revision + ".snap");
                if (ErrorOr<FileEntry> snap = entryAt(file))
                    app.size = snap.value().logicalSize.value_or(0);
            }
        }
    }
}

std::optional<InstalledApp> DesktopAppsScanner::resolve(const fs::path& target, const std::vector<InstalledApp>& installed) const
{
    const std::string& word = target.native();
    for (const InstalledApp& app : installed) {
        if (app.url == target || app.bundleID == word)
            return app;
        if (app.desktop
            && (app.desktop->desktopFile == target || app.desktop->desktopFileId == word || app.desktop->desktopFileId == word + ".desktop"
                || (!app.desktop->appImage.empty() && app.desktop->appImage == target)))
            return app;
    }
    if (!target.is_absolute())
        return std::nullopt;
    std::vector<InstalledApp> found;
    if (endsWithIgnoringCase(word, ".desktop")) {
        const std::optional<std::string> text = readRegularFileContents(target, maxEntryBytes, SymlinkPolicy::refuse);
        if (!text)
            return std::nullopt;
        Entry entry { target.filename().string(), target, std::nullopt, DesktopEntryFile::parse(*text) };
        for (const ApplicationFolder& folder : applicationFolders()) {
            const fs::path relative = target.lexically_relative(folder.path);
            if (!relative.empty() && *relative.begin() != ".." && relative.is_relative()) {
                entry.folder = folder.kind;
                entry.id = relative.string();
                std::replace(entry.id.begin(), entry.id.end(), '/', '-');
                break;
            }
        }
        if (!entry.file.hasGroup(group) || entry.file.string(group, "Type").value_or("") != "Application")
            return std::nullopt;
        const std::optional<InstalledApp> app = appFromEntry(entry, dpkgDesktopOwners(m_layout));
        if (!app)
            return std::nullopt;
        found.push_back(*app);
    } else if (isAppImageFile(target)) {
        auto [name, version] = appImageNameAndVersion(target.filename().string());
        InstalledApp app { target, target.filename().string(), name, version, 0, AppSource::appImage, DesktopAppOrigin {} };
        app.desktop->appImage = target;
        if (ErrorOr<FileEntry> image = entryAt(target))
            app.size = image.value().sizeOnDisk();
        found.push_back(std::move(app));
    } else {
        return std::nullopt;
    }
    addVersionsAndSizes(found, {});
    return found.front();
}

}  // namespace lopewell
