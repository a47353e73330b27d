#include "app/startup/linux_startup_sources.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "core/base/platform_words.h"
#include "core/base/text.h"
#include "core/systemd/systemctl_output.h"
#include "core/xdg/autostart_entry.h"
#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "platform/file_status.h"
#include "platform/file_walk.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

// An autostart entry is a few lines; anything bigger is no entry a session would honour.
constexpr uint64_t maxEntrySize = uint64_t(64) * 1024;

std::vector<std::string> splitPath(const char* value, std::vector<std::string> fallback)
{
    if (!value || !*value)
        return fallback;
    std::vector<std::string> parts;
    std::string_view rest = value;
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view part = rest.substr(0, colon);
        if (part.starts_with('/'))
            parts.emplace_back(part);
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return parts.empty() ? fallback : parts;
}

bool somethingAt(const fs::path& path)
{
    return fileTypeAt(path, SymlinkPolicy::follow).hasValue();
}

bool isUnitType(std::string_view name)
{
    return name.ends_with(".service") || name.ends_with(".socket") || name.ends_with(".timer") || name.ends_with(".path");
}

// The Description= of a unit file, for when the manager cannot be asked (no user bus).
std::optional<std::string> unitDescription(const fs::path& file)
{
    const auto text = readRegularFileContents(file, uint64_t(256) * 1024, SymlinkPolicy::follow);
    if (!text)
        return std::nullopt;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const size_t newline = rest.find('\n');
        const std::string_view line = rest.substr(0, newline);
        if (const size_t equals = line.find('='); equals != std::string_view::npos && trimmed(line.substr(0, equals)) == "Description") {
            const std::string_view value = trimmed(line.substr(equals + 1));
            if (!value.empty())
                return std::string(value);
        }
        if (newline == std::string_view::npos)
            break;
        rest.remove_prefix(newline + 1);
    }
    return std::nullopt;
}

std::string baseName(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

// The entries this program switched off, by file name: an application that rewrites its entry
// takes our mark away with it, and this is how the scan still knows.
std::set<std::string, std::less<>> LinuxStartupSources::switchedOffEntries() const
{
    std::set<std::string, std::less<>> names;
    const auto text = readRegularFileContents(recordFile(), 1 << 20);
    if (!text)
        return names;
    const nlohmann::json json = nlohmann::json::parse(*text, nullptr, false);
    if (!json.is_array())
        return names;
    for (const auto& name : json) {
        if (name.is_string())
            names.insert(name.get<std::string>());
    }
    return names;
}

void LinuxStartupSources::rememberSwitchedOff(const std::string& name, bool off) const
{
    auto names = switchedOffEntries();
    if (off ? !names.insert(name).second : names.erase(name) == 0)
        return;
    // Only a remark depends on it: a record that cannot be written changes no switch.
    if (createFolders(recordFile().parent_path()))
        (void)replaceFileContents(recordFile(), nlohmann::json(names).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), 0600);
}

fs::path LinuxStartupSources::recordFile() const
{
    return m_environment.layout.applicationSupport() / "SwitchedOffAutostartEntries.json";
}

struct LinuxStartupSources::AutostartFile {
    std::string name;  // "foo.desktop"
    fs::path path;     // the most important file of that name
    bool isUser = false;
    std::string text;
};

LinuxStartupSources::Environment LinuxStartupSources::systemEnvironment(const HostLayout& layout)
{
    Environment environment { .layout = layout };
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    environment.currentDesktops = splitDesktopNames(desktop ? desktop : "");
    environment.configDirs = splitPath(std::getenv("XDG_CONFIG_DIRS"), { "/etc/xdg" });
    environment.searchPath = splitPath(std::getenv("PATH"), { "/usr/local/bin", "/usr/bin", "/bin" });
    environment.processes = [] { return ProcessList().read(); };
    return environment;
}

LinuxStartupSources::LinuxStartupSources(Environment environment)
    : m_environment(std::move(environment))
    , m_systemctl(m_environment.layout.system("/usr/bin/systemctl"))
{
    const PlatformWords& words = platformWords(HostFlavour::linuxDesktop);
    m_texts = StartupTexts {
        .subtitle = std::string(words.startupSubtitle),
        .systemItemsToggle = "Show system services",
        .note = std::string(words.startupNote),
        .disabledState = "Disabled",
        .revealTitle = std::string(words.revealInFileManager),
        .openSettingsTitle = std::string(words.openStartupSettings),
    };
}

fs::path LinuxStartupSources::userAutostartDir() const
{
    return m_environment.layout.configFolder() / "autostart";
}

