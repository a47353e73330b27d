// The Security section: the Full Disk Access banner while access is missing, the subtitle with
// the Scan button (a progress indicator and "Scanning…" in its place while a scan runs), then
// the result: nothing before the first scan, the shield and "No known threats found…", or one
// card per threat with its artifacts and the "Move to Trash" and reveal buttons. Moving to the
// Trash asks first; a failure shows the shared Trash alert. Texts and rules belong to the view
// model; this draws them.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/security/security_view_model.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace lopewell {

class FullDiskAccessBanner;

class SecurityView final : public QWidget {
    Q_OBJECT

public:
    // What the buttons that leave the system alone do; tests replace them.
    struct DesktopActions {
        std::function<void(const std::vector<std::string>& paths)> reveal;
        std::function<void()> openFullDiskAccessSettings;
    };

    SecurityView(SecurityViewModel& model, DesktopActions actions, QWidget* parent = nullptr);

    // For tests and pictures.
    QPushButton* scanButton() const { return m_scan; }
    QWidget* progress() const { return m_progress; }
    QWidget* results() const { return m_results; }
    FullDiskAccessBanner* accessBanner() const { return m_banner; }
    QMessageBox* confirmation() const { return m_confirmation; }
    QMessageBox* failureAlert() const { return m_failureAlert; }

private:
    void render();
    void renderResults();
    QWidget* card(const DetectedThreat& threat);
    void presentConfirmation();
    void presentFailure();

    SecurityViewModel& m_model;
    DesktopActions m_actions;
    ChangeObservers::Subscription m_subscription;
    FullDiskAccessBanner* m_banner;
    QPushButton* m_scan;
    QWidget* m_progress;
    QWidget* m_results;
    QVBoxLayout* m_resultsLayout;
    QPointer<QMessageBox> m_confirmation;
    QPointer<QMessageBox> m_failureAlert;
    // What the result area was drawn from, so it is rebuilt only when that changes.
    std::optional<std::vector<DetectedThreat>> m_shownThreats;
    bool m_shownBusy = false;
    bool m_drawn = false;
};

}  // namespace lopewell
