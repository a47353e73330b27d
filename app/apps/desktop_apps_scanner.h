// The applications of the Linux desktop: the desktop entries on the XDG search path (the user's
// first, then the system's, then the Flatpak and Snap exports, which a session does not always
// put on the path), each classified by what installed it — a Flatpak, a Snap, an AppImage, a
// distribution package, or nothing (a local launcher) — and AppImages lying in the usual
// folders without an entry. Versions and sizes come from each source's own data; no AppImage is
// ever run.
//
//   std::vector<InstalledApp> apps = DesktopAppsScanner(layout).scan(stop);
//
// THREAD-SAFETY: no state; scan() reads many files and runs dpkg-query, flatpak and snap, so
// callers run it off the main thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "app/apps/installed_app.h"
#include "platform/host_layout.h"

namespace lopewell {

// The arguments of an Exec line, its quoting undone ("\"/opt/My App/run\" %U" → /opt/My App/run, %U).
std::vector<std::string> execArguments(std::string_view exec);
// The program an Exec line starts, past `env` and its assignments: "env A=1 /usr/bin/foo %U" → /usr/bin/foo.
std::string execProgram(std::string_view exec);

// ELF with the AppImage type 1 or 2 mark at offset 8, read from the first bytes of a regular file.
bool isAppImageFile(const std::filesystem::path& path);

class DesktopAppsScanner {
public:
    explicit DesktopAppsScanner(const HostLayout& layout, std::chrono::milliseconds toolTimeLimit = std::chrono::seconds(20));

    std::vector<InstalledApp> scan(std::stop_token stop = {}) const;

    // The application `target` names: a listed app's path, desktop file, id or desktop-file id,
    // or else a desktop entry or AppImage given by its path.
    std::optional<InstalledApp> resolve(const std::filesystem::path& target, const std::vector<InstalledApp>& installed) const;

    // The folders desktop entries are read from, best first, and what an entry there is.
    enum class FolderKind { user, shared, userFlatpak, systemFlatpak, snap };
    struct ApplicationFolder {
        std::filesystem::path path;
        FolderKind kind;
        bool operator==(const ApplicationFolder&) const = default;
    };
    std::vector<ApplicationFolder> applicationFolders() const;
    // The folders AppImages without an entry are looked for in.
    std::vector<std::filesystem::path> appImageFolders() const;

private:
    struct Entry;
    std::optional<InstalledApp> appFromEntry(const Entry& entry, const std::map<std::string, std::string>& owners) const;
    void addVersionsAndSizes(std::vector<InstalledApp>& apps, std::stop_token stop) const;
    std::optional<std::string> runTool(std::string_view tool, std::vector<std::string> arguments) const;
    std::filesystem::path onSystem(std::string_view absolute) const;
    bool programExists(const std::string& program) const;

    HostLayout m_layout;
    std::chrono::milliseconds m_toolTimeLimit;
};

// desktop path as the system sees it → the package that ships it, from dpkg's file lists.
std::map<std::string, std::string> dpkgDesktopOwners(const HostLayout& layout);
// Which of `paths` (as the system sees them) some installed package lists as its own.
std::map<std::string, std::string> dpkgOwnersOf(const HostLayout& layout, const std::vector<std::string>& paths);

}  // namespace lopewell