std::optional<std::string> LinuxStartupSources::findProgram(const std::string& program) const
{
    const HostLayout& layout = m_environment.layout;
    if (program.starts_with('/'))
        return somethingAt(layout.system(program)) ? std::optional(program) : std::nullopt;
    if (program.empty() || program.find('/') != std::string::npos)
        return std::nullopt;  // relative to a working directory no session has
    for (const std::string& folder : m_environment.searchPath) {
        std::string path = folder;
        path += '/';
        path += program;
        if (somethingAt(layout.system(path)))
            return path;
    }
    return std::nullopt;
}

std::vector<StartupLayer> LinuxStartupSources::layers(bool includeSystem) const
{
    std::vector<StartupLayer> layers { StartupLayer::autostartUser, StartupLayer::autostartSystem, StartupLayer::userService,
        StartupLayer::globalService };
    if (includeSystem)
        layers.push_back(StartupLayer::systemService);
    return layers;
}

std::optional<StartupSettingsLink> LinuxStartupSources::settingsLink() const
{
    const auto& desktops = m_environment.currentDesktops;
    const auto on = [&](std::string_view name) { return std::find(desktops.begin(), desktops.end(), name) != desktops.end(); };
    std::vector<std::vector<std::string>> candidates;
    if (on("KDE"))
        candidates.push_back({ "systemsettings", "kcm_autostart" });
    if (on("XFCE"))
        candidates.push_back({ "xfce4-session-settings" });
    if (isGnomeFamily(desktops))
        candidates.push_back({ "gnome-tweaks" });
    for (auto& command : candidates) {
        if (auto program = findProgram(command.front())) {
            command.front() = m_environment.layout.system(*program).string();
            return StartupSettingsLink { {}, std::move(command) };
        }
    }
    return std::nullopt;
}

std::vector<LinuxStartupSources::AutostartFile> LinuxStartupSources::autostartFiles() const
{
    std::vector<std::pair<fs::path, bool>> folders { { userAutostartDir(), true } };
    for (const std::string& dir : m_environment.configDirs)
        folders.emplace_back(m_environment.layout.system(dir + "/autostart"), false);

    std::vector<AutostartFile> files;
    std::set<std::string, std::less<>> seen;
    for (const auto& [folder, isUser] : folders) {
        auto entries = listFolder(folder);
        if (!entries)
            continue;
        for (const FileEntry& entry : entries.value()) {
            if (!entry.name.ends_with(".desktop") || entry.name.size() == 8 || entry.isFolder())
                continue;
            // The most important folder's file of a name is the entry, readable or not.
            if (!seen.insert(entry.name).second)
                continue;
            // Links are read (people link menu entries here); they are never written through.
            auto text = readRegularFileContents(folder / entry.name, maxEntrySize, SymlinkPolicy::follow);
            if (!text)
                continue;
            files.push_back({ entry.name, folder / entry.name, isUser, std::move(*text) });
        }
    }
    return files;
}

void LinuxStartupSources::addAutostartItems(std::vector<StartupItem>& items) const
{
    const bool gnome = isGnomeFamily(m_environment.currentDesktops);
    struct Pending {
        size_t index;
        std::string unit;
        std::string program;
    };
    std::vector<Pending> pending;
    const auto switchedOff = switchedOffEntries();
    for (AutostartFile& file : autostartFiles()) {
        const AutostartEntry entry = AutostartEntry::read(file.text);
        if (!entry.hasMainGroup)
            continue;
        StartupItem item;
        item.label = file.name.substr(0, file.name.size() - 8);
        item.layer = file.isUser && !entry.isOurOverride ? StartupLayer::autostartUser : StartupLayer::autostartSystem;
        item.id = startupItemId(item.layer, item.label);
        item.plistPath = file.path;
        item.runAtLoad = true;
        item.owner = entry.name;
        const std::optional<std::string> program = entry.tryExec ? entry.tryExec : entry.execProgram();
        if (program) {
            const std::optional<std::string> found = findProgram(*program);
            item.programPath = found.value_or(*program);
            item.isOrphaned = !found;
        }
        if (entry.disabledByUs || entry.isOurOverride || entry.isSwitchedOff(gnome)) {
            item.runState = RunState::disabled();
            // The desktop portal writes these files again whenever the application asks it to.
            if (entry.portalApp)
                item.note = std::string(mayComeBackNote);
        } else if (switchedOff.contains(file.name)) {
            item.note = std::string(mayComeBackNote);
        }
        if (item.runState == RunState::disabled()) {
            items.push_back(std::move(item));
            continue;
        }
        if (!entry.isShownIn(m_environment.currentDesktops)) {
            item.note = std::string(notForThisDesktopNote);
        } else if (!item.isOrphaned) {
            item.runState = RunState::loaded();
            const std::optional<std::string> started = entry.execProgram();
            pending.push_back({ items.size(), autostartUnitName(file.name), started.value_or(program.value_or("")) });
        }
        items.push_back(std::move(item));
    }
    if (pending.empty())
        return;

    // Running: the unit systemd generated for the entry, where the session starts entries
    // that way; otherwise a process of this user running the entry's program.
    std::vector<std::string> units;
    units.reserve(pending.size());
    for (const Pending& each : pending)
        units.push_back(each.unit);
    std::map<std::string, int32_t, std::less<>> unitPids;
    for (const UnitStatus& status : m_systemctl.show(SystemctlClient::Scope::user, units)) {
        if (status.activeState == "active" && status.mainPid > 0)
            unitPids[status.id] = status.mainPid;
    }
    std::vector<ProcessEntry> processes;
    if (m_environment.processes)
        processes = m_environment.processes();
    for (const Pending& each : pending) {
        StartupItem& item = items[each.index];
        if (auto pid = unitPids.find(each.unit); pid != unitPids.end()) {
            item.runState = RunState::running(pid->second);
            continue;
        }
        const std::string wanted = baseName(each.program);
        if (wanted.empty())
            continue;
        for (const ProcessEntry& process : processes) {
            if (process.uid != m_environment.layout.uid() || process.pid < 1)
                continue;
            const bool byPath = process.path && baseName(*process.path) == wanted;
            // The kernel keeps 15 bytes of a process's name.
            const bool byName = process.name == wanted.substr(0, 15);
            if (byPath || byName) {
                item.runState = RunState::running(process.pid);
                break;
            }
        }
    }
}

