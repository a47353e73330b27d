#include "app/shell/icon_names.h"

#include <array>
#include <utility>

namespace lopewell {

namespace {

using namespace std::string_view_literals;

constexpr std::array kIcons {
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
};

}  // namespace

std::string_view iconThemeName(std::string_view symbol)
{
    for (const auto& [entry, icon] : kIcons) {
        if (entry == symbol)
            return icon;
    }
    return {};
}

}  // namespace lopewell
