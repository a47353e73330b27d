#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/common/ui/widgets.h"
#include "app/shell/ui/popover_widget.h"
#include "app/shell/ui/tray_icon.h"
#include "app/shell/ui/tray_icon_renderer.h"
#include "tests/app/shell/shell_fakes.h"

using namespace lopewell;
using namespace lopewell::fakes;
using namespace std::chrono_literals;

namespace {

// The tray over a controller on fakes. Offscreen there is no tray host: the icon is an object
// whose icon and tool tip can be read, and the tray's clicks are its activated signal.
class TrayIconTest : public ::testing::Test, protected ControllerOnFakes {
protected:
    void activate(QSystemTrayIcon::ActivationReason reason) { Q_EMIT tray.systemTrayIcon().activated(reason); }
    bool popoverShown() const { return tray.popover().isVisible(); }
    bool popoverShowsText(const std::string& text) const
    {
        for (QLabel* label : tray.popover().findChildren<QLabel*>()) {
            if (label->text() == toQString(text))
                return true;
        }
        return false;
    }
    QPushButton* popoverButton(std::string_view title) const
    {
        for (QPushButton* button : tray.popover().findChildren<QPushButton*>()) {
            if (button->text() == toQString(title))
                return button;
        }
        return nullptr;
    }
    QImage iconImage() { return tray.systemTrayIcon().icon().pixmap(QSize(32, 32)).toImage(); }

    TrayIcon tray { controller };
};

// The titles of a menu's entries, submenus as "title ▸ (…)", separators as "-".
std::vector<std::string> titles(const QMenu& menu)
{
    std::vector<std::string> result;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            result.push_back("-");
        else if (action->menu())
            result.push_back(action->text().toStdString() + " ▸ (" + std::to_string(action->menu()->actions().size()) + ")");
        else
            result.push_back(action->text().toStdString());
    }
    return result;
}
std::vector<std::string> titles(const std::vector<MenuItem>& items)
{
    std::vector<std::string> result;
    for (const MenuItem& item : items) {
        if (item.kind == MenuItem::Kind::separator)
            result.push_back("-");
        else if (item.kind == MenuItem::Kind::submenu)
            result.push_back(item.title + " ▸ (" + std::to_string(item.submenu.size()) + ")");
        else
            result.push_back(item.title);
    }
    return result;
}

QAction* actionTitled(const QMenu& menu, const QString& title)
{
    for (QAction* action : menu.actions()) {
        if (action->text() == title)
            return action;
        if (action->menu()) {
            if (QAction* inner = actionTitled(*action->menu(), title))
                return inner;
        }
    }
    return nullptr;
}

TEST_F(TrayIconTest, ALeftClickTogglesThePopoverOtherClicksLeaveIt)
{
    struct Click {
        QSystemTrayIcon::ActivationReason reason;
        bool shownAfter;
    };
    const Click clicks[] = {
        { QSystemTrayIcon::Trigger, true },
        { QSystemTrayIcon::Context, true },  // the tray opens the menu itself
        { QSystemTrayIcon::DoubleClick, true },
        { QSystemTrayIcon::MiddleClick, true },
        { QSystemTrayIcon::Trigger, false },
        { QSystemTrayIcon::Context, false },
        { QSystemTrayIcon::Unknown, false },
        { QSystemTrayIcon::Trigger, true },
    };
    int index = 0;
    for (const Click& click : clicks) {
        activate(click.reason);
        EXPECT_EQ(popoverShown(), click.shownAfter) << "click " << index;
        ++index;
    }
}

TEST_F(TrayIconTest, ThePopoverShowsTheControllersFiguresAndFollowsThemWhileOpen)
{
    machine.load = 0.6;  // not the memory row's 25%, so each figure is found by its text
    controller.start();
    settle();
    step(1s);
    activate(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(popoverShown());
    const PopoverContent first = controller.popover();
    ASSERT_TRUE(first.memory);
    ASSERT_NE(first.cpuPercentText, first.memory->percentText);
    EXPECT_TRUE(popoverShowsText(first.cpuPercentText));
    EXPECT_TRUE(popoverShowsText(first.memory->caption));

    machine.load = 0.8;
    step(1s);
    const PopoverContent second = controller.popover();
    ASSERT_NE(second.cpuPercentText, first.cpuPercentText);
    EXPECT_TRUE(popoverShowsText(second.cpuPercentText));
    EXPECT_FALSE(popoverShowsText(first.cpuPercentText));
}

TEST_F(TrayIconTest, ThePopoverButtonsReachTheController)
{
    activate(QSystemTrayIcon::Trigger);
    ASSERT_NE(popoverButton(PopoverContent::openButtonTitle), nullptr);
    popoverButton(PopoverContent::openButtonTitle)->click();
    EXPECT_FALSE(popoverShown());  // out of the way of the window it opens
    ASSERT_FALSE(platform.calls.empty());
    EXPECT_EQ(platform.calls.front(), "activate");

    platform.calls.clear();
    activate(QSystemTrayIcon::Trigger);
    ASSERT_NE(popoverButton(PopoverContent::quitButtonTitle), nullptr);
    popoverButton(PopoverContent::quitButtonTitle)->click();
    EXPECT_EQ(platform.calls, std::vector<std::string> { "terminate" });
}

TEST_F(TrayIconTest, TheMenuHoldsTheControllersEntriesAndItsActionsReachTheController)
{
    EXPECT_EQ(titles(tray.menu()), titles(controller.menu()));
    struct Entry {
        std::string title;
        std::vector<std::string> calls;
    };
    const Entry entries[] = {
        { "Open Lopewell", { "activate" } },
        { "Buy me a coffee", { "open https://coffee.example/lopewell" } },
        { "GitHub Sponsors", { "open https://sponsors.example/lopewell" } },
        { "One-time tip", {} },  // "not a url" is never opened
        { "Quit Lopewell", { "terminate" } },
    };
    for (const Entry& entry : entries) {
        QAction* action = actionTitled(tray.menu(), toQString(entry.title));
        ASSERT_NE(action, nullptr) << entry.title;
        platform.calls.clear();
        action->trigger();
        EXPECT_EQ(platform.calls, entry.calls) << entry.title;
    }
    EXPECT_EQ(actionTitled(tray.menu(), QStringLiteral("Quit Lopewell"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

    // Built again, not added to, each time it is about to open.
    tray.menu().clear();
    Q_EMIT tray.menu().aboutToShow();
    EXPECT_EQ(titles(tray.menu()), titles(controller.menu()));
    Q_EMIT tray.menu().aboutToShow();
    EXPECT_EQ(titles(tray.menu()), titles(controller.menu()));
}

TEST_F(TrayIconTest, TheIconAndToolTipFollowTheReadout)
{
    const QImage waiting = iconImage();
    EXPECT_FALSE(waiting.isNull());
    EXPECT_NE(tray.systemTrayIcon().toolTip(), trayToolTip(0.0));

    controller.start();
    settle();
    step(1s);
    ASSERT_TRUE(controller.readout());
    EXPECT_EQ(tray.systemTrayIcon().toolTip(), trayToolTip(controller.cpuOverall()));
    const QImage low = iconImage();
    EXPECT_NE(low, waiting);

    machine.load = 0.8;
    step(1s);
    EXPECT_EQ(tray.systemTrayIcon().toolTip(), trayToolTip(controller.cpuOverall()));
    EXPECT_EQ(tray.systemTrayIcon().toolTip(), trayToolTip(0.8));
    EXPECT_NE(iconImage(), low);
}

}  // namespace
