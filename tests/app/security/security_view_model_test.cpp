#include "app/security/security_view_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

using Kind = ObservedArtifact::Kind;
using testing::writeFile;

ThreatSignature signature(std::string id, std::string family)
{
    ThreatSignature result;
    result.id = id;
    result.family = std::move(family);
    result.description = "About " + id;
    result.agentLabels = { id + ".agent" };
    result.pathGlobs = { "~/" + id };
    return result;
}

// What is on the machine, changed by the test and by the Trash; collect() may wait for a go.
class FakeSources final : public SecuritySources {
public:
    std::vector<ObservedArtifact> collect(const std::vector<ThreatSignature>&, std::stop_token stop) const override
    {
        std::unique_lock lock(m_mutex);
        ++m_collects;
        m_changed.wait(lock, stop, [&] { return !m_holding; });
        return m_artifacts;
    }
    void unload(const std::vector<ObservedArtifact>& artifacts) const override
    {
        std::lock_guard lock(m_mutex);
        for (const ObservedArtifact& artifact : artifacts)
            m_unloaded.push_back(artifact.identifier);
    }
    std::string homePath() const override { return "/home/a"; }

    void set(std::vector<ObservedArtifact> artifacts)
    {
        std::lock_guard lock(m_mutex);
        m_artifacts = std::move(artifacts);
    }
    void remove(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_artifacts, [&](const ObservedArtifact& artifact) { return artifact.path == path; });
    }
    void hold(bool on)
    {
        {
            std::lock_guard lock(m_mutex);
            m_holding = on;
        }
        m_changed.notify_all();
    }
    int collects() const
    {
        std::lock_guard lock(m_mutex);
        return m_collects;
    }
    std::vector<std::string> unloaded() const
    {
        std::lock_guard lock(m_mutex);
        return m_unloaded;
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable_any m_changed;
    std::vector<ObservedArtifact> m_artifacts;
    bool m_holding = false;
    mutable int m_collects = 0;
    mutable std::vector<std::string> m_unloaded;
};

class SecurityViewModelTest : public ::testing::Test {
protected:
    SecurityViewModelTest()
    {
        writeFile(signatureFile(), encodeThreatSignatures({ signature("genieo", "Genieo"), signature("keeper", "MacKeeper") }));
        m_sources->set({
            { Kind::launchAgent, "genieo.agent", "/home/a/Library/LaunchAgents/genieo.agent.plist", true },
            { Kind::launchDaemon, "keeper.agent", "/Library/LaunchDaemons/keeper.agent.plist", false },
            { Kind::file, "/home/a/genieo", "/home/a/genieo", true },
        });
    }

    std::filesystem::path signatureFile() const { return m_dir / "signatures.json"; }

    std::unique_ptr<SecurityViewModel> model(std::optional<std::filesystem::path> file, HostFlavour flavour = HostFlavour::macOS)
    {
        return std::make_unique<SecurityViewModel>(SecurityViewModel::Environment {
            .executor = m_executor,
            .sources = m_sources,
            .signatureFile = std::move(file),
            .words = platformWords(flavour),
            .probeFullDiskAccess = [this] { return m_access.load(); },
            .moveToTrash =
                [this](const std::vector<std::string>& paths) {
                    std::lock_guard lock(m_trashMutex);
                    m_trashCalls.push_back(paths);
                    TrashService::Outcome outcome;
                    for (const std::string& path : paths) {
                        if (path == m_locked) {
                            ++outcome.failedCount;
                            outcome.error = "Permission denied";
                            continue;
                        }
                        m_sources->remove(path);
                        outcome.movedPaths.insert(path);
                        ++outcome.movedCount;
                    }
                    return outcome;
                },
        });
    }

    void settle(SecurityViewModel& security)
    {
        ASSERT_TRUE(m_executor.runUntil([&] { return !security.isScanning() && !security.isRemoving(); }));
    }

    testing::TempDir m_dir;
    ManualExecutor m_executor;
    std::shared_ptr<FakeSources> m_sources = std::make_shared<FakeSources>();
    std::atomic<bool> m_access { true };
    std::mutex m_trashMutex;
    std::vector<std::vector<std::string>> m_trashCalls;
    std::string m_locked;
};

TEST_F(SecurityViewModelTest, GoesFromNeverScannedThroughScanningToTheThreatsOnlyWhenAsked)
{
    auto security = model(signatureFile());
    EXPECT_EQ(security->threats(), std::nullopt);
    EXPECT_FALSE(security->isScanning());
    EXPECT_EQ(security->signatureCount(), 2u);
    m_executor.runUntilIdle();
    EXPECT_EQ(m_sources->collects(), 0) << "nothing scans by itself";

    int changes = 0;
    auto subscription = security->observers().add([&] { ++changes; });
    security->scan();
    EXPECT_TRUE(security->isScanning());
    EXPECT_EQ(changes, 1);
    settle(*security);
    ASSERT_TRUE(security->threats());
    ASSERT_EQ(security->threats()->size(), 2u);
    EXPECT_EQ((*security->threats())[0].signature.id, "genieo");
    EXPECT_EQ((*security->threats())[0].artifacts.size(), 2u);
    EXPECT_TRUE(SecurityViewModel::canMoveToTrash((*security->threats())[0]));
    // Only a machine daemon: everything manual, nothing to move, still something to reveal.
    const DetectedThreat& keeper = (*security->threats())[1];
    EXPECT_FALSE(SecurityViewModel::canMoveToTrash(keeper));
    EXPECT_EQ(SecurityViewModel::revealPaths(keeper), std::vector<std::string> { "/Library/LaunchDaemons/keeper.agent.plist" });
    EXPECT_EQ(SecurityViewModel::confirmationTitle(keeper), "Remove MacKeeper?");
    EXPECT_EQ(changes, 2);

    m_sources->set({});
    security->scan();
    settle(*security);
    EXPECT_EQ(security->threats(), std::vector<DetectedThreat>());
    EXPECT_EQ(security->emptyText(), "No known threats found — checked against 2 families.");
}

