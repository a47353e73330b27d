#include "platform/host_layout.h"

#include "core/base/app_identity.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <vector>

namespace lopewell {

namespace {

namespace fs = std::filesystem;

fs::path normalizedFolder(const fs::path& folder)
{
    std::error_code error;
    fs::path absolute = fs::absolute(folder, error);
    if (error)
        absolute = folder;
    fs::path normal = absolute.lexically_normal();
    // "/home/a/" normalises to "/home/a/"; drop the trailing separator so paths compare equal.
    if (!normal.has_filename() && normal.has_parent_path() && normal != normal.root_path())
        normal = normal.parent_path();
    return normal;
}

// Appends the parts of `tail` to `base` as if `base` were "/": nothing can climb above it.
fs::path appendClamped(const fs::path& base, std::string_view tail)
{
    std::vector<std::string_view> parts;
    while (!tail.empty()) {
        const size_t slash = tail.find('/');
        const std::string_view part = tail.substr(0, slash);
        tail = slash == std::string_view::npos ? std::string_view {} : tail.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    fs::path result = base;
    for (std::string_view part : parts)
        result /= fs::path(part);
    return result;
}

bool isAbsolute(std::string_view value)
{
    return !value.empty() && value.front() == '/';
}

std::string_view environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view {};
}

struct PasswordEntry {
    std::string home;
    std::string name;
};

std::optional<PasswordEntry> passwordEntry(uid_t uid)
{
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 1024);
    passwd entry {};
    passwd* found = nullptr;
    for (;;) {
        const int result = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
        if (result == ERANGE && buffer.size() < (size_t { 1 } << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (result == EINTR)
            continue;
        if (result != 0 || !found)
            return std::nullopt;
        return PasswordEntry { found->pw_dir ? found->pw_dir : "", found->pw_name ? found->pw_name : "" };
    }
}

std::string sessionLoginName()
{
    char name[LOGIN_NAME_MAX + 1] {};
    if (getlogin_r(name, sizeof name) != 0)
        return {};
    return name;
}

}  // namespace

fs::path resolveHomeFolder(std::string_view passwordDatabaseHome, std::string_view homeVariable)
{
    if (isAbsolute(passwordDatabaseHome))
        return normalizedFolder(fs::path(passwordDatabaseHome));
    if (isAbsolute(homeVariable))
        return normalizedFolder(fs::path(homeVariable));
    return "/";
}

fs::path resolveXdgFolder(std::string_view variable, const fs::path& home, std::string_view fallbackRelative)
{
    if (isAbsolute(variable))
        return normalizedFolder(fs::path(variable));
    return appendClamped(home, fallbackRelative);
}

HostLayout::HostLayout(Fields fields) : m_fields(std::move(fields))
{
    m_fields.systemRoot = normalizedFolder(m_fields.systemRoot.empty() ? fs::path("/") : m_fields.systemRoot);
    m_fields.home = normalizedFolder(m_fields.home.empty() ? fs::path("/") : m_fields.home);
    for (auto [folder, fallback] : { std::pair { &m_fields.dataHome, ".local/share" }, std::pair { &m_fields.configHome, ".config" },
             std::pair { &m_fields.cacheHome, ".cache" }, std::pair { &m_fields.stateHome, ".local/state" } }) {
        if (folder->empty())
            *folder = appendClamped(m_fields.home, fallback);
        *folder = normalizedFolder(*folder);
    }
    std::erase_if(m_fields.environment, [](const auto& entry) { return !isAbsolute(entry.second); });
    if (!m_fields.flavour) {
        std::error_code error;
        m_fields.flavour = fs::is_regular_file(system(macOSVersionFile), error) ? HostFlavour::macOS : HostFlavour::linuxDesktop;
    }
}

HostLayout HostLayout::forCurrentUser(fs::path systemRoot, std::optional<HostFlavour> flavour)
{
    const uid_t uid = getuid();
    const std::optional<PasswordEntry> entry = passwordEntry(uid);

    Fields fields;
    fields.systemRoot = std::move(systemRoot);
    fields.uid = uid;
    fields.home = resolveHomeFolder(entry ? std::string_view(entry->home) : std::string_view {}, environment("HOME"));
    // The account the uid belongs to; the session's login name only when the database is silent.
    fields.loginName = entry && !entry->name.empty() ? entry->name : sessionLoginName();
    fields.dataHome = resolveXdgFolder(environment("XDG_DATA_HOME"), fields.home, ".local/share");
    fields.configHome = resolveXdgFolder(environment("XDG_CONFIG_HOME"), fields.home, ".config");
    fields.cacheHome = resolveXdgFolder(environment("XDG_CACHE_HOME"), fields.home, ".cache");
    fields.stateHome = resolveXdgFolder(environment("XDG_STATE_HOME"), fields.home, ".local/state");
    fields.flavour = flavour;
    for (std::string_view name : hostEnvironmentVariables) {
        const std::string_view value = environment(std::string(name).c_str());
        if (isAbsolute(value))
            fields.environment.emplace(name, value);
    }
    return HostLayout(std::move(fields));
}

HostLayout HostLayout::forTesting(fs::path systemRoot, fs::path home, std::uint32_t uid, std::string loginName, HostFlavour flavour)
{
    Fields fields;
    fields.systemRoot = std::move(systemRoot);
    fields.home = std::move(home);
    fields.uid = uid;
    fields.loginName = std::move(loginName);
    fields.flavour = flavour;
    return HostLayout(std::move(fields));
}

std::optional<fs::path> HostLayout::environmentFolder(std::string_view name) const
{
    const auto found = m_fields.environment.find(name);
    if (found == m_fields.environment.end())
        return std::nullopt;
    return normalizedFolder(fs::path(found->second));
}

fs::path HostLayout::system(std::string_view absolutePath) const
{
    return appendClamped(m_fields.systemRoot, absolutePath);
}

fs::path HostLayout::home(std::string_view relativePath) const
{
    return appendClamped(m_fields.home, relativePath);
}

fs::path HostLayout::applicationSupport() const
{
    return m_fields.dataHome / std::string(bundleIdentifier);
}

std::vector<std::string> HostLayout::dataDirs() const
{
    std::vector<std::string> folders;
    if (const auto found = m_fields.environment.find("XDG_DATA_DIRS"); found != m_fields.environment.end()) {
        std::string_view rest = found->second;
        while (!rest.empty()) {
            const std::string_view folder = rest.substr(0, rest.find(':'));
            rest.remove_prefix(std::min(rest.size(), folder.size() + 1));
            if (isAbsolute(folder))
                folders.emplace_back(folder);
        }
    }
    if (folders.empty())
        folders = { "/usr/local/share", "/usr/share" };
    return folders;
}

fs::path HostLayout::userDefaultsFile() const
{
    return m_fields.configHome / std::string(bundleIdentifier) / "UserDefaults.json";
}

}  // namespace lopewell
