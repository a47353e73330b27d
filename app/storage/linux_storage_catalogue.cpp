// The Linux desktop's cleanable places: XDG caches and the freedesktop.org Trash, browser and
// app caches, developer caches and project build folders, mail caches. Each tool's own variable
// (CARGO_HOME, PIP_CACHE_DIR, ...) moves its place, as the tool itself would.
#include "app/storage/storage_category.h"

#include <fnmatch.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <system_error>
#include <utility>

#include "core/base/app_identity.h"
#include "platform/file_read.h"
#include "platform/file_status.h"
#include "platform/file_walk.h"

namespace lopewell {

namespace {

namespace fs = std::filesystem;
using Risk = StorageCategory::Risk;
using Grouping = StorageCategory::Grouping;

// Entries of ~/.cache that hold state rather than cache, or that the desktop has in use for the
// whole session, or that are mount points: emptying them lost users settings and crashed
// shells in other cleaners.
constexpr std::array cacheKeepList { "doc", "wallpaper", "ibus", "obexd", "gnome-control-center", "kwin", "plasmashell", "*.kcache",
    "drkonqi", "mesa_shader_cache", "mesa_shader_cache_db", "qtshadercache-*", "evolution", "keepassxc", "fontconfig" };
// Entries of ~/.cache that rows of their own cover.
constexpr std::array cacheOwnedElsewhere { "thumbnails", "mozilla", "google-chrome*", "chromium", "BraveSoftware", "microsoft-edge*",
    "vivaldi", "opera", "thunderbird", "geary", "JetBrains", "pip", "go-build", "ccache", "yarn", "zoom" };

constexpr std::array editorFolders { "Code", "Code - Insiders", "VSCodium", "Cursor", "Antigravity", "Windsurf" };
constexpr std::array editorCacheFolders { "Cache", "Code Cache", "CachedData", "CachedExtensionVSIXs", "CachedConfigurations",
    "CachedProfilesData", "GPUCache", "DawnGraphiteCache", "DawnWebGPUCache", "blob_storage", "Crashpad", "logs" };

// Flatpak apps whose caches the browser, chat and mail rows already cover.
constexpr std::array flatpakAppsCoveredElsewhere { "org.mozilla.firefox", "org.chromium.Chromium", "com.google.Chrome",
    "com.discordapp.Discord", "org.mozilla.Thunderbird", "org.gnome.Geary" };

bool matchesAny(const std::string& name, std::span<const char* const> patterns)
{
    return std::any_of(patterns.begin(), patterns.end(), [&](const char* pattern) { return ::fnmatch(pattern, name.c_str(), 0) == 0; });
}

bool isFolder(const fs::path& path)
{
    const auto type = fileTypeAt(path, SymlinkPolicy::refuse);
    return type && type.value() == FileType::directory;
}

// The entries of `folder` whose names match `pattern` (a leading dot only matches a dot), sorted
// by bytes; links are left out: what a row names is what gets trashed.
std::vector<FileEntry> matchingEntries(const fs::path& folder, const char* pattern)
{
    ErrorOr<std::vector<FileEntry>> entries = listFolder(folder);
    if (!entries)
        return {};
    std::vector<FileEntry> found;
    for (FileEntry& entry : entries.value()) {
        if (entry.attributesKnown && entry.kind != FileKind::symbolicLink && ::fnmatch(pattern, entry.name.c_str(), FNM_PERIOD) == 0)
            found.push_back(std::move(entry));
    }
    std::sort(found.begin(), found.end(), [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
    return found;
}

struct Rows {
    std::vector<fs::path> paths;
    std::vector<std::string> labels;
    std::vector<std::string> markers;

    void add(fs::path path, std::string label, std::string marker = {})
    {
        paths.push_back(std::move(path));
        labels.push_back(std::move(label));
        markers.push_back(std::move(marker));
    }
};

// A mount point field of /proc/self/mounts, with its octal escapes (\040 for a space) decoded.
std::string decodedMountField(std::string_view field)
{
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string decoded;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            decoded += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            decoded += field[i];
        }
    }
    return decoded;
}

// The per-drive Trash folders of this user on the writable, real file systems mounted now:
// $topdir/.Trash/$uid when $topdir/.Trash is a sticky folder (not a link), and $topdir/.Trash-$uid.
std::vector<fs::path> driveTrashes(const HostLayout& layout)
{
    std::vector<fs::path> trashes;
    const std::optional<std::string> mounts = readRegularFileContents(layout.system("/proc/self/mounts"), 1 << 20, SymlinkPolicy::follow);
    if (!mounts)
        return trashes;
    const std::string uid = std::to_string(layout.uid());
    std::set<std::string> seen;
    for (size_t start = 0; start < mounts->size();) {
        size_t end = mounts->find('\n', start);
        if (end == std::string::npos)
            end = mounts->size();
        const std::string_view line = std::string_view(*mounts).substr(start, end - start);
        start = end + 1;
        std::vector<std::string_view> fields;
        for (size_t at = 0; at < line.size() && fields.size() < 4;) {
            const size_t space = line.find(' ', at);
            fields.push_back(line.substr(at, space == std::string_view::npos ? std::string_view::npos : space - at));
            at = space == std::string_view::npos ? line.size() : space + 1;
        }
        if (fields.size() < 4)
            continue;
        const std::string mountPoint = decodedMountField(fields[1]);
        const std::string_view options = fields[3];
        const bool readOnly = options == "ro" || options.starts_with("ro,");
        const bool systemMount = mountPoint.starts_with("/proc") || mountPoint.starts_with("/sys") || mountPoint.starts_with("/dev")
            || mountPoint.starts_with("/run") || mountPoint.starts_with("/boot");
        if (readOnly || systemMount || !mountPoint.starts_with('/') || !seen.insert(mountPoint).second)
            continue;
        const fs::path top = layout.system(mountPoint);
        const fs::path shared = top / ".Trash";
        const auto sharedStatus = fileStatusAt(shared, SymlinkPolicy::refuse);
        if (sharedStatus && sharedStatus.value().type == FileType::directory && sharedStatus.value().isSticky && isFolder(shared / uid))
            trashes.push_back(shared / uid);
        if (isFolder(top / (".Trash-" + uid)))
            trashes.push_back(top / (".Trash-" + uid));
    }
    return trashes;
}

fs::path variableOr(const HostLayout& layout, std::string_view name, fs::path fallback)
{
    return layout.environmentFolder(name).value_or(std::move(fallback));
}

StorageCategory category(std::string id, std::string title, std::string summary, std::string systemImage, StorageSection section, Risk risk,
    bool smart, Grouping grouping, std::vector<fs::path> paths)
{
    return StorageCategory {
        .id = std::move(id),
        .title = std::move(title),
        .summary = std::move(summary),
        .systemImage = std::move(systemImage),
        .section = section,
        .risk = risk,
        .defaultEnabled = smart,
        .requiresFullDiskAccess = false,
        .paths = std::move(paths),
        .grouping = grouping,
    };
}

StorageCategory category(std::string id, std::string title, std::string summary, std::string systemImage, StorageSection section, Risk risk,
    bool smart, Grouping grouping, Rows rows)
{
    StorageCategory made = category(
        std::move(id), std::move(title), std::move(summary), std::move(systemImage), section, risk, smart, grouping, std::move(rows.paths));
    made.rowLabels = std::move(rows.labels);
    if (grouping == Grouping::perBrowserProfile)
        made.runningMarkers = std::move(rows.markers);
    return made;
}

Rows browserCacheRows(const HostLayout& layout)
{
    const fs::path& cache = layout.cacheHome();
    const fs::path& config = layout.configFolder();
    const fs::path& home = layout.home();
    const std::string firefoxLock = (home / ".mozilla/firefox/{profile}/lock").native();
    Rows rows;
    rows.add(cache / "mozilla/firefox", "Firefox", firefoxLock);
    rows.add(home / "snap/firefox/common/.cache/mozilla/firefox", "Firefox (Snap)",
        (home / "snap/firefox/common/.mozilla/firefox/{profile}/lock").native());
    rows.add(home / ".var/app/org.mozilla.firefox/cache/mozilla/firefox", "Firefox (Flatpak)",
        (home / ".var/app/org.mozilla.firefox/.mozilla/firefox/{profile}/lock").native());
    // Chromium-family browsers hold SingletonLock in their settings folder while they run.
    const fs::path chromeConfig = variableOr(layout, "CHROME_CONFIG_HOME", config);
    const std::pair<const char*, const char*> chromiumFamily[] = {
        { "chromium", "Chromium" },
        { "google-chrome", "Google Chrome" },
        { "google-chrome-beta", "Google Chrome Beta" },
        { "google-chrome-unstable", "Google Chrome Dev" },
        { "BraveSoftware/Brave-Browser", "Brave" },
        { "microsoft-edge", "Microsoft Edge" },
        { "microsoft-edge-beta", "Microsoft Edge Beta" },
        { "microsoft-edge-dev", "Microsoft Edge Dev" },
        { "vivaldi", "Vivaldi" },
    };
    for (const auto& [folder, label] : chromiumFamily)
        rows.add(cache / folder, label, (chromeConfig / folder / "SingletonLock").native());
    rows.add(
        home / "snap/chromium/common/.cache/chromium", "Chromium (Snap)", (home / "snap/chromium/common/chromium/SingletonLock").native());
    rows.add(home / ".var/app/org.chromium.Chromium/cache/chromium", "Chromium (Flatpak)",
        (home / ".var/app/org.chromium.Chromium/config/chromium/SingletonLock").native());
    rows.add(home / ".var/app/com.google.Chrome/cache/google-chrome", "Google Chrome (Flatpak)",
        (home / ".var/app/com.google.Chrome/config/google-chrome/SingletonLock").native());
    return rows;
}

Rows crashReportRows(const HostLayout& layout)
{
    const fs::path& config = layout.configFolder();
    Rows rows;
    rows.add(layout.home(".mozilla/firefox/Crash Reports"), "Firefox");
    rows.add(config / "chromium/Crash Reports", "Chromium");
    rows.add(config / "google-chrome/Crash Reports", "Google Chrome");
    rows.add(config / "BraveSoftware/Brave-Browser/Crash Reports", "Brave");
    rows.add(config / "microsoft-edge/Crash Reports", "Microsoft Edge");
    // Electron apps keep their dumps in Crashpad; the code editors' are counted with their caches.
    for (const FileEntry& app : matchingEntries(config, "*")) {
        const fs::path crashpad = config / app.name / "Crashpad";
        if (app.isFolder() && !matchesAny(app.name, editorFolders) && isFolder(crashpad))
            rows.add(crashpad, app.name);
    }
    // apport writes "<program path>.<uid>.crash" into a sticky folder: only the user's own.
    const fs::path crash = layout.system("/var/crash");
    for (const char* suffix : { ".crash", ".upload", ".uploaded" }) {
        const std::string pattern = "*." + std::to_string(layout.uid()) + suffix;
        for (const FileEntry& report : matchingEntries(crash, pattern.c_str())) {
            const auto status = fileStatusAt(crash / report.name, SymlinkPolicy::refuse);
            if (report.kind == FileKind::regular && status && status.value().ownerID == layout.uid())
                rows.add(crash / report.name, report.name);
        }
    }
    return rows;
}

Rows userLogRows(const HostLayout& layout)
{
    Rows rows;
    for (const char* name : { ".xsession-errors", ".xsession-errors.old" })
        rows.add(layout.home(name), name);
    const fs::path xorg = layout.dataHome() / "xorg";
    for (const FileEntry& log : matchingEntries(xorg, "*.log*")) {
        if (log.kind == FileKind::regular)
            rows.add(xorg / log.name, log.name);
    }
    return rows;
}

Rows flatpakCacheRows(const HostLayout& layout)
{
    const fs::path apps = layout.home(".var/app");
    Rows rows;
    for (const FileEntry& app : matchingEntries(apps, "*")) {
        if (app.isFolder() && !matchesAny(app.name, flatpakAppsCoveredElsewhere) && isFolder(apps / app.name / "cache"))
            rows.add(apps / app.name / "cache", app.name);
    }
    return rows;
}

Rows editorCacheRows(const HostLayout& layout)
{
    Rows rows;
    for (const char* editor : editorFolders) {
        for (const char* folder : editorCacheFolders)
            rows.add(layout.configFolder() / editor / folder, std::string(editor) + " · " + folder);
    }
    return rows;
}

Rows chatCacheRows(const HostLayout& layout)
{
    const fs::path& config = layout.configFolder();
    Rows rows;
    for (const char* discord : { "discord", "discordptb", "discordcanary" }) {
        for (const char* folder : { "Cache", "Code Cache", "GPUCache" })
            rows.add(config / discord / folder, std::string(discord == std::string_view("discord") ? "Discord" : discord) + " · " + folder);
    }
    rows.add(layout.home(".var/app/com.discordapp.Discord/cache"), "Discord (Flatpak)");
    for (const char* folder : { "Cache", "Code Cache", "GPUCache" })
        rows.add(config / "Slack" / folder, std::string("Slack · ") + folder);
    rows.add(layout.cacheHome() / "zoom", "Zoom");
    rows.add(layout.home(".zoom/logs"), "Zoom · logs");
    return rows;
}

Rows shaderCacheRows(const HostLayout& layout)
{
    const fs::path& cache = layout.cacheHome();
    Rows rows;
    rows.add(cache / "mesa_shader_cache", "Mesa");
    rows.add(cache / "mesa_shader_cache_db", "Mesa (database)");
    for (const FileEntry& qt : matchingEntries(cache, "qtshadercache-*")) {
        if (qt.isFolder())
            rows.add(cache / qt.name, qt.name);
    }
    rows.add(layout.home(".nv/GLCache"), "NVIDIA GL");
    rows.add(layout.home(".nv/ComputeCache"), "NVIDIA Compute");
    return rows;
}

Rows cargoRows(const HostLayout& layout)
{
    const fs::path cargo = variableOr(layout, "CARGO_HOME", layout.home(".cargo"));
    Rows rows;
    for (const char* folder : { "registry/cache", "registry/src", "registry/index", "git/checkouts", "git/db" })
        rows.add(cargo / folder, folder);
    return rows;
}

Rows gradleRows(const HostLayout& layout)
{
    const fs::path gradle = variableOr(layout, "GRADLE_USER_HOME", layout.home(".gradle"));
    Rows rows;
    for (const char* folder : { "caches", "wrapper/dists", "daemon" })
        rows.add(gradle / folder, folder);
    return rows;
}

// GOPATH may list several folders; Go keeps its module cache under the first.
fs::path goModuleCache(const HostLayout& layout)
{
    if (auto modules = layout.environmentFolder("GOMODCACHE"))
        return *modules;
    if (const auto found = layout.fields().environment.find("GOPATH"); found != layout.fields().environment.end()) {
        const std::string first = found->second.substr(0, found->second.find(':'));
        if (first.starts_with('/'))
            return fs::path(first).lexically_normal() / "pkg/mod";
    }
    return layout.home("go/pkg/mod");
}

// ccache's own rule: $CCACHE_DIR, else ~/.ccache when it exists, else the XDG cache folder.
fs::path ccacheFolder(const HostLayout& layout)
{
    if (auto folder = layout.environmentFolder("CCACHE_DIR"))
        return *folder;
    if (isFolder(layout.home(".ccache")))
        return layout.home(".ccache");
    return layout.cacheHome() / "ccache";
}

Rows androidEmulatorRows(const HostLayout& layout)
{
    const fs::path avds = variableOr(layout, "ANDROID_AVD_HOME", layout.home(".android/avd"));
    Rows rows;
    for (const FileEntry& avd : matchingEntries(avds, "*.avd")) {
        if (avd.isFolder())
            rows.add(avds / avd.name, avd.name.substr(0, avd.name.size() - 4));
    }
    return rows;
}

Rows mailCacheRows(const HostLayout& layout)
{
    const fs::path& cache = layout.cacheHome();
    Rows rows;
    rows.add(cache / "thunderbird", "Thunderbird");
    rows.add(layout.home(".var/app/org.mozilla.Thunderbird/cache/thunderbird"), "Thunderbird (Flatpak)");
    rows.add(cache / "evolution", "Evolution");
    rows.add(cache / "geary", "Geary");
    rows.add(layout.home(".var/app/org.gnome.Geary/cache"), "Geary (Flatpak)");
    return rows;
}

// ~/.cache less its keep-list, less what other rows own: the fixed names, and any other
// category's folder that a variable or a default puts directly inside ~/.cache.
std::vector<std::string> userCacheExclusions(const HostLayout& layout, const std::vector<StorageCategory>& others)
{
    std::vector<std::string> excluded(cacheKeepList.begin(), cacheKeepList.end());
    excluded.insert(excluded.end(), cacheOwnedElsewhere.begin(), cacheOwnedElsewhere.end());
    excluded.emplace_back(bundleIdentifier);
    const fs::path& cache = layout.cacheHome();
    for (const StorageCategory& other : others) {
        for (const fs::path& path : other.paths) {
            const fs::path relative = path.lexically_relative(cache);
            if (!relative.empty() && *relative.begin() != ".." && *relative.begin() != ".") {
                std::string first = relative.begin()->native();
                // Escape the glob characters: the name is literal.
                std::string literal;
                for (char c : first) {
                    if (c == '*' || c == '?' || c == '[' || c == '\\')
                        literal += '\\';
                    literal += c;
                }
                if (std::find(excluded.begin(), excluded.end(), literal) == excluded.end())
                    excluded.push_back(std::move(literal));
            }
        }
    }
    return excluded;
}

}  // namespace

std::vector<StorageCategory> buildLinuxStorageCatalogue(const HostLayout& layout)
{
    using enum StorageSection;
    const fs::path& cache = layout.cacheHome();
    const fs::path& home = layout.home();

    std::vector<StorageCategory> catalogue;
    catalogue.push_back(category("linux.userCaches", "User Caches", "~/.cache — one row per app; settings-bearing and in-use caches stay",
        "tray.full", systemJunk, Risk::medium, true, Grouping::perEntry, std::vector { cache }));
    catalogue.push_back(category("linux.thumbnails", "Thumbnails", "~/.cache/thumbnails — file managers redraw them", "photo.stack",
        systemJunk, Risk::low, true, Grouping::perEntry, std::vector { cache / "thumbnails", home / ".thumbnails" }));
    std::vector<fs::path> trashes { layout.dataHome() / "Trash" };
    for (fs::path& drive : driveTrashes(layout)) {
        if (std::find(trashes.begin(), trashes.end(), drive) == trashes.end())
            trashes.push_back(std::move(drive));
    }
    catalogue.push_back(category("linux.trash", "Trash", "~/.local/share/Trash and your Trash on other drives — deleted for good", "trash",
        systemJunk, Risk::low, true, Grouping::perTrashedItem, std::move(trashes)));
    catalogue.push_back(category("linux.userLogs", "User Logs", "~/.xsession-errors and the X server's logs", "doc.text", systemJunk,
        Risk::low, true, Grouping::perRoot, userLogRows(layout)));
    catalogue.push_back(category("linux.crashReports", "Crash Reports", "browser and app crash dumps, your own reports in /var/crash",
        "exclamationmark.octagon", systemJunk, Risk::low, true, Grouping::perRoot, crashReportRows(layout)));
    catalogue.push_back(category("linux.browserCaches", "Browser Caches",
        "Firefox and Chromium-family caches, one row per profile — never profile data; a running browser is skipped", "globe", systemJunk,
        Risk::low, true, Grouping::perBrowserProfile, browserCacheRows(layout)));
    catalogue.push_back(category("linux.flatpakCaches", "Flatpak App Caches", "~/.var/app/*/cache — one row per app; its data stays",
        "shippingbox", systemJunk, Risk::low, true, Grouping::perRoot, flatpakCacheRows(layout)));
    catalogue.push_back(category("linux.editorCaches", "Code Editor Caches", "~/.config/Code, VSCodium, Cursor… — cache and log folders",
        "chevron.left.forwardslash.chevron.right", systemJunk, Risk::low, false, Grouping::perRoot, editorCacheRows(layout)));
    catalogue.push_back(category("linux.chatCaches", "Chat App Caches", "Discord, Slack and Zoom caches — re-downloaded on next use",
        "bubble.left.and.bubble.right", systemJunk, Risk::low, false, Grouping::perRoot, chatCacheRows(layout)));
    catalogue.push_back(category("linux.jetbrainsCaches", "JetBrains Caches", "~/.cache/JetBrains — one row per IDE version, logs included",
        "j.square", systemJunk, Risk::low, false, Grouping::perEntry, std::vector { cache / "JetBrains" }));
    catalogue.push_back(category("linux.shaderCaches", "GPU Shader Caches", "Mesa, Qt and NVIDIA shader caches — in use by the desktop",
        "cpu", systemJunk, Risk::medium, false, Grouping::perRoot, shaderCacheRows(layout)));

    catalogue.push_back(category("linux.buildProducts", "Project Build Folders",
        "node_modules, target, build… of the projects in your home folder — one row per build folder", "hammer", developerJunk,
        Risk::medium, false, Grouping::perProject, std::vector { home }));
    catalogue.push_back(category("linux.pipCache", "pip Cache", "~/.cache/pip", "shippingbox.and.arrow.backward", developerJunk, Risk::low,
        false, Grouping::perEntry, std::vector { variableOr(layout, "PIP_CACHE_DIR", cache / "pip") }));
    catalogue.push_back(category("linux.npmCache", "npm Cache", "~/.npm", "shippingbox.and.arrow.backward", developerJunk, Risk::low, false,
        Grouping::perEntry, std::vector { variableOr(layout, "npm_config_cache", home / ".npm") }));
    Rows yarn;
    yarn.add(variableOr(layout, "YARN_CACHE_FOLDER", cache / "yarn"), "Yarn");
    yarn.add(home / ".yarn/berry/cache", "Yarn Berry");
    catalogue.push_back(category("linux.yarnCache", "Yarn Cache", "~/.cache/yarn and ~/.yarn/berry/cache", "shippingbox.and.arrow.backward",
        developerJunk, Risk::low, false, Grouping::perRoot, std::move(yarn)));
    catalogue.push_back(category("linux.cargoCache", "Cargo Cache", "~/.cargo/registry and ~/.cargo/git — re-downloaded on the next build",
        "cube", developerJunk, Risk::low, false, Grouping::perRoot, cargoRows(layout)));
    Rows goBuild;
    goBuild.add(variableOr(layout, "GOCACHE", cache / "go-build"), "go-build");
    catalogue.push_back(category("linux.goBuildCache", "Go Build Cache", "~/.cache/go-build", "cube", developerJunk, Risk::low, false,
        Grouping::perRoot, std::move(goBuild)));
    // One row for the whole tree: Go makes every module folder read-only, so no module inside
    // can be moved on its own.
    Rows goModules;
    goModules.add(goModuleCache(layout), "pkg/mod");
    catalogue.push_back(category("linux.goModCache", "Go Module Cache", "~/go/pkg/mod — re-downloaded on the next build", "cube",
        developerJunk, Risk::medium, false, Grouping::perRoot, std::move(goModules)));
    catalogue.push_back(category("linux.gradleCache", "Gradle Caches", "~/.gradle/caches, wrapper and daemon logs", "gearshape.2",
        developerJunk, Risk::low, false, Grouping::perRoot, gradleRows(layout)));
    StorageCategory ccache = category("linux.ccache", "ccache", "~/.cache/ccache — compiler results, rebuilt on the next compile", "hammer",
        developerJunk, Risk::low, false, Grouping::perEntry, std::vector { ccacheFolder(layout) });
    ccache.excludedNames = { "ccache.conf" };  // the settings of a ~/.ccache live beside the cache
    catalogue.push_back(std::move(ccache));
    catalogue.push_back(category("linux.mavenRepository", "Maven Repository",
        "~/.m2/repository — also holds what you installed locally, which cannot be re-downloaded", "shippingbox", developerJunk, Risk::high,
        false, Grouping::perEntry, std::vector { home / ".m2/repository" }));
    catalogue.push_back(category("linux.androidEmulators", "Android Emulators", "~/.android/avd — one row per emulator, with its data",
        "iphone.gen3", developerJunk, Risk::high, false, Grouping::perRoot, androidEmulatorRows(layout)));

    catalogue.push_back(
        category("linux.mailCaches", "Mail Caches", "Thunderbird, Evolution and Geary caches — mail re-syncs from the server", "envelope",
            mailPhotos, Risk::medium, false, Grouping::perRoot, mailCacheRows(layout)));

    catalogue.front().excludedNames = userCacheExclusions(layout, catalogue);
    return catalogue;
}

}  // namespace lopewell
