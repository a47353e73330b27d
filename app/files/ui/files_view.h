// The Files section: title and intro, the pane picker, and per pane its description, folder row,
// threshold picker and state row; "Review" opens the shared review sheet over the pane's results.
//
//   mainWindow.setSectionWidget(SidebarTab::files, new FilesView(files));
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "app/files/files_view_model.h"

class QButtonGroup;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;

namespace lopewell {

class CategoryInspectorSheet;

class FilesView final : public QWidget {
public:
    // `now` dates the relative times ("5 min. ago"); the system clock unless given.
    explicit FilesView(FilesViewModel& model, std::function<Date()> now = {}, QWidget* parent = nullptr);
    ~FilesView() override;

    void showPane(FilesSlot slot);
    FilesSlot currentPane() const { return m_current; }
    // Opens the review sheet over the pane's results; nothing when there are none.
    void review(FilesSlot slot);
    CategoryInspectorSheet* sheet() const;
    QPushButton* stateButton(FilesSlot slot, std::string_view title) const;
    QLabel* headline(FilesSlot slot) const { return m_panes[std::size_t(slot)].headline; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct PaneWidgets {
        QLabel* description = nullptr;
        QLabel* folder = nullptr;
        QComboBox* picker = nullptr;
        QLabel* warning = nullptr;
        QLabel* headline = nullptr;
        QLabel* detail = nullptr;
        QHBoxLayout* buttons = nullptr;
        std::vector<QPushButton*> buttonWidgets;
        FilesStateRow shown;
        bool rendered = false;
    };

    QWidget* makePane(FilesSlot slot);
    void render();
    void renderPane(FilesSlot slot);
    void perform(FilesSlot slot, const std::string& button);

    FilesViewModel& m_model;
    std::function<Date()> m_now;
    FilesSlot m_current = FilesSlot::largeFiles;
    QButtonGroup* m_segments;
    QStackedWidget* m_stack;
    std::array<PaneWidgets, 3> m_panes;
    std::unique_ptr<CategoryInspectorModel> m_inspector;
    QPointer<CategoryInspectorSheet> m_sheet;
    QTimer* m_clock;
    ChangeObservers::Subscription m_subscription;
};

}  // namespace lopewell
