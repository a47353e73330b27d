#include "app/apps/desktop_leftover_scanner.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "app/apps/bundle_reading.h"
#include "core/xdg/desktop_entry.h"
#include "platform/file_digest.h"
#include "platform/file_read.h"
#include "platform/file_walk.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view sharedFolders[] = { "autostart", "dconf", "fontconfig", "gtk-2.0", "gtk-3.0", "gtk-4.0", "pulse", "systemd",
    "menus", "mimeapps.list", "ibus", "gnome-session", "keyrings", "trash", "recently-used.xbel", "flatpak", "applications", "icons",
    "fonts", "mime", "themes", "environment.d", "git", "nvim", "vim", "doc", "desktop-directories", "sounds", "nautilus-python",
    "xdg-desktop-portal", "dbus-1", "evolution", "gvfs-metadata", "tracker", "tracker3", "session", "user-places.xbel", "kwalletd",
    "pipewire", "wireplumber", "bash", "zsh", "fish", "python", "pip", "npm", "mesa_shader_cache", "thumbnails", "fontconfig", "lopewell" };

// Last parts of reverse-DNS ids, program names and the like that many apps share.
constexpr std::string_view genericTokens[] = { "settings", "terminal", "files", "calculator", "editor", "player", "browser", "viewer",
    "monitor", "manager", "camera", "photos", "music", "videos", "maps", "weather", "clock", "calendar", "contacts", "mail", "notes",
    "tools", "app", "application", "desktop", "launcher", "helper", "env", "sh", "bash", "python", "python3", "java", "wine", "mono",
    "node", "electron", "perl", "xdg-open", "flatpak", "snap", "run", "start", "main" };

