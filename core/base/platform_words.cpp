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
};

}  // namespace

const PlatformWords& platformWords(HostFlavour flavour)
{
    return flavour == HostFlavour::macOS ? macOSWords : linuxDesktopWords;
}

}  // namespace lopewell
