// The Startup section: the subtitle, the system-items toggle with its note and the Refresh
// button (a busy indicator while scanning), then one section per layer with a row per item and
// each row's action menu. Texts, order and the rules of what a row offers belong to the view
// model; this draws them and carries out the three actions that change nothing.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/startup/startup_view_model.h"

class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace lopewell {

class StartupView final : public QWidget {
    Q_OBJECT

public:
    // What the actions that leave the system alone do; tests replace them.
    struct DesktopActions {
        std::function<void(const std::string& path)> reveal;
        std::function<void(const StartupSettingsLink& link)> openSettings;
        std::function<void(const std::string& text)> copy;
    };
    static DesktopActions systemActions();

    explicit StartupView(StartupViewModel& model, DesktopActions actions = systemActions(), QWidget* parent = nullptr);

    // The menu of one row; the caller owns it.
    std::unique_ptr<QMenu> actionMenu(const StartupItem& item);

    // For tests and pictures.
    QCheckBox* systemItemsToggle() const { return m_toggle; }
    QPushButton* refreshButton() const { return m_refresh; }
    QProgressBar* busyIndicator() const { return m_busy; }
    QWidget* sections() const { return m_sections; }
    QMessageBox* errorAlert() const { return m_errorAlert; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();
    void renderSections();
    QWidget* row(const StartupItem& item);
    void presentError();

    StartupViewModel& m_model;
    DesktopActions m_actions;
    ChangeObservers::Subscription m_subscription;
    QCheckBox* m_toggle;
    QPushButton* m_refresh;
    QProgressBar* m_busy;
    QWidget* m_sections;
    QVBoxLayout* m_sectionsLayout;
    QPointer<QMessageBox> m_errorAlert;
    std::vector<StartupItem> m_shownItems;
    std::vector<StartupLayer> m_shownLayers;
    bool m_shownChanging = false;
};

}  // namespace lopewell
