// The Apps section: title and count, the Uninstaller tile, the list heading with its summary and
// "Re-scan", the source chips and the search field, and the list of applications; a row, a drop
// or the chooser opens the shared review sheet on the app and its leftovers.
//
//   mainWindow.setSectionWidget(SidebarTab::apps, new AppsView(apps));
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/apps/apps_view_model.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QMessageBox;
class QPushButton;
class QHBoxLayout;
class QStackedWidget;

namespace lopewell {

class CategoryInspectorSheet;
class UninstallerDropZone;

class AppsView final : public QWidget {
public:
    explicit AppsView(AppsViewModel& model, QWidget* parent = nullptr);
    ~AppsView() override;

    UninstallerDropZone* dropZone() const { return m_dropZone; }
    QPushButton* rescanButton() const { return m_rescan; }
    QLineEdit* searchField() const { return m_search; }
    QListWidget* list() const { return m_list; }
    QLabel* subtitle() const { return m_subtitle; }
    QLabel* summary() const { return m_summary; }
    QLabel* placeholder() const { return m_placeholder; }
    const std::vector<QPushButton*>& chipButtons() const { return m_chips; }
    CategoryInspectorSheet* sheet() const;
    QMessageBox* errorBox() const { return m_errorBox; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();
    void renderList();
    void openSheet();
    void presentError();
    QWidget* makeRow(const InstalledApp& app) const;

    AppsViewModel& m_model;
    QLabel* m_subtitle;
    UninstallerDropZone* m_dropZone;
    QLabel* m_summary;
    QPushButton* m_rescan;
    QHBoxLayout* m_chipRow;
    std::vector<QPushButton*> m_chips;
    QLineEdit* m_search;
    QStackedWidget* m_listArea;
    QListWidget* m_list;
    QLabel* m_placeholder;
    std::vector<InstalledApp> m_shownApps;
    bool m_listRendered = false;
    std::unique_ptr<CategoryInspectorModel> m_inspector;
    std::vector<std::unique_ptr<CategoryInspectorModel>> m_retired;
    ChangeObservers::Subscription m_inspectorSubscription;
    QPointer<CategoryInspectorSheet> m_sheet;
    QPointer<QMessageBox> m_errorBox;
    ChangeObservers::Subscription m_subscription;
};

}  // namespace lopewell
