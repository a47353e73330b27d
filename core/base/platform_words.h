// The texts that name a thing of the desktop the program looks at: its file manager, its
// modifier key, its settings app, its Trash. One table per flavour, so a macOS tree reads as macOS
// and the Linux desktop reads in its own words; screens and the command line take their texts
// from here and never spell such a word themselves.
//
//   const PlatformWords& words = platformWords(layout.flavour());
//   button->setText(words.revealInFileManager);  // "Reveal in Finder" or "Show in Folder"
#pragma once

#include <string_view>

#include "core/base/host_flavour.h"

namespace lopewell {

struct PlatformWords {
    std::string_view fileManager;                // "Finder"
    std::string_view revealInFileManager;        // "Reveal in Finder"
    std::string_view revealFolderInFileManager;  // "Reveal Folder in Finder"
    std::string_view systemSettings;             // "System Settings"
    std::string_view homeTrash;                  // "~/.Trash"
    // The inspector's selection tips.
    std::string_view preselectedTip;  // "Tip: Cmd-click to deselect, Cmd-A to reselect all."
    std::string_view unselectedTip;   // "Tip: click to select, Cmd-click to extend, Cmd-A to select all."
    // The treemap's note on a "Small files" tile.
    std::string_view smallFilesNote;
    // The second paragraph of the alert after items could not be moved to the Trash.
    std::string_view trashFailureAdvice;
    // The Startup section: the action that opens the desktop's own list of what starts at
    // login, and the screen's subtitle and note.
    std::string_view openStartupSettings;  // "Open in System Settings…"
    std::string_view startupSubtitle;
    std::string_view startupNote;
    // The Apps section: what an application is called where it is dropped, chosen and listed.
    std::string_view appsSubtitleSuffix;  // after the count: " apps installed · drag a .app onto the tile below or …"
    std::string_view appsScanningText;    // "Scanning /Applications…"
    std::string_view uninstallerText;     // the drop tile's text
    std::string_view chooseAppButton;     // "Choose .app…"
    std::string_view chooseAppMessage;    // "Choose the app you want to uninstall."
    // "We couldn't read " + file name + unreadableAppSuffix
    std::string_view unreadableAppSuffix;  // "'s bundle identifier. Pick a different .app and try again."
    // The Security section: the confirmation before a family's removable items go to the Trash,
    // naming what stays behind for someone else to remove.
    std::string_view securityRemovalMessage;  // "Moves this family's removable items to the Trash (reversible). …"
};

const PlatformWords& platformWords(HostFlavour flavour);

}  // namespace lopewell