bool contains(std::span<const std::string_view> list, std::string_view value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::vector<std::string> sortedNames(const fs::path& folder)
{
    std::vector<std::string> names;
    if (ErrorOr<std::vector<FileEntry>> entries = listFolder(folder)) {
        for (const FileEntry& entry : entries.value())
            names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The path as the system names it: a fixture root stands for "/".
std::string systemView(const HostLayout& layout, const fs::path& path)
{
    const fs::path relative = path.lexically_relative(layout.systemRoot());
    if (relative.empty() || *relative.begin() == ".." || layout.systemRoot() == "/")
        return path.native();
    return "/" + relative.native();
}

}  // namespace

bool isSharedDesktopFolder(std::string_view name)
{
    const std::string folded = foldedCase(name);
    return contains(sharedFolders, folded) || folded.starts_with("user-dirs.");
}

std::vector<std::string> leftoverTokens(const InstalledApp& app)
{
    std::vector<std::string> tokens;
    const auto add = [&](std::string_view token) {
        std::string folded = foldedCase(token);
        if (folded.size() < 3 || contains(genericTokens, folded) || !isSinglePathComponent(folded))
            return;
        if (std::find(tokens.begin(), tokens.end(), folded) == tokens.end())
            tokens.push_back(std::move(folded));
    };
    add(app.bundleID);
    if (app.desktop) {
        std::string id = app.desktop->desktopFileId;
        if (id.ends_with(".desktop"))
            id.resize(id.size() - 8);
        add(id);
        for (const std::string& reverse : { id, app.bundleID }) {
            const size_t dot = reverse.rfind('.');
            if (dot != std::string::npos && reverse.size() - dot - 1 >= 4)
                add(std::string_view(reverse).substr(dot + 1));
        }
        add(app.desktop->execName);
        add(app.desktop->wmClass);
        add(app.desktop->packageName);
        add(app.desktop->snapName);
    }
    return tokens;
}

bool matchesToken(std::string_view name, std::string_view token)
{
    const std::string folded = foldedCase(name);
    if (folded == token || folded == std::string(token) + "rc" || folded == std::string(token) + "staterc")
        return true;
    if (folded.size() > token.size() + 1 && folded.starts_with(token)) {
        const char separator = folded[token.size()];
        const char next = folded[token.size() + 1];
        return (separator == '-' || separator == '_') && std::isdigit(static_cast<unsigned char>(next));
    }
    return false;
}

DesktopLeftoverScanner::DesktopLeftoverScanner(const HostLayout& layout) : m_layout(layout) {}

AppLeftoverResult DesktopLeftoverScanner::scan(
    const InstalledApp& app, const std::vector<InstalledApp>& installed, std::stop_token stop) const
{
    AppLeftoverResult result;
    result.appURL = app.url;
    result.appName = app.name;
    result.bundleID = app.bundleID;
    result.app = app;
    const DesktopAppOrigin origin = app.desktop.value_or(DesktopAppOrigin {});
    std::set<fs::path> listed;
    const auto add = [&](const fs::path& path) {
        if (listed.contains(path))
            return false;
        if (std::optional<StorageItem> item = itemAt(path, stop)) {
            listed.insert(path);
            result.items.push_back(std::move(*item));
            return true;
        }
        return false;
    };

    switch (app.source) {
    case AppSource::flatpak:
        result.removal = AppRemovalKind::flatpak;
        break;
    case AppSource::snap:
        result.removal = AppRemovalKind::snap;
        break;
    case AppSource::package:
        result.removal = AppRemovalKind::package;
        break;
    default:
        result.removal = AppRemovalKind::trash;
    }
    // The application itself. What a tool removes is shown with the size the tool frees.
    if (std::optional<StorageItem> item = itemAt(app.url, stop)) {
        if (result.removal != AppRemovalKind::trash || app.source == AppSource::local)
            item->size = app.size;
        listed.insert(app.url);
        result.items.push_back(std::move(*item));
    }

    // Exact leftovers.
    const fs::path applications = m_layout.dataHome() / "applications";
    if (app.source == AppSource::local && !origin.desktopFile.empty())
        add(origin.desktopFile);
    if (app.source == AppSource::flatpak && isSinglePathComponent(app.bundleID)) {
        add(m_layout.home(".var/app") / app.bundleID);
        add(m_layout.dataHome() / "flatpak/overrides" / app.bundleID);
    }
    if (app.source == AppSource::snap && isSinglePathComponent(origin.snapName))
        add(m_layout.home("snap") / origin.snapName);
    if (app.source == AppSource::appImage) {
        // Integrators name what they install after the md5 of the image's URI; the key in the
        // entry's own name covers an image that was moved since.
        std::set<std::string> keys;
        if (!origin.appImageKey.empty() && isSinglePathComponent(origin.appImageKey))
            keys.insert(origin.appImageKey);
        if (!origin.appImage.empty())
            keys.insert(md5LowerHex("file://" + systemView(m_layout, origin.appImage)));
        const fs::path icons = m_layout.dataHome() / "icons/hicolor";
        const fs::path mime = m_layout.dataHome() / "mime/packages";
        for (const std::string& key : keys) {
            const std::string prefix = "appimagekit_" + key;
            for (const std::string& name : sortedNames(applications)) {
                if (name.starts_with(prefix + "-") && name.ends_with(".desktop"))
                    add(applications / name);
            }
            for (const std::string& size : sortedNames(icons)) {
                for (const std::string& name : sortedNames(icons / size / "apps")) {
                    if (name.starts_with(prefix + "_"))
                        add(icons / size / "apps" / name);
                }
            }
            for (const std::string& name : sortedNames(mime)) {
                if (name.starts_with(prefix + "_") && name.ends_with(".xml"))
                    add(mime / name);
            }
        }
    }
    // A user copy of a system entry (an override, or the Hidden tombstone) goes with the app.
    if (!origin.desktopFileId.empty() && isSinglePathComponent(origin.desktopFileId) && app.source != AppSource::local)
        add(applications / origin.desktopFileId);
    // Its own autostart entry: the same file name, or one that names its Flatpak or snap.
    const fs::path autostart = m_layout.configFolder() / "autostart";
    for (const std::string& name : sortedNames(autostart)) {
        if (!name.ends_with(".desktop"))
            continue;
        bool own = !origin.desktopFileId.empty() && name == origin.desktopFileId;
        if (!own) {
            const std::optional<std::string> text = readRegularFileContents(autostart / name, 1 << 20, SymlinkPolicy::refuse);
            if (text) {
                const DesktopEntryFile file = DesktopEntryFile::parse(*text);
                const auto says = [&](std::string_view key, const std::string& value) {
                    return !value.empty() && file.string("Desktop Entry", key) == value;
                };
                own = (app.source == AppSource::flatpak && (says("X-Flatpak", app.bundleID) || says("X-XDP-Autostart", app.bundleID)))
                    || (app.source == AppSource::snap && says("X-SnapInstanceName", origin.snapName));
            }
        }
        if (own)
            add(autostart / name);
    }
    // User units named exactly after the app, and the links that enable them.
    std::set<std::string> unitStems;
    for (const std::string& stem : { app.bundleID, origin.execName, origin.packageName, origin.snapName }) {
        if (stem.size() >= 3 && isSinglePathComponent(stem))
            unitStems.insert(stem);
    }
    const fs::path units = m_layout.configFolder() / "systemd/user";
    std::vector<std::string> unitNames;
    for (const std::string& stem : unitStems) {
        for (const char* suffix : { ".service", ".timer" }) {
            if (add(units / (stem + suffix)))
                unitNames.push_back(stem + suffix);
        }
    }
    for (const std::string& wants : sortedNames(units)) {
        if (!wants.ends_with(".wants"))
            continue;
        for (const std::string& unit : unitNames)
            add(units / wants / unit);
    }

    // Name matches, offered for review only.
    std::vector<std::string> others;
    for (const InstalledApp& other : installed) {
        if (other.url == app.url)
            continue;
        for (std::string& token : leftoverTokens(other))
            others.push_back(std::move(token));
    }
    const std::vector<std::string> tokens = leftoverTokens(app);
    for (const fs::path& base : { m_layout.configFolder(), m_layout.cacheHome(), m_layout.dataHome(), m_layout.stateHome() }) {
        for (const std::string& name : sortedNames(base)) {
            if (stop.stop_requested())
                break;
            if (isSharedDesktopFolder(name) || listed.contains(base / name))
                continue;
            const auto token = std::find_if(tokens.begin(), tokens.end(), [&](const std::string& t) { return matchesToken(name, t); });
            if (token == tokens.end())
                continue;
            if (std::any_of(others.begin(), others.end(), [&](const std::string& t) { return matchesToken(name, t); }))
                continue;
            if (add(base / name))
                result.nameMatches[(base / name).native()] = "named like \"" + *token + "\"";
        }
    }
    for (const StorageItem& item : result.items)
        result.totalBytes += item.size;
    return result;
}

}  // namespace lopewell
