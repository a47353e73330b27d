// The banner a screen shows while it lacks Full Disk Access: what is needed and why, a button that
// opens the settings page and one that checks again. The screen decides what both do.
//
//   auto* banner = new FullDiskAccessBanner([&] { openSettings(); }, [&] { model.recheckFullDiskAccess(); });
//   banner->setVisible(!model.fullDiskAccessGranted());
#pragma once

#include <QFrame>
#include <functional>

#include "platform/host_layout.h"

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

// The banner's "Open Settings". The system settings page of the reference platform has no
// counterpart here (no desktop handles its link); what decides access is the read permission on
// the protected probe file, so its folder opens in the file manager. Nothing when neither exists.
void openFullDiskAccessSettings(const HostLayout& layout);

}  // namespace lopewell
