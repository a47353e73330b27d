// The four panes of the settings window.
#pragma once

#include <QWidget>

#include "app/shell/settings_model.h"
#include "core/concurrency/change_observers.h"

class QCheckBox;
class QLabel;

namespace lopewell {

class AppUpdater;

class GeneralPane final : public QWidget {
public:
    explicit GeneralPane(GeneralPaneModel& model, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();

    GeneralPaneModel& m_model;
    QCheckBox* m_menuBar;
    QCheckBox* m_dock;
    QCheckBox* m_login;
    QWidget* m_error;
    QLabel* m_errorText;
    ChangeObservers::Subscription m_subscription;
};

class UpdatesPane final : public QWidget {
public:
    explicit UpdatesPane(AppUpdater& updater, QWidget* parent = nullptr);

private:
    void render();

    AppUpdater& m_updater;
    QCheckBox* m_automatic;
    QLabel* m_lastChecked;
    QWidget* m_checkNow;
    QLabel* m_outcome;
    QWidget* m_viewRelease;
    ChangeObservers::Subscription m_subscription;
};
QWidget* makePrivacyPane();
QWidget* makeSupportPane();

}  // namespace lopewell
