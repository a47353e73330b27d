// The Space section: scan buttons, the progress, unreadable-folder and mount-point lines, breadcrumbs, the
// treemap and the inspector of the selection, with its reveal, open and move-to-Trash actions.
// It shows the SpaceViewModel's state and sends it the user's actions; nothing else.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/space/space_view_model.h"
#include "core/concurrency/change_observers.h"

class QLabel;
class QPushButton;
class QHBoxLayout;
class QVBoxLayout;
class QStackedWidget;
class QMessageBox;

namespace lopewell {

class FullDiskAccessBanner;
class TreemapView;

class SpaceView final : public QWidget {
public:
    // `openAccessSettings` is the banner's "Open Settings".
    SpaceView(SpaceViewModel& model, std::function<void()> openAccessSettings, QWidget* parent = nullptr);

    TreemapView* treemap() const { return m_treemap; }
    // The confirmation before moving the selection to the Trash (shown until answered).
    void confirmTrash();

private:
    void render();
    void renderBreadcrumbs();
    void renderInspector();

    SpaceViewModel& m_model;
    ChangeObservers::Subscription m_subscription;
    FullDiskAccessBanner* m_banner;
    QPushButton* m_scanHome;
    QPushButton* m_scanRoot;
    QPushButton* m_rescan;
    QPushButton* m_cancel;
    QLabel* m_progress;
    QLabel* m_unreadable;
    QLabel* m_mountPoints;
    QWidget* m_breadcrumbBar;
    QHBoxLayout* m_breadcrumbs;
    QStackedWidget* m_stack;
    QLabel* m_emptyTitle;
    QPushButton* m_emptyScanHome;
    QPushButton* m_emptyScanRoot;
    TreemapView* m_treemap;
    QWidget* m_inspector;
    QVBoxLayout* m_inspectorLayout;
    QMessageBox* m_alert = nullptr;
};

}  // namespace lopewell