void LinuxStartupSources::addUnitItems(std::vector<StartupItem>& items, SystemctlClient::Scope scope) const
{
    const auto files = m_systemctl.listUnitFiles(scope);
    if (!files)
        return;
    const HostLayout& layout = m_environment.layout;
    const bool user = scope == SystemctlClient::Scope::user;
    const std::vector<fs::path> userDirs { layout.configFolder() / "systemd/user", layout.dataHome() / "systemd/user" };
    std::vector<fs::path> vendorDirs;
    for (const char* dir : user ? std::vector<const char*> { "/etc/systemd/user", "/usr/local/lib/systemd/user", "/usr/lib/systemd/user",
                                      "/usr/local/share/systemd/user", "/usr/share/systemd/user", "/lib/systemd/user" }
                                : std::vector<const char*> { "/etc/systemd/system", "/usr/local/lib/systemd/system",
                                      "/usr/lib/systemd/system", "/lib/systemd/system" })
        vendorDirs.push_back(layout.system(dir));

    std::vector<size_t> added;
    std::vector<std::string> names;
    std::set<std::string, std::less<>> seen;
    for (const UnitFile& file : *files) {
        if (!isUnitType(file.name) || file.name.find("@.") != std::string::npos || !seen.insert(file.name).second)
            continue;
        const bool enabled = file.state.starts_with("enabled") || file.state.starts_with("linked");
        const bool masked = file.state.starts_with("masked");
        std::optional<fs::path> written;  // a unit file of the user's own
        if (user) {
            for (const fs::path& dir : userDirs) {
                std::error_code error;
                const fs::path path = dir / file.name;
                if (fs::is_symlink(path, error) && fs::read_symlink(path, error) == "/dev/null")
                    continue;  // a mask, not a unit
                if (somethingAt(path)) {
                    written = path;
                    break;
                }
            }
        }
        if (!(enabled || (user && masked) || (written && file.state == "disabled")))
            continue;
        StartupItem item;
        item.label = file.name;
        item.layer = !user ? StartupLayer::systemService : written ? StartupLayer::userService : StartupLayer::globalService;
        item.id = startupItemId(item.layer, item.label);
        item.runAtLoad = enabled;
        item.runState = enabled ? RunState::loaded() : RunState::disabled();
        if (written) {
            item.plistPath = *written;
        } else {
            for (const fs::path& dir : vendorDirs) {
                if (somethingAt(dir / file.name)) {
                    item.plistPath = dir / file.name;
                    break;
                }
            }
        }
        added.push_back(items.size());
        names.push_back(file.name);
        items.push_back(std::move(item));
    }

    std::map<std::string, UnitStatus, std::less<>> statuses;
    for (UnitStatus& status : m_systemctl.show(scope, names))
        statuses.emplace(status.id, std::move(status));
    for (size_t index : added) {
        StartupItem& item = items[index];
        auto status = statuses.find(item.label);
        if (status == statuses.end()) {
            if (!item.plistPath.empty())
                item.owner = unitDescription(item.plistPath);
            continue;
        }
        if (!status->second.description.empty())
            item.owner = status->second.description;
        if (item.plistPath.empty() && !status->second.fragmentPath.empty())
            item.plistPath = status->second.fragmentPath;
        if (status->second.program) {
            item.programPath = status->second.program;
            item.isOrphaned = !somethingAt(layout.system(*status->second.program));
        }
        if (item.runState == RunState::disabled())
            continue;
        const std::string& load = status->second.loadState;
        if (load == "not-found" || load == "bad-setting" || load == "error" || load == "bad")
            item.runState = RunState::notLoaded();
        else if (status->second.activeState == "active" && status->second.mainPid > 0)
            item.runState = RunState::running(status->second.mainPid);
    }
}

