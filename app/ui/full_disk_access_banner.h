// The banner a screen shows while it lacks Full Disk Access: what is needed and why, a button that
// opens the settings page and one that checks again. The screen decides what both do.
//
//   auto* banner = new FullDiskAccessBanner([&] { openSettings(); }, [&] { model.recheckFullDiskAccess(); });
//   banner->setVisible(!model.fullDiskAccessGranted());
#pragma once

#include <QFrame>
#include <functional>

class QPushButton;

namespace lopewell {

class FullDiskAccessBanner final : public QFrame {
public:
    FullDiskAccessBanner(std::function<void()> onOpenSettings, std::function<void()> onRecheck, QWidget* parent = nullptr);

    QPushButton* openSettingsButton() const { return m_openSettings; }
    QPushButton* recheckButton() const { return m_recheck; }

private:
    QPushButton* m_openSettings;
    QPushButton* m_recheck;
};

}  // namespace lopewell
