// The settings window: four tabs (General, Updates, Privacy, Support), 520 × 380, the
// selected tab remembered. Every toggle acts at once.
#pragma once

#include <QWidget>

#include "app/shell/settings_model.h"

class QTabWidget;

namespace lopewell {

class AppUpdater;

class SettingsWindow final : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(SettingsWindowModel& window, GeneralPaneModel& general, AppUpdater& updater, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();

    SettingsWindowModel& m_window;
    GeneralPaneModel& m_general;
    QTabWidget* m_tabs;
    ChangeObservers::Subscription m_subscription;
};

}  // namespace lopewell
