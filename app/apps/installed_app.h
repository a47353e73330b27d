// One installed application as the Apps section lists it, and where it came from. On a macOS
// tree an application is a `.app` bundle; on the Linux desktop it is what a desktop entry, a
// Flatpak, a Snap, an AppImage or a distribution package installed, and `desktop` says how it
// is recognised and how it goes.
//
//   InstalledApp app { .url = "/Applications/Safari.app", .bundleID = "com.apple.Safari", .name = "Safari",
//       .version = "17.1", .size = 12'345'678, .source = AppSource::apple };
//   appSourceLabel(app.source);  // "Apple"
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core/base/raw_value.h"

namespace lopewell {

// Every flavour's sources in one enumeration, so a stored filter or a JSON line carries one raw
// value; each flavour offers only its own (AppSources::sources()).
enum class AppSource { apple, appStore, other, package, flatpak, snap, appImage, local };

template <>
struct RawValues<AppSource> {
    static constexpr std::array entries {
        std::pair { AppSource::apple, std::string_view("apple") },
        std::pair { AppSource::appStore, std::string_view("appStore") },
        std::pair { AppSource::other, std::string_view("other") },
        std::pair { AppSource::package, std::string_view("package") },
        std::pair { AppSource::flatpak, std::string_view("flatpak") },
        std::pair { AppSource::snap, std::string_view("snap") },
        std::pair { AppSource::appImage, std::string_view("appImage") },
        std::pair { AppSource::local, std::string_view("local") },
    };
};

LOPEWELL_RAW_VALUE_JSON(AppSource)

// "Apple", "App Store", "Other", "Packages", "Flatpak", "Snap", "AppImage", "Local".
std::string_view appSourceLabel(AppSource source);

// How a Linux desktop application was found and what removes it.
struct DesktopAppOrigin {
    std::string desktopFileId {};          // "org.gnome.Maps.desktop"; empty for an AppImage without entry
    std::filesystem::path desktopFile {};  // the entry that won for that id
    std::string packageName {};            // the distribution package that owns the entry
    std::string flatpakInstallation {};    // "user" or "system"
    std::string flatpakRef {};             // "app/org.gnome.Maps/x86_64/stable", or the bare id
    std::string snapName {};
    std::filesystem::path appImage {};       // the AppImage file itself
    std::string appImageKey {};              // the md5 in "appimagekit_<md5>-…" names of its integration files
    std::filesystem::path programFolder {};  // a local app's own folder under the home folder
    std::string execName {};                 // argv[0] of Exec, without its folder
    std::string wmClass {};                  // StartupWMClass
    std::string iconName {};                 // Icon, a theme name or an absolute path
    bool hiddenFromMenus = false;            // a user entry with Hidden=true shadows the system one

    bool operator==(const DesktopAppOrigin&) const = default;
};

struct InstalledApp {
    std::filesystem::path url {};  // the bundle, the AppImage, or the desktop entry; also the identity
    std::string bundleID {};       // the bundle identifier; on Linux the Flatpak id, snap name or desktop-file id
    std::string name {};
    std::string version {};  // "—" when there is none
    std::uint64_t size = 0;
    AppSource source = AppSource::other;
    std::optional<DesktopAppOrigin> desktop {};

    bool operator==(const InstalledApp&) const = default;
};

inline constexpr std::string_view noVersionText = "—";

// {"url": "file://…", "bundleID", "name", "version", "size", "source": raw value}, plus, for a
// desktop application, the keys of its origin that are set.
nlohmann::json encodeInstalledApp(const InstalledApp& app);

// Lower-cased for search and sorting: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic
// capitals; everything else as it is.
std::string foldedCase(std::string_view text);

// Ascending by name, case-insensitively; stable, so equal names keep their order.
void sortAppsByName(std::vector<InstalledApp>& apps);

}  // namespace lopewell
