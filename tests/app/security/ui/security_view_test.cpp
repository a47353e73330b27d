#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/common/ui/full_disk_access_banner.h"
#include "app/security/ui/security_view.h"
#include "core/concurrency/executor.h"
#include "tests/support/temp_tree.h"

using namespace lopewell;

namespace {

using Kind = ObservedArtifact::Kind;

class FixedSources final : public SecuritySources {
public:
    std::vector<ObservedArtifact> collect(const std::vector<ThreatSignature>&, std::stop_token) const override { return artifacts; }
    void unload(const std::vector<ObservedArtifact>&) const override {}
    std::string homePath() const override { return "/Users/a"; }

    std::vector<ObservedArtifact> artifacts {
        { Kind::app, "com.genieo.engine", "/Applications/Genieo.app", true },
        { Kind::launchDaemon, "com.keeper.daemon", "/Library/LaunchDaemons/com.keeper.daemon.plist", false },
        { Kind::profile, "com.keeper.profile", std::nullopt, false },
    };
};

ThreatSignature signature(std::string id, std::string family)
{
    ThreatSignature result;
    result.id = std::move(id);
    result.family = std::move(family);
    result.description = "About " + result.family;
    return result;
}

QStringList labelTexts(QWidget* widget)
{
    QStringList result;
    for (QLabel* label : widget->findChildren<QLabel*>())
        result << label->text();
    return result;
}

// The buttons of the result area with this title.
std::vector<QPushButton*> buttons(QWidget* widget, const QString& title)
{
    std::vector<QPushButton*> found;
    for (QPushButton* button : widget->findChildren<QPushButton*>()) {
        if (button->text() == title)
            found.push_back(button);
    }
    return found;
}

class SecurityViewTest : public ::testing::Test {
protected:
    SecurityViewTest()
    {
        ThreatSignature genieo = signature("genieo", "Genieo");
        genieo.bundleIDs = { "com.genieo.engine" };
        ThreatSignature keeper = signature("keeper", "MacKeeper");
        keeper.severity = ThreatSignature::Severity::pup;
        keeper.agentLabels = { "com.keeper.daemon" };
        keeper.profileIDs = { "com.keeper.profile" };
        lopewell::testing::writeFile(dir / "signatures.json", encodeThreatSignatures({ genieo, keeper }));
        model = std::make_unique<SecurityViewModel>(SecurityViewModel::Environment {
            .executor = executor,
            .sources = sources,
            .signatureFile = dir / "signatures.json",
            .words = platformWords(HostFlavour::macOS),
            .probeFullDiskAccess = [this] { return access; },
            .moveToTrash =
                [this](const std::vector<std::string>& paths) {
                    trashed.push_back(paths);
                    return TrashService::Outcome {
                        .movedPaths = {}, .movedCount = 0, .failedCount = 1, .error = "Operation not permitted"
                    };
                },
        });
        view = std::make_unique<SecurityView>(
            *model, SecurityView::DesktopActions { [this](const std::vector<std::string>& paths) { revealed.push_back(paths); }, [] {} });
        view->resize(700, 600);
        view->show();
        QApplication::processEvents();
    }

    void settle()
    {
        ASSERT_TRUE(executor.runUntil([&] { return !model->isScanning() && !model->isRemoving(); }));
        QApplication::processEvents();
    }

    lopewell::testing::TempDir dir;
    ManualExecutor executor;
    std::shared_ptr<FixedSources> sources = std::make_shared<FixedSources>();
    bool access = false;
    std::vector<std::vector<std::string>> trashed;
    std::vector<std::vector<std::string>> revealed;
    std::unique_ptr<SecurityViewModel> model;
    std::unique_ptr<SecurityView> view;
};

TEST_F(SecurityViewTest, ScanShowsProgressThenACardPerThreatWithOnlyTheButtonsThatApply)
{
    EXPECT_TRUE(view->accessBanner()->isVisibleTo(view.get()));
    access = true;
    view->accessBanner()->recheckButton()->click();
    EXPECT_FALSE(view->accessBanner()->isVisibleTo(view.get()));

    EXPECT_TRUE(labelTexts(view->results()).isEmpty()) << "nothing before the first scan";
    view->scanButton()->click();
    EXPECT_TRUE(view->progress()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->scanButton()->isVisibleTo(view.get()));
    settle();
    EXPECT_FALSE(view->progress()->isVisibleTo(view.get()));
    const QStringList labels = labelTexts(view->results());
    for (const char* expected : { "Genieo", "adware", "MacKeeper", "pup", "About MacKeeper", "launchDaemon", "profile", "manual" })
        EXPECT_TRUE(labels.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_EQ(labels.count(QStringLiteral("manual")), 2);
    // MacKeeper's traces are all the system's: only Genieo's card offers the Trash.
    EXPECT_EQ(buttons(view->results(), QStringLiteral("Move to Trash")).size(), 1u);
    const auto reveal = buttons(view->results(), QStringLiteral("Reveal in Finder"));
    ASSERT_EQ(reveal.size(), 2u);
    reveal[1]->click();
    EXPECT_EQ(revealed, (std::vector<std::vector<std::string>> { { "/Library/LaunchDaemons/com.keeper.daemon.plist" } }));

    sources->artifacts.clear();
    view->scanButton()->click();
    settle();
    EXPECT_TRUE(labelTexts(view->results()).contains(QStringLiteral("No known threats found — checked against 2 families.")));
}

TEST_F(SecurityViewTest, MoveToTrashAsksFirstAndAFailureShowsTheTrashAlert)
{
    view->scanButton()->click();
    settle();
    buttons(view->results(), QStringLiteral("Move to Trash")).front()->click();
    QMessageBox* box = view->confirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Remove Genieo?"));
    EXPECT_EQ(box->informativeText().toStdString(), std::string(model->confirmationMessage()));
    for (QAbstractButton* button : box->buttons()) {
        if (box->buttonRole(button) == QMessageBox::RejectRole)
            button->click();
    }
    QApplication::processEvents();
    EXPECT_EQ(model->pendingRemoval(), std::nullopt);
    EXPECT_TRUE(trashed.empty());

    buttons(view->results(), QStringLiteral("Move to Trash")).front()->click();
    box = view->confirmation();
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* button : box->buttons()) {
        if (box->buttonRole(button) == QMessageBox::DestructiveRole)
            button->click();
    }
    settle();
    EXPECT_EQ(trashed, (std::vector<std::vector<std::string>> { { "/Applications/Genieo.app" } }));
    QMessageBox* alert = view->failureAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), QStringLiteral("Couldn't move 1 item to Trash"));
    alert->buttons().front()->click();
    QApplication::processEvents();
    EXPECT_EQ(model->trashFailure(), std::nullopt);
}

}  // namespace
