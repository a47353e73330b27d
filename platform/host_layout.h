// Every location the program touches: the system root the macOS-style absolute paths hang off,
// the user's home folder and identity, the per-user XDG folders, the environment variables that
// move per-user places, and the flavour of system all of it describes.
// Scanners take one at construction, so tests can point them at a fixture tree.
//
//   HostLayout layout = HostLayout::forCurrentUser();
//   std::filesystem::path caches = layout.system("/Library/Caches");  // "/Library/Caches"
//   std::filesystem::path logs = layout.home("Library/Logs");
//   if (layout.flavour() == HostFlavour::linuxDesktop) layout.environmentFolder("CARGO_HOME");
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/host_flavour.h"

namespace lopewell {

// The variables forCurrentUser captures: each moves a place of the Linux desktop.
inline constexpr std::array<std::string_view, 20> hostEnvironmentVariables { "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME",
    "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "PIP_CACHE_DIR", "npm_config_cache", "YARN_CACHE_FOLDER", "PNPM_HOME", "CARGO_HOME", "GOPATH",
    "GOCACHE", "GOMODCACHE", "GRADLE_USER_HOME", "CCACHE_DIR", "SCCACHE_DIR", "UV_CACHE_DIR", "HOMEBREW_CACHE", "ANDROID_AVD_HOME",
    "CHROME_CONFIG_HOME" };

class HostLayout {
public:
    struct Fields {
        std::filesystem::path systemRoot = "/";
        std::filesystem::path home;
        std::uint32_t uid = 0;
        std::string loginName;
        std::filesystem::path dataHome;    // the XDG data folder, e.g. ~/.local/share
        std::filesystem::path configHome;  // the XDG config folder, e.g. ~/.config
        std::filesystem::path cacheHome;   // the XDG cache folder, e.g. ~/.cache
        std::filesystem::path stateHome;   // the XDG state folder, e.g. ~/.local/state
        // Unset: macOS when the system root holds macOS's version file, else the Linux desktop.
        std::optional<HostFlavour> flavour;
        // Variable name to value. Only absolute values are kept: a relative one would resolve
        // against whatever the working directory happens to be.
        std::map<std::string, std::string, std::less<>> environment;

        bool operator==(const Fields&) const = default;
    };

    // Relative folders are made absolute against the working directory and every folder is
    // normalised, so that two layouts naming the same places compare equal. An unset flavour is
    // decided here, once, by looking at the system root.
    explicit HostLayout(Fields fields);

    // Reads the OS once: uid, password-database entry, login name, $HOME and the variables of
    // hostEnvironmentVariables.
    static HostLayout forCurrentUser(std::filesystem::path systemRoot = "/", std::optional<HostFlavour> flavour = std::nullopt);
    // The XDG folders are the defaults under `home`; no variable is set.
    static HostLayout forTesting(
        std::filesystem::path systemRoot, std::filesystem::path home, std::uint32_t uid, std::string loginName, HostFlavour flavour);

    const std::filesystem::path& systemRoot() const { return m_fields.systemRoot; }
    const std::filesystem::path& home() const { return m_fields.home; }
    std::uint32_t uid() const { return m_fields.uid; }
    const std::string& loginName() const { return m_fields.loginName; }
    HostFlavour flavour() const { return *m_fields.flavour; }
    const Fields& fields() const { return m_fields; }

    // A captured variable's value as a normalised folder, when it was set to an absolute path.
    std::optional<std::filesystem::path> environmentFolder(std::string_view name) const;

    // An absolute path as the system sees it, placed under the system root. Resolution is
    // lexical and never leaves the root: "." and empty parts are dropped, ".." stops at the
    // root ("/../etc" is <root>/etc), and a relative argument counts from the root.
    // Symbolic links inside the root are not looked at; walkers handle those.
    std::filesystem::path system(std::string_view absolutePath) const;
    // A path under the home folder, clamped the same way: "/etc" or "../x" stay inside home.
    std::filesystem::path home(std::string_view relativePath) const;

    std::filesystem::path applicationSupport() const;  // <data home>/<bundle id>
    const std::filesystem::path& configFolder() const { return m_fields.configHome; }
    const std::filesystem::path& dataHome() const { return m_fields.dataHome; }
    const std::filesystem::path& cacheHome() const { return m_fields.cacheHome; }
    const std::filesystem::path& stateHome() const { return m_fields.stateHome; }
    // The shared data folders in search order, as the system sees them: the absolute entries of
    // XDG_DATA_DIRS, or "/usr/local/share" and "/usr/share" when it names none.
    std::vector<std::string> dataDirs() const;
    std::filesystem::path userDefaultsFile() const;  // <config>/<bundle id>/UserDefaults.json

    std::filesystem::path launchctlPath() const { return system("/bin/launchctl"); }
    std::filesystem::path profilesPath() const { return system("/usr/bin/profiles"); }

    bool operator==(const HostLayout&) const = default;

private:
    Fields m_fields;
};

// The file whose presence under a system root makes it a macOS tree.
inline constexpr std::string_view macOSVersionFile = "/System/Library/CoreServices/SystemVersion.plist";

// The home-folder rule, exposed for testing. Empty strings stand for "no entry" / "unset".
// 1. the password-database home of the current uid, when non-empty and absolute;
// 2. otherwise $HOME, when non-empty and absolute;
// 3. otherwise "/".
// A relative value would silently resolve against the working directory, so it is skipped.
std::filesystem::path resolveHomeFolder(std::string_view passwordDatabaseHome, std::string_view homeVariable);

// An XDG base folder: the variable when it is absolute (as the XDG rules require), else
// home / fallbackRelative, e.g. resolveXdgFolder(getenv("XDG_DATA_HOME"), home, ".local/share").
std::filesystem::path resolveXdgFolder(std::string_view variable, const std::filesystem::path& home, std::string_view fallbackRelative);

}  // namespace lopewell