TEST_F(SecurityViewModelTest, AMissingOrMalformedListScansWithNoSignaturesAndSaysZeroFamilies)
{
    writeFile(m_dir / "malformed.json", R"([{"id": "a", "family": "A", "severity": "nasty", "description": ""}])");
    writeFile(m_dir / "object.json", R"({"id": "a"})");
    for (const std::optional<std::filesystem::path>& file : { std::optional<std::filesystem::path>(), std::optional(m_dir / "missing.json"),
             std::optional(m_dir / "malformed.json"), std::optional(m_dir / "object.json"), std::optional(m_dir.path()) }) {
        auto security = model(file);
        EXPECT_EQ(security->signatureCount(), 0u);
        security->scan();
        settle(*security);
        EXPECT_EQ(security->threats(), std::vector<DetectedThreat>());
        EXPECT_EQ(security->emptyText(), "No known threats found — checked against 0 families.");
    }
}

TEST_F(SecurityViewModelTest, ANewScanSupersedesTheOneRunning)
{
    auto security = model(signatureFile());
    std::vector<size_t> delivered;
    auto subscription = security->observers().add([&] {
        if (security->threats())
            delivered.push_back(security->threats()->size());
    });
    m_sources->hold(true);
    security->scan();
    ASSERT_TRUE(m_executor.runUntil([&] { return m_sources->collects() == 1; }));
    security->scan();  // the first is stopped and its answer, with threats, dropped
    ASSERT_TRUE(m_executor.runUntil([&] { return m_sources->collects() == 2; }));
    m_sources->set({});
    m_sources->hold(false);
    settle(*security);
    m_executor.runUntilIdle();
    EXPECT_EQ(delivered, std::vector<size_t> { 0 });
}

TEST_F(SecurityViewModelTest, ConfirmedRemovalTrashesTheRemovableItemsAndScansAgain)
{
    auto security = model(signatureFile());
    security->scan();
    settle(*security);
    const DetectedThreat genieo = (*security->threats())[0];

    security->requestRemoval(genieo);
    EXPECT_EQ(security->pendingRemoval(), genieo);
    security->cancelRemoval();
    EXPECT_EQ(security->pendingRemoval(), std::nullopt);
    EXPECT_FALSE(security->isRemoving());

    security->requestRemoval(genieo);
    security->confirmRemoval();
    EXPECT_EQ(security->pendingRemoval(), std::nullopt);
    EXPECT_TRUE(security->isRemoving());
    settle(*security);
    EXPECT_EQ(
        m_trashCalls, (std::vector<std::vector<std::string>> { { "/home/a/Library/LaunchAgents/genieo.agent.plist", "/home/a/genieo" } }));
    EXPECT_EQ(m_sources->unloaded(), (std::vector<std::string> { "genieo.agent", "/home/a/genieo" }));
    EXPECT_EQ(security->trashFailure(), std::nullopt);
    EXPECT_EQ(m_sources->collects(), 2) << "the removal ends with a scan";
    ASSERT_EQ(security->threats()->size(), 1u);
    EXPECT_EQ((*security->threats())[0].signature.id, "keeper");
}

TEST_F(SecurityViewModelTest, APartialFailureRaisesTheTrashAlertInTheFlavoursWordsAndTheThreatStays)
{
    m_locked = "/home/a/genieo";
    auto security = model(signatureFile(), HostFlavour::linuxDesktop);
    EXPECT_EQ(security->confirmationMessage(),
        "Moves this family's removable items to the Trash (reversible). System-level items and browser policies must be removed by an "
        "administrator.");
    EXPECT_EQ(security->revealTitle(), "Show in Folder");
    security->scan();
    settle(*security);
    security->remove((*security->threats())[0]);
    settle(*security);
    const auto expected = TrashFailureAlert::make(1, std::string("Permission denied"), platformWords(HostFlavour::linuxDesktop));
    ASSERT_TRUE(expected);
    EXPECT_EQ(security->trashFailure(), expected);
    ASSERT_EQ(security->threats()->size(), 2u);
    EXPECT_EQ((*security->threats())[0].artifacts.size(), 1u);
    EXPECT_EQ((*security->threats())[0].artifacts[0].identifier, "/home/a/genieo");
    security->dismissTrashFailure();
    EXPECT_EQ(security->trashFailure(), std::nullopt);
}

TEST_F(SecurityViewModelTest, TheAccessProbeRunsAtConstructionAndOnRecheck)
{
    m_access = false;
    auto security = model(signatureFile());
    EXPECT_FALSE(security->fullDiskAccessGranted());
    EXPECT_EQ(security->confirmationMessage(),
        "Moves this family's removable items to the Trash (reversible). System-level items and profiles must be removed manually.");
    EXPECT_EQ(security->revealTitle(), "Reveal in Finder");
    m_access = true;
    security->recheckFullDiskAccess();
    EXPECT_TRUE(security->fullDiskAccessGranted());
}

TEST_F(SecurityViewModelTest, ClosingWhileAScanRunsStopsItWithoutDeliveringAnything)
{
    auto security = model(signatureFile());
    m_sources->hold(true);
    security->scan();
    ASSERT_TRUE(m_executor.runUntil([&] { return m_sources->collects() == 1; }));
    security.reset();  // stops the held collection and joins it
    EXPECT_EQ(m_executor.runUntilIdle(), 0u) << "a stopped scan delivers nothing";
}

}  // namespace
}  // namespace lopewell
