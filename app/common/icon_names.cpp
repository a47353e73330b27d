#include "app/common/icon_names.h"

#include <array>
#include <utility>

namespace lopewell {

namespace {

using namespace std::string_view_literals;

constexpr std::array icons {
    // Sidebar sections.
    std::pair { "gauge.with.dots.needle.50percent"sv, "utilities-system-monitor,org.gnome.SystemMonitor,computer"sv },
    std::pair { "internaldrive"sv, "drive-harddisk"sv },
    std::pair { "doc.on.doc"sv, "edit-copy"sv },
    std::pair { "app.dashed"sv, "view-app-grid,applications-other"sv },
    std::pair { "list.bullet.rectangle"sv, "view-list-bullet,view-list,application-x-executable"sv },
    std::pair { "power"sv, "system-shutdown,system-run"sv },
    std::pair { "square.grid.3x3.fill.square"sv, "view-grid,folder"sv },
    std::pair { "checkmark.shield"sv, "security-high"sv },
    // Settings tabs.
    std::pair { "gear"sv, "preferences-system,emblem-system"sv },
    std::pair { "arrow.down.circle"sv, "system-software-update,view-refresh"sv },
    std::pair { "lock.shield"sv, "security-high"sv },
    std::pair { "heart"sv, "emblem-favorite"sv },
    // Inside the panes and the About window.
    std::pair { "lock.shield.fill"sv, "security-high"sv },
    std::pair { "exclamationmark.triangle"sv, "dialog-warning"sv },
    std::pair { "envelope.fill"sv, "mail-send,mail-unread"sv },
    std::pair { "cup.and.saucer.fill"sv, "face-smile"sv },
    std::pair { "heart.fill"sv, "emblem-favorite"sv },
    std::pair { "creditcard.fill"sv, "face-smile-big"sv },
    std::pair { "arrow.up.right.square"sv, "go-jump"sv },
    // The Storage section: its banners, status rows and the symbols of the category cards.
    std::pair { "sparkles"sv, "starred,weather-clear"sv },
    std::pair { "questionmark.circle"sv, "help-browser,dialog-question"sv },
    std::pair { "tray.full"sv, "folder-templates,folder"sv },
    std::pair { "doc.text"sv, "text-x-generic"sv },
    std::pair { "trash"sv, "user-trash"sv },
    std::pair { "externaldrive.badge.exclamationmark"sv, "drive-harddisk"sv },
    std::pair { "hammer"sv, "applications-engineering,applications-development"sv },
    std::pair { "shippingbox"sv, "package-x-generic"sv },
    std::pair { "book.closed"sv, "accessories-dictionary,help-browser"sv },
    std::pair { "cable.connector"sv, "network-wired,drive-removable-media"sv },
    std::pair { "iphone.gen3"sv, "phone"sv },
    std::pair { "externaldrive.badge.timemachine"sv, "drive-removable-media,document-open-recent"sv },
    std::pair { "chevron.left.forwardslash.chevron.right"sv, "text-x-script,applications-development"sv },
    std::pair { "text.cursor"sv, "accessories-text-editor"sv },
    std::pair { "bubble.left.and.bubble.right"sv, "user-available,mail-send"sv },
    std::pair { "atom"sv, "applications-science"sv },
    std::pair { "j.square"sv, "applications-development,text-x-script"sv },
    std::pair { "cube.box"sv, "package-x-generic"sv },
    std::pair { "cube"sv, "package-x-generic"sv },
    std::pair { "shippingbox.and.arrow.backward"sv, "package-x-generic"sv },
    std::pair { "gearshape.2"sv, "emblem-system"sv },
    std::pair { "paperclip"sv, "mail-attachment"sv },
    std::pair { "arrow.down.doc"sv, "folder-download"sv },
    std::pair { "photo.stack"sv, "image-x-generic,folder-pictures"sv },
    std::pair { "music.note"sv, "audio-x-generic,folder-music"sv },
    // The Linux desktop's storage categories.
    std::pair { "exclamationmark.octagon"sv, "dialog-error"sv },
    std::pair { "globe"sv, "web-browser,applications-internet"sv },
    std::pair { "cpu"sv, "video-display,computer"sv },
    std::pair { "envelope"sv, "mail-unread,mail-send"sv },
    // The Security section's threat cards.
    std::pair { "exclamationmark.shield"sv, "security-high"sv },
};

}  // namespace

std::string_view iconThemeName(std::string_view symbol)
{
    for (const auto& [entry, icon] : icons) {
        if (entry == symbol)
            return icon;
    }
    return {};
}

}  // namespace lopewell
