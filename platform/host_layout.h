// Every location the program touches: the system root the macOS-style absolute paths hang off,
// the user's home folder and identity, and the per-user data and config folders.
// Scanners take one at construction, so tests can point them at a fixture tree.
//
//   HostLayout layout = HostLayout::forCurrentUser();
//   std::filesystem::path caches = layout.system("/Library/Caches");  // "/Library/Caches"
//   std::filesystem::path logs = layout.home("Library/Logs");
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace lopewell {

class HostLayout {
public:
    struct Fields {
        std::filesystem::path systemRoot = "/";
        std::filesystem::path home;
        std::uint32_t uid = 0;
        std::string loginName;
        std::filesystem::path dataHome;    // the XDG data folder, e.g. ~/.local/share
        std::filesystem::path configHome;  // the XDG config folder, e.g. ~/.config

        bool operator==(const Fields&) const = default;
    };

    // Relative folders are made absolute against the working directory and every folder is
    // normalised, so that two layouts naming the same places compare equal.
    explicit HostLayout(Fields fields);

    // Reads the OS once: uid, password-database entry, login name, $HOME and the XDG variables.
    static HostLayout forCurrentUser(std::filesystem::path systemRoot = "/");
    // The XDG folders are the defaults under `home`.
    static HostLayout forTesting(std::filesystem::path systemRoot, std::filesystem::path home, std::uint32_t uid, std::string loginName);

    const std::filesystem::path& systemRoot() const { return m_fields.systemRoot; }
    const std::filesystem::path& home() const { return m_fields.home; }
    std::uint32_t uid() const { return m_fields.uid; }
    const std::string& loginName() const { return m_fields.loginName; }

    // An absolute path as the system sees it, placed under the system root. Resolution is
    // lexical and never leaves the root: "." and empty parts are dropped, ".." stops at the
    // root ("/../etc" is <root>/etc), and a relative argument counts from the root.
    // Symbolic links inside the root are not looked at; walkers handle those.
    std::filesystem::path system(std::string_view absolutePath) const;
    // A path under the home folder, clamped the same way: "/etc" or "../x" stay inside home.
    std::filesystem::path home(std::string_view relativePath) const;

    std::filesystem::path applicationSupport() const;  // <data home>/<bundle id>
    std::filesystem::path configFolder() const { return m_fields.configHome; }
    std::filesystem::path userDefaultsFile() const;  // <config>/<bundle id>/UserDefaults.json

    std::filesystem::path launchctlPath() const { return system("/bin/launchctl"); }
    std::filesystem::path profilesPath() const { return system("/usr/bin/profiles"); }

    bool operator==(const HostLayout&) const = default;

private:
    Fields m_fields;
};

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
