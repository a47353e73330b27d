#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <gtest/gtest.h>

#include "app/processes/ui/processes_view.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"

using namespace lopewell;
using namespace std::chrono_literals;

namespace {

ProcessSampler::ProcessReading reading(int32_t pid, std::string name, uint32_t uid, uint64_t cpuNanoseconds = 0)
{
    ProcessSampler::ProcessReading r;
    r.pid = pid;
    r.parentPID = 1;
    r.uid = uid;
    r.name = std::move(name);
    r.path = "/usr/bin/" + r.name;
    r.cpuTimeNanoseconds = cpuNanoseconds;
    r.residentBytes = 1 << 20;
    r.threadCount = 2;
    return r;
}

QPushButton* buttonTitled(QMessageBox* box, const QString& title)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title)
            return qobject_cast<QPushButton*>(button);
    }
    return nullptr;
}

class ProcessesViewTest : public ::testing::Test {
protected:
    ProcessesViewTest()
    {
        view.resize(800, 500);
        view.show();
        model.start();
        settle();
    }

    ~ProcessesViewTest() override { model.stop(); }

    ProcessSampler::Source source()
    {
        ProcessSampler::Source s;
        s.uptimeSeconds = [this] { return 100.0 + 2.0 * reads.load(); };
        s.readProcesses = [this] {
            const uint64_t pass = uint64_t(++reads);
            // bash burns the most CPU, so the default sort puts it first from the second pass.
            auto rows = std::vector { reading(1, "systemd", 0, pass * 1'000'000), reading(50, "bash", 1000, pass * 900'000'000),
                reading(150, "Xorg", 0, pass * 300'000'000), reading(5012, "firefox", 1000, pass * 600'000'000) };
            if (markupProcess)
                rows.push_back(reading(666, "<b>x</b><img src=y>", 1000));
            return rows;
        };
        // Ticks that make the kernel row appear from the second pass on.
        s.readHostTicks = [this] {
            const uint32_t pass = uint32_t(reads.load());
            return std::optional<std::vector<CPUTicks>>({ CPUTicks { pass * 90, 0, pass * 10, 0 } });
        };
        s.activeProcessorCount = [] { return 2; };
        s.lookupUserName = [](uint32_t uid) { return std::optional<std::string>(uid == 0 ? "root" : "alice"); };
        s.ownPid = 99999;
        return s;
    }

    void settle()
    {
        clock.waitForSleepers(1);
        executor.runUntilIdle();
    }

    std::vector<int32_t> tablePids() const
    {
        std::vector<int32_t> pids;
        for (int row = 0; row < view.tableModel()->rowCount(); ++row)
            pids.push_back(view.tableModel()->pidAt(row));
        return pids;
    }

    ManualExecutor executor;
    FakeClock clock;
    std::atomic<int> reads = 0;
    std::atomic<bool> markupProcess = false;
    std::vector<std::pair<ProcessSignal, int32_t>> sent;
    std::optional<Error> refusal;
    ProcessesViewModel model { ProcessesViewModel::Environment {
        executor, clock, source(), [this](ProcessSignal signal, int32_t pid) -> ErrorOr<void> {
            sent.emplace_back(signal, pid);
            if (refusal)
                return *refusal;
            return {};
        } } };
    ProcessesView view { model };
};

TEST_F(ProcessesViewTest, TypingInTheFilterNarrowsTheTableAndTheCount)
{
    EXPECT_EQ(view.filterField()->placeholderText(), QStringLiteral("Filter by name, PID, or user"));
    EXPECT_EQ(view.tableModel()->rowCount(), 4);
    EXPECT_EQ(view.rowCountLabel()->text(), QStringLiteral("4 of 4 processes"));

    QTest::keyClicks(view.filterField(), QStringLiteral(" ALICE"));
    EXPECT_EQ(model.searchText(), " ALICE");
    EXPECT_EQ(tablePids(), (std::vector<int32_t> { 50, 5012 }));
    EXPECT_EQ(view.rowCountLabel()->text(), QStringLiteral("2 of 4 processes"));

    view.filterField()->clear();
    Q_EMIT view.filterField()->textEdited(QString());
    EXPECT_EQ(view.tableModel()->rowCount(), 4);
}

TEST_F(ProcessesViewTest, HeaderClicksSortThroughTheViewModel)
{
    QHeaderView* header = view.table()->horizontalHeader();
    auto clickColumn = [&](int column) {
        const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    };
    EXPECT_EQ(header->sortIndicatorSection(), 3);  // CPU %, as the model starts
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    clickColumn(0);
    EXPECT_EQ(model.sortOrder(), (ProcessSortOrder { ProcessSortKey::name, true }));
    EXPECT_EQ(tablePids(), (std::vector<int32_t> { 50, 5012, 1, 150 }));  // bash, firefox, systemd, Xorg

    clickColumn(0);
    EXPECT_EQ(model.sortOrder(), (ProcessSortOrder { ProcessSortKey::name, false }));
    EXPECT_EQ(tablePids().front(), 150);

    clickColumn(4);  // Memory starts biggest first
    EXPECT_EQ(model.sortOrder(), (ProcessSortOrder { ProcessSortKey::memory, false }));
}

