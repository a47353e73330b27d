#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/startup/ui/startup_view.h"
#include "core/concurrency/executor.h"

using namespace lopewell;

namespace {

StartupItem item(std::string label, StartupLayer layer, RunState state)
{
    StartupItem result;
    result.id = startupItemId(layer, label);
    result.label = std::move(label);
    result.layer = layer;
    result.runState = state;
    result.plistPath = "/Users/a/Library/LaunchAgents/" + result.label + ".plist";
    return result;
}

class FixedSources final : public StartupSources {
public:
    std::vector<StartupItem> scan(bool) const override
    {
        return { item("com.a", StartupLayer::userAgent, RunState::running(5)),
            item("com.d", StartupLayer::libraryDaemon, RunState::loaded()) };
    }
    ErrorOr<void> disable(const StartupItem&) const override { return Error { 0, "launchctl bootout failed (status 3)" }; }
    ErrorOr<void> enable(const StartupItem&) const override { return {}; }
    std::vector<StartupLayer> layers(bool system) const override
    {
        std::vector<StartupLayer> result { StartupLayer::userAgent, StartupLayer::libraryAgent, StartupLayer::libraryDaemon };
        if (system)
            result.push_back(StartupLayer::appleSystem);
        return result;
    }
    const StartupTexts& texts() const override { return m_texts; }
    std::optional<StartupSettingsLink> settingsLink() const override { return StartupSettingsLink { "x-apple.systempreferences:x", {} }; }

private:
    StartupTexts m_texts {
        .systemItemsToggle = "Show Apple system items", .revealTitle = "Reveal in Finder", .openSettingsTitle = "Open in System Settings…"
    };
};

QStringList titles(QMenu& menu)
{
    QStringList result;
    for (QAction* action : menu.actions())
        result << action->text();
    return result;
}

QStringList labelTexts(QWidget* widget)
{
    QStringList result;
    for (QLabel* label : widget->findChildren<QLabel*>())
        result << label->text();
    return result;
}

class StartupViewTest : public ::testing::Test {
protected:
    StartupViewTest()
    {
        view.resize(700, 600);
        view.show();
        settle();
    }

    void settle()
    {
        ASSERT_TRUE(executor.runUntil([&] { return !model.isScanning() && !model.isChanging(); }));
        QApplication::processEvents();
    }

    ManualExecutor executor;
    StartupViewModel model { { executor, std::make_shared<FixedSources>() } };
    std::vector<std::string> revealed, copied;
    StartupView view { model,
        { [this](const std::string& path) { revealed.push_back(path); }, [](const StartupSettingsLink&) {},
            [this](const std::string& text) { copied.push_back(text); } } };
};

TEST_F(StartupViewTest, ShowingTheScreenScansAndDrawsEachSection)
{
    EXPECT_EQ(model.items().size(), 2u);
    const QStringList labels = labelTexts(view.sections());
    for (const char* expected :
        { "Login Items & Agents (You)", "System Agents", "Nothing here.", "System Daemons", "com.a", "Running · 5", "Loaded" })
        EXPECT_TRUE(labels.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(labels.contains(QStringLiteral("Apple System")));
    EXPECT_TRUE(view.refreshButton()->isVisibleTo(&view));
    EXPECT_FALSE(view.busyIndicator()->isVisibleTo(&view));

    view.systemItemsToggle()->setChecked(true);
    EXPECT_TRUE(model.showSystemItems());
    EXPECT_TRUE(view.busyIndicator()->isVisibleTo(&view)) << "scanning";
    EXPECT_FALSE(view.refreshButton()->isVisibleTo(&view));
    settle();
    EXPECT_TRUE(labelTexts(view.sections()).contains(QStringLiteral("Apple System")));
}

TEST_F(StartupViewTest, MenusOfferTheRowsActionsAndCarryThemOut)
{
    auto system = view.actionMenu(model.items(StartupLayer::libraryDaemon).front());
    EXPECT_EQ(titles(*system),
        (QStringList { QStringLiteral("Reveal in Finder"), QStringLiteral("Open in System Settings…"), QStringLiteral("Copy Path") }));
    system->actions().at(0)->trigger();
    system->actions().at(2)->trigger();
    EXPECT_EQ(revealed, std::vector<std::string> { "/Users/a/Library/LaunchAgents/com.d.plist" });
    EXPECT_EQ(copied, std::vector<std::string> { "/Users/a/Library/LaunchAgents/com.d.plist" });

    auto own = view.actionMenu(model.items(StartupLayer::userAgent).front());
    ASSERT_EQ(titles(*own).front(), QStringLiteral("Disable"));
    own->actions().front()->trigger();
    settle();
    QMessageBox* alert = view.errorAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->windowTitle(), QStringLiteral("Couldn't change that item"));
    EXPECT_EQ(alert->text(), QStringLiteral("launchctl bootout failed (status 3)"));
    alert->buttons().front()->click();
    QApplication::processEvents();
    EXPECT_EQ(model.operationError(), std::nullopt);
}

}  // namespace
