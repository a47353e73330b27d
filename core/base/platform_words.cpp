#include "core/base/platform_words.h"

namespace lopewell {

namespace {

constexpr PlatformWords macOSWords {
    .fileManager = "Finder",
    .revealInFileManager = "Reveal in Finder",
    .revealFolderInFileManager = "Reveal Folder in Finder",
    .systemSettings = "System Settings",
    .homeTrash = "~/.Trash",
    .preselectedTip = "Tip: Cmd-click to deselect, Cmd-A to reselect all.",
    .unselectedTip = "Tip: click to select, Cmd-click to extend, Cmd-A to select all.",
    .smallFilesNote = "Many small files, grouped. Open the folder in Finder to manage them.",
    .trashFailureAdvice = "This usually means the file is locked or you don't have permission to move it. "
                          "Try deleting it in Finder, where macOS can ask for the access it needs.",
    .openStartupSettings = "Open in System Settings…",
    .startupSubtitle = "Everything that launches automatically. You can disable your own login items here (reversible — they move to a "
                       "holding area, nothing is deleted). System items are read-only; use Reveal in Finder or System Settings.",
    .startupNote = "Covers launchd agents and daemons. The legacy “Open at Login” list and some modern login items managed only by "
                   "macOS aren’t listed here — open System Settings ▸ General ▸ Login Items for those.",
    .appsSubtitleSuffix = " apps installed · drag a .app onto the tile below or click a row to find every file it stashed.",
    .appsScanningText = "Scanning /Applications…",
    .uninstallerText = "Drag any .app onto this tile to find every file the app left behind. Bundles still in Applications work too.",
    .chooseAppButton = "Choose .app…",
    .chooseAppMessage = "Choose the app you want to uninstall.",
    .unreadableAppSuffix = "'s bundle identifier. Pick a different .app and try again.",
    .securityRemovalMessage = "Moves this family's removable items to the Trash (reversible). System-level items and profiles must be "
                              "removed manually.",
};

// The words GNOME, KDE and the other freedesktop.org desktops use for the same things.
constexpr PlatformWords linuxDesktopWords {
    .fileManager = "the file manager",
    .revealInFileManager = "Show in Folder",
    .revealFolderInFileManager = "Open Folder",
    .systemSettings = "Settings",
    .homeTrash = "~/.local/share/Trash",
    .preselectedTip = "Tip: Ctrl-click to deselect, Ctrl-A to reselect all.",
    .unselectedTip = "Tip: click to select, Ctrl-click to extend, Ctrl-A to select all.",
    .smallFilesNote = "Many small files, grouped. Open the folder in the file manager to manage them.",
    .trashFailureAdvice = "This usually means the file is locked or you don't have permission to move it. "
                          "Try deleting it in the file manager, which can ask for the access it needs.",
    .openStartupSettings = "Open Settings…",
    .startupSubtitle = "Everything that starts automatically when you log in. You can switch off your own autostart entries and "
                       "services here (reversible — nothing is deleted). System services are read-only; use Show in Folder or Settings.",
    .startupNote = "Covers XDG autostart entries and systemd units. Login scripts such as ~/.profile and cron jobs aren’t listed "
                   "here — your desktop’s Settings may list a few more apps that run in the background.",
    .appsSubtitleSuffix
    = " apps installed · drop a launcher or an AppImage onto the tile below or click a row to find every file it left behind.",
    .appsScanningText = "Scanning applications…",
    .uninstallerText = "Drag a launcher (.desktop file) or an AppImage onto this tile to find every file the app left behind. "
                       "Installed apps work too.",
    .chooseAppButton = "Choose an application…",
    .chooseAppMessage = "Choose the app you want to uninstall.",
    .unreadableAppSuffix = " as an application. Pick a .desktop file or an AppImage and try again.",
    .securityRemovalMessage = "Moves this family's removable items to the Trash (reversible). System-level items and browser policies "
                              "must be removed by an administrator.",
};

}  // namespace

const PlatformWords& platformWords(HostFlavour flavour)
{
    return flavour == HostFlavour::macOS ? macOSWords : linuxDesktopWords;
}

}  // namespace lopewell