TEST_F(ProcessesViewTest, MenuItemsAreDisabledForTheKernelRowAndActOnTheLowestPid)
{
    clock.advance(2s);
    settle();
    ASSERT_NE(view.tableModel()->rowOf(0), -1) << "the kernel row arrives with the second sample";

    for (const std::set<int32_t>& pids : { std::set<int32_t> { 0 }, std::set<int32_t> { 0, 50 }, std::set<int32_t> {} }) {
        auto menu = view.contextMenu(pids);
        ASSERT_EQ(menu->actions().size(), 2);
        EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Quit…"));
        EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("Force Quit…"));
        for (QAction* action : menu->actions())
            EXPECT_FALSE(action->isEnabled());
    }

    auto menu = view.contextMenu({ 5012, 150 });
    EXPECT_TRUE(menu->actions()[1]->isEnabled());
    menu->actions()[1]->trigger();
    ASSERT_TRUE(view.confirmationAlert());
    EXPECT_EQ(view.confirmationAlert()->text(), QStringLiteral("Force quit Xorg?"));
}

TEST_F(ProcessesViewTest, TheMenuActsOnTheSelectionWhenOpenedOnOneOfItsRows)
{
    view.table()->selectRow(view.tableModel()->rowOf(50));
    view.table()->selectionModel()->select(
        view.tableModel()->index(view.tableModel()->rowOf(150), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(view.menuPids(view.tableModel()->rowOf(150)), (std::set<int32_t> { 50, 150 }));
    EXPECT_EQ(view.menuPids(view.tableModel()->rowOf(1)), (std::set<int32_t> { 1 }));
}

TEST_F(ProcessesViewTest, ConfirmingSendsTheSignalAndARefusalShowsTheAlertUntilDismissed)
{
    view.contextMenu({ 50 })->actions()[0]->trigger();
    QMessageBox* confirmation = view.confirmationAlert();
    ASSERT_TRUE(confirmation);
    EXPECT_EQ(confirmation->text(), QStringLiteral("Quit bash?"));
    EXPECT_EQ(confirmation->informativeText(),
        QStringLiteral("Sends SIGTERM to PID 50. The process gets a chance to save state and exit cleanly."));

    // Cancel sends nothing.
    buttonTitled(confirmation, QStringLiteral("Cancel"))->click();
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(model.pendingConfirmation());

    refusal = Error { ESRCH, "PID 50 is no longer running." };
    view.contextMenu({ 50 })->actions()[0]->trigger();
    ASSERT_TRUE(view.confirmationAlert());
    buttonTitled(view.confirmationAlert(), QStringLiteral("Quit"))->click();
    EXPECT_EQ(sent, (std::vector<std::pair<ProcessSignal, int32_t>> { { ProcessSignal::quit, 50 } }));

    QMessageBox* alert = view.errorAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->text(), QStringLiteral("Couldn't send signal"));
    EXPECT_EQ(alert->informativeText(), QStringLiteral("PID 50 is no longer running."));
    alert->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(model.lastError());
    EXPECT_FALSE(view.errorAlert());
}

TEST_F(ProcessesViewTest, SelectionFollowsItsPidThroughRefreshesAndFillsTheDetailPane)
{
    EXPECT_EQ(view.selection(), std::set<int32_t> {});
    view.table()->selectRow(view.tableModel()->rowOf(5012));
    EXPECT_EQ(view.selection(), std::set<int32_t> { 5012 });
    EXPECT_EQ(view.detailTitle()->text(), QStringLiteral("firefox"));

    clock.advance(2s);  // CPU shares reorder the rows
    settle();
    const QModelIndexList selected = view.table()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(view.tableModel()->pidAt(selected.front().row()), 5012);
    EXPECT_NE(selected.front().row(), 3);
}

TEST_F(ProcessesViewTest, AProcessNamedLikeMarkupIsShownAsPlainText)
{
    markupProcess = true;
    clock.advance(2s);
    settle();
    const int row = view.tableModel()->rowOf(666);
    ASSERT_GE(row, 0);

    view.table()->selectRow(row);
    EXPECT_EQ(view.detailTitle()->text(), QStringLiteral("<b>x</b><img src=y>"));
    EXPECT_EQ(view.detailTitle()->textFormat(), Qt::PlainText);
    const QString toolTip = view.tableModel()->data(view.tableModel()->index(row, 0), Qt::ToolTipRole).toString();
    EXPECT_TRUE(toolTip.contains(QStringLiteral("&lt;b&gt;"))) << toolTip.toStdString();

    view.contextMenu({ 666 })->actions()[0]->trigger();
    ASSERT_TRUE(view.confirmationAlert());
    EXPECT_EQ(view.confirmationAlert()->textFormat(), Qt::PlainText);
}

}  // namespace