std::vector<StartupItem> LinuxStartupSources::scan(bool includeSystem) const
{
    std::vector<StartupItem> items;
    addAutostartItems(items);
    addUnitItems(items, SystemctlClient::Scope::user);
    if (includeSystem)
        addUnitItems(items, SystemctlClient::Scope::system);
    // Ids are unique by construction of each source; a repeated one is dropped like a repeated job.
    std::set<std::string, std::less<>> ids;
    std::erase_if(items, [&](const StartupItem& item) { return !ids.insert(item.id).second; });
    return items;
}

ErrorOr<void> LinuxStartupSources::disable(const StartupItem& item) const
{
    if (!item.isControllable())
        return Error { 0, "Only your own login items can be changed here." };
    if (item.layer == StartupLayer::autostartUser || item.layer == StartupLayer::autostartSystem)
        return switchAutostart(item, false);
    return switchUnit(item, false);
}

ErrorOr<void> LinuxStartupSources::enable(const StartupItem& item) const
{
    if (!item.isControllable())
        return Error { 0, "Only your own login items can be changed here." };
    if (item.layer == StartupLayer::autostartUser || item.layer == StartupLayer::autostartSystem)
        return switchAutostart(item, true);
    return switchUnit(item, true);
}

ErrorOr<void> LinuxStartupSources::switchAutostart(const StartupItem& item, bool on) const
{
    const fs::path& path = item.plistPath;
    const std::string name = path.filename().string();
    auto read = readRegularFile(path, maxEntrySize, SymlinkPolicy::refuse);
    if (auto* failure = std::get_if<FileReadFailure>(&read)) {
        if (failure->isMissing())
            return Error { ENOENT, "The item's file is missing: " + name + "." };
        if (failure->kind == FileReadFailure::Kind::symbolicLink)
            return Error { ELOOP, name + " is a link to another file; change the file it points to instead." };
        return Error { failure->code, "Cannot read " + path.string() };
    }
    const std::string& text = std::get<std::string>(read);
    const AutostartEntry entry = AutostartEntry::read(text);
    std::error_code error;
    const auto permissions = unsigned(fs::status(path, error).permissions() & fs::perms::mask);

    if (item.layer == StartupLayer::autostartUser) {
        std::optional<std::string> changed;
        if (on)
            changed = entry.disabledByUs ? restoredAutostartText(text) : switchedOnAutostartText(text);
        else
            changed = disabledAutostartText(text);
        if (!changed)
            return Error { 0, on ? name + " has no [Desktop Entry] group." : name + " is already switched off." };
        auto written = replaceFileContents(path, *changed, permissions ? permissions : 0644);
        if (written)
            rememberSwitchedOff(name, !on);
        return written;
    }

    if (on) {
        if (!entry.isOurOverride)
            return Error { 0, name + " is switched off by the system itself, not by Lopewell." };
        const TrashService::Outcome outcome = m_environment.moveToTrash({ path.string() });
        if (outcome.failedCount > 0 || !outcome.movedPaths.contains(path.string()))
            return Error { 0, "Cannot move the override " + path.string() + " to the Trash: " + outcome.error.value_or("unknown error") };
        rememberSwitchedOff(name, false);
        return {};
    }
    // A system entry: a copy of it in the user's folder that the session reads instead.
    const fs::path overridePath = userAutostartDir() / name;
    if (somethingAt(overridePath) || fs::is_symlink(overridePath, error))
        return Error { EEXIST, overridePath.string() + " already exists." };
    auto changed = disabledAutostartText(text, autostartOverrideKey);
    if (!changed)
        return Error { 0, name + " has no [Desktop Entry] group." };
    if (auto created = createFolders(userAutostartDir(), 0755); !created)
        return created;
    auto written = replaceFileContents(overridePath, *changed, 0644);
    if (written)
        rememberSwitchedOff(name, true);
    return written;
}

ErrorOr<void> LinuxStartupSources::switchUnit(const StartupItem& item, bool on) const
{
    // A unit the user wrote is disabled; one shipped with the system may be enabled for every
    // user, where `disable` does nothing, so it is masked.
    const bool written = item.layer == StartupLayer::userService;
    const std::string_view verb = written ? (on ? "enable" : "disable") : (on ? "unmask" : "mask");
    return m_systemctl.change(SystemctlClient::Scope::user, verb, item.label);
}

}  // namespace lopewell
