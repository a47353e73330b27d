#include "app/screenshots/ui/security_screenshots.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <fstream>

#include "app/security/security_view_model.h"
#include "app/security/ui/security_view.h"
#include "app/shell/ui/main_window.h"
#include "app/shell/ui/qt_executor.h"
#include "core/concurrency/executor.h"

namespace lopewell {

namespace {

using Kind = ObservedArtifact::Kind;

ThreatSignature signature(std::string id, std::string family, ThreatSignature::Severity severity, std::string description)
{
    ThreatSignature result;
    result.id = std::move(id);
    result.family = std::move(family);
    result.severity = severity;
    result.description = std::move(description);
    return result;
}

// Two families found of three known, on each flavour.
struct SecurityPicture {
    std::vector<ThreatSignature> signatures;
    std::vector<ObservedArtifact> artifacts;
};

SecurityPicture macOSPicture()
{
    SecurityPicture picture;
    ThreatSignature genieo = signature("genieo", "Genieo", ThreatSignature::Severity::adware,
        "Changes the browser's home page and search engine and injects advertising into web pages. Usually arrives bundled with "
        "fake Flash Player installers.");
    genieo.bundleIDs = { "com.genieo.engine" };
    genieo.agentLabels = { "com.genieo.completer.download", "com.genieo.completer.update" };
    genieo.profileIDs = { "com.genieo.profile.search" };
    ThreatSignature keeper = signature("mackeeper", "MacKeeper", ThreatSignature::Severity::pup,
        "A \u201Ccleaner\u201D that reports exaggerated problems to sell a subscription, and keeps a helper running in the background.");
    keeper.bundleIDs = { "com.mackeeper.MacKeeper" };
    keeper.pathGlobs = { "~/Library/Application Support/MacKeeper Helper" };
    ThreatSignature absent = signature("pirrit", "Pirrit", ThreatSignature::Severity::malware, "Proxies web traffic to inject ads.");
    absent.bundleIDs = { "com.pirrit.agent" };
    picture.signatures = { genieo, keeper, absent };
    const std::string home = "/Users/alice";
    picture.artifacts = {
        { Kind::app, "com.genieo.engine", "/Applications/Genieo.app", true },
        { Kind::app, "com.mackeeper.MacKeeper", "/Applications/MacKeeper.app", true },
        { Kind::launchAgent, "com.genieo.completer.update", home + "/Library/LaunchAgents/com.genieo.completer.update.plist", true },
        { Kind::launchDaemon, "com.genieo.completer.download", "/Library/LaunchDaemons/com.genieo.completer.download.plist", false },
        { Kind::profile, "com.genieo.profile.search", std::nullopt, false },
        { Kind::file, home + "/Library/Application Support/MacKeeper Helper", home + "/Library/Application Support/MacKeeper Helper",
            true },
    };
    return picture;
}

SecurityPicture linuxPicture()
{
    SecurityPicture picture;
    ThreatSignature miner = signature("xmrig-unsanctioned", "XMRig-based miners", ThreatSignature::Severity::malware,
        "Mines cryptocurrency with this computer's processor, started at login by a service or an autostart entry.");
    miner.agentLabels = { "moneroocean_miner.service", "xmrig.service", "xmrig" };
    miner.pathGlobs = { "~/moneroocean/xmrig", "/etc/systemd/system/xmrig.service" };
    ThreatSignature hijack = signature("search-hijack", "Search hijacker policies", ThreatSignature::Severity::adware,
        "Forces a browser extension and replaces the home page and search engine through the browser's managed policies.");
    hijack.profileIDs = { "chrome:ExtensionInstallForcelist:aaaabbbbccccddddeeeeffffgggghhhh", "chrome:HomepageLocation:search.example" };
    ThreatSignature absent
        = signature("kinsing", "Kinsing", ThreatSignature::Severity::malware, "A miner that spreads through exposed services.");
    absent.pathGlobs = { "/tmp/kinsing" };
    picture.signatures = { miner, hijack, absent };
    const std::string home = "/home/alice";
    const std::string policy = "/etc/opt/chrome/policies/managed/search.json";
    picture.artifacts = {
        { Kind::launchAgent, "xmrig", home + "/.config/autostart/xmrig.desktop", true },
        { Kind::launchAgent, "moneroocean_miner.service", home + "/.config/systemd/user/moneroocean_miner.service", true },
        { Kind::launchDaemon, "xmrig.service", "/etc/systemd/system/xmrig.service", false },
        { Kind::profile, "chrome:ExtensionInstallForcelist:aaaabbbbccccddddeeeeffffgggghhhh", policy, false },
        { Kind::profile, "chrome:HomepageLocation:search.example", policy, false },
        { Kind::file, home + "/moneroocean/xmrig", home + "/moneroocean/xmrig", true },
    };
    return picture;
}

class FixtureSources final : public SecuritySources {
public:
    FixtureSources(std::vector<ObservedArtifact> artifacts, std::string home) : m_artifacts(std::move(artifacts)), m_home(std::move(home))
    {
    }

