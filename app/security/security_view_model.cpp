#include "app/security/security_view_model.h"

#include <algorithm>

#include "app/security/signature_file.h"
#include "platform/full_disk_access.h"
#include "platform/thread_priority.h"

namespace lopewell {

namespace {

std::vector<ThreatSignature> loadedSignatures(const std::optional<std::filesystem::path>& file)
{
    if (!file)
        return {};
    ErrorOr<std::vector<ThreatSignature>> list = readSignatureFile(*file);
    return list ? std::move(list.value()) : std::vector<ThreatSignature>();
}

}  // namespace

SecurityViewModel::Environment SecurityViewModel::systemEnvironment(
    Executor& executor, const HostLayout& layout, std::optional<std::filesystem::path> signatureFile)
{
    return Environment {
        .executor = executor,
        .sources = makeSecuritySources(layout),
        .signatureFile = std::move(signatureFile),
        .words = platformWords(layout.flavour()),
        .probeFullDiskAccess = [layout] { return hasFullDiskAccess(layout); },
    };
}

SecurityViewModel::SecurityViewModel(Environment environment)
    : m_environment(std::move(environment))
    , m_scanner(loadedSignatures(m_environment.signatureFile), m_environment.sources)
    , m_remover(m_environment.sources, m_environment.moveToTrash)
    , m_fullDiskAccessGranted(m_environment.probeFullDiskAccess ? m_environment.probeFullDiskAccess() : true)
{
}

SecurityViewModel::~SecurityViewModel()
{
    // Both tasks call back into this object: end them before anything else goes.
    m_removal.cancel();
    m_scan.cancel();
}

void SecurityViewModel::scan()
{
    m_scan = BackgroundTask<std::vector<DetectedThreat>>(
        m_environment.executor,
        [scanner = m_scanner](std::stop_token stop) {
            lowerCurrentThreadPriority();
            return scanner.scan(stop);
        },
        [this](std::vector<DetectedThreat> threats) {
            m_threats = std::move(threats);
            changed();
        });
    changed();
}

void SecurityViewModel::remove(const DetectedThreat& threat)
{
    if (m_removal.isRunning())
        return;
    m_removal = BackgroundTask<TrashService::Outcome>(
        m_environment.executor, [remover = m_remover, threat](std::stop_token) { return remover.remove(threat); },
        [this](TrashService::Outcome outcome) {
            m_trashFailure = TrashFailureAlert::make(outcome.failedCount, outcome.error, m_environment.words);
            m_lastRemoval = std::move(outcome);
            // The scan starts before observers hear of the end, so none sees the removal done
            // and the list not yet scanned again.
            scan();
        });
    changed();
}

void SecurityViewModel::dismissTrashFailure()
{
    if (!m_trashFailure)
        return;
    m_trashFailure.reset();
    changed();
}

void SecurityViewModel::recheckFullDiskAccess()
{
    m_fullDiskAccessGranted = m_environment.probeFullDiskAccess ? m_environment.probeFullDiskAccess() : true;
    changed();
}

void SecurityViewModel::requestRemoval(const DetectedThreat& threat)
{
    m_pendingRemoval = threat;
    changed();
}

void SecurityViewModel::cancelRemoval()
{
    if (!m_pendingRemoval)
        return;
    m_pendingRemoval.reset();
    changed();
}

void SecurityViewModel::confirmRemoval()
{
    if (!m_pendingRemoval)
        return;
    const DetectedThreat threat = std::move(*m_pendingRemoval);
    m_pendingRemoval.reset();
    remove(threat);
}

std::string SecurityViewModel::emptyText() const
{
    return "No known threats found — checked against " + std::to_string(signatureCount()) + " families.";
}

std::string SecurityViewModel::confirmationTitle(const DetectedThreat& threat)
{
    return "Remove " + threat.signature.family + "?";
}

bool SecurityViewModel::canMoveToTrash(const DetectedThreat& threat)
{
    return std::any_of(threat.artifacts.begin(), threat.artifacts.end(),
        [](const ObservedArtifact& artifact) { return artifact.isUserControllable && artifact.path; });
}

std::vector<std::string> SecurityViewModel::revealPaths(const DetectedThreat& threat)
{
    std::vector<std::string> paths;
    for (const ObservedArtifact& artifact : threat.artifacts) {
        if (artifact.path && std::find(paths.begin(), paths.end(), *artifact.path) == paths.end())
            paths.push_back(*artifact.path);
    }
    return paths;
}

}  // namespace lopewell