    std::vector<ObservedArtifact> collect(const std::vector<ThreatSignature>&, std::stop_token) const override { return m_artifacts; }
    void unload(const std::vector<ObservedArtifact>&) const override {}
    std::string homePath() const override { return m_home; }

private:
    std::vector<ObservedArtifact> m_artifacts;
    std::string m_home;
};

class SecurityFixture {
public:
    SecurityFixture(HostFlavour flavour, bool empty = false, bool accessGranted = true)
    {
        SecurityPicture picture = flavour == HostFlavour::macOS ? macOSPicture() : linuxPicture();
        const std::string list = m_dir.filePath(QStringLiteral("signatures.json")).toStdString();
        std::ofstream(list) << encodeThreatSignatures(picture.signatures);
        if (empty)
            picture.artifacts.clear();
        auto sources = std::make_shared<FixtureSources>(
            std::move(picture.artifacts), flavour == HostFlavour::macOS ? "/Users/alice" : "/home/alice");
        m_model = std::make_unique<SecurityViewModel>(SecurityViewModel::Environment {
            .executor = m_executor,
            .sources = sources,
            .signatureFile = list,
            .words = platformWords(flavour),
            .probeFullDiskAccess = [accessGranted] { return accessGranted; },
            .moveToTrash =
                [](const std::vector<std::string>& paths) {
                    // One item refuses, as a locked file would.
                    TrashService::Outcome outcome;
                    outcome.failedCount = paths.empty() ? 0 : 1;
                    outcome.error = "The operation couldn’t be completed. Permission denied";
                    return outcome;
                },
        });
    }

    SecurityViewModel& model() { return *m_model; }
    void scan()
    {
        m_model->scan();
        settle();
    }
    void settle()
    {
        m_executor.runUntil([this] { return !m_model->isScanning() && !m_model->isRemoving(); });
    }

private:
    QTemporaryDir m_dir;
    ManualExecutor m_executor;
    std::unique_ptr<SecurityViewModel> m_model;
};

SecurityView::DesktopActions inertActions()
{
    return { [](const std::vector<std::string>&) {}, [] {} };
}

QImage section(SecurityFixture& fixture, int height)
{
    SecurityView view(fixture.model(), inertActions());
    view.resize(820, height);
    view.show();
    fixture.scan();
    for (int pass = 0; pass < 3; ++pass)
        QApplication::processEvents();
    return view.grab().toImage();
}

QImage mainWindowSecurity()
{
    SecurityFixture fixture(HostFlavour::macOS);
    QtExecutor executor;
    NavigationModel navigation(executor);
    navigation.select(SidebarTab::security);
    MainWindow window(navigation);
    window.setSectionWidget(SidebarTab::security, new SecurityView(fixture.model(), inertActions()));
    window.show();
    fixture.scan();
    for (int pass = 0; pass < 3; ++pass)
        QApplication::processEvents();
    return window.grab().toImage();
}

struct DialogShots {
    QImage confirmation;
    QImage failure;
};

DialogShots dialogs()
{
    SecurityFixture fixture(HostFlavour::macOS);
    SecurityView view(fixture.model(), inertActions());
    view.show();
    fixture.scan();
    DialogShots shots;
    fixture.model().requestRemoval(fixture.model().threats()->front());
    QApplication::processEvents();
    if (QMessageBox* box = view.confirmation()) {
        shots.confirmation = box->grab().toImage();
        for (QAbstractButton* button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::DestructiveRole)
                button->click();
        }
    }
    fixture.settle();
    QApplication::processEvents();
    if (QMessageBox* alert = view.failureAlert())
        shots.failure = alert->grab().toImage();
    return shots;
}

}  // namespace

std::vector<NamedScreenshot> securityScreenshots()
{
    std::vector<NamedScreenshot> shots;
    {
        SecurityFixture fixture(HostFlavour::macOS, false, false);
        shots.push_back({ "security.png", section(fixture, 820) });
    }
    {
        SecurityFixture fixture(HostFlavour::linuxDesktop);
        shots.push_back({ "security-linux.png", section(fixture, 720) });
    }
    {
        SecurityFixture fixture(HostFlavour::macOS, true);
        shots.push_back({ "security-empty.png", section(fixture, 420) });
    }
    {
        SecurityFixture fixture(HostFlavour::macOS);
        SecurityView view(fixture.model(), inertActions());
        view.resize(820, 300);
        view.show();
        QApplication::processEvents();
        shots.push_back({ "security-never-scanned.png", view.grab().toImage() });
        // Delivery waits for the executor, so the picture shows the scan running.
        fixture.model().scan();
        QApplication::processEvents();
        shots.push_back({ "security-scanning.png", view.grab().toImage() });
        fixture.settle();
    }
    shots.push_back({ "main-window-security.png", mainWindowSecurity() });
    DialogShots dialog = dialogs();
    shots.push_back({ "security-confirm.png", std::move(dialog.confirmation) });
    shots.push_back({ "security-trash-failure.png", std::move(dialog.failure) });
    return shots;
}

}  // namespace lopewell
