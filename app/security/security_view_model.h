// The Security screen's state: the signature list loaded once, scans on request (never by
// themselves), the threats of the last scan, and moving one threat's removable items to the
// Trash after the user confirmed, with a scan again afterwards so the list shows what is left.
//
//   SecurityViewModel security(SecurityViewModel::systemEnvironment(executor, layout, appResourcePath(name)));
//   auto subscription = security.observers().add([&] { render(security); });
//   security.scan();
//   security.requestRemoval(security.threats()->front());   // the card's "Move to Trash"
//   security.confirmRemoval();                              // the confirmation's "Move to Trash"
//
// THREAD-SAFETY: none; lives on the main executor. Scans and removals run on threads of their
// own and report back through it.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/security/security_scanner.h"
#include "app/security/threat_remover.h"
#include "core/base/platform_words.h"
#include "core/concurrency/background_task.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/executor.h"
#include "core/trash/trash_failure_alert.h"
#include "platform/host_layout.h"

namespace lopewell {

inline constexpr std::string_view securityTitle = "Security";
inline constexpr std::string_view securitySubtitle = "Checks for known adware and unwanted software by signature. This is not "
                                                     "real-time antivirus — it finds known families, not new or unknown malware.";
inline constexpr std::string_view securityScanButton = "Scan";
inline constexpr std::string_view securityScanningText = "Scanning…";
inline constexpr std::string_view securityManualTag = "manual";
inline constexpr std::string_view securityMoveToTrashButton = "Move to Trash";
inline constexpr std::string_view securityCancelButton = "Cancel";
inline constexpr std::string_view securityEmptySymbol = "checkmark.shield";
inline constexpr std::string_view securityThreatSymbol = "exclamationmark.shield";

class SecurityViewModel {
public:
    struct Environment {
        Executor& executor;
        std::shared_ptr<const SecuritySources> sources;
        // The signature list; absent, unreadable or malformed, the scan runs with none.
        std::optional<std::filesystem::path> signatureFile;
        const PlatformWords& words;
        std::function<bool()> probeFullDiskAccess {};  // absent: granted
        ThreatRemover::TrashFunction moveToTrash = TrashService::moveToTrash;
    };

    // The layout's sources and words, the real access probe and the desktop's Trash.
    static Environment systemEnvironment(Executor& executor, const HostLayout& layout, std::optional<std::filesystem::path> signatureFile);

    explicit SecurityViewModel(Environment environment);
    ~SecurityViewModel();
    SecurityViewModel(const SecurityViewModel&) = delete;
    SecurityViewModel& operator=(const SecurityViewModel&) = delete;

    // Published; observers hear of every change.
    // None until the first scan finishes; then the last result, possibly empty.
    const std::optional<std::vector<DetectedThreat>>& threats() const { return m_threats; }
    bool isScanning() const { return m_scan.isRunning(); }
    bool isRemoving() const { return m_removal.isRunning(); }
    bool fullDiskAccessGranted() const { return m_fullDiskAccessGranted; }
    const std::optional<TrashFailureAlert>& trashFailure() const { return m_trashFailure; }
    // The threat whose removal awaits the user's confirmation.
    const std::optional<DetectedThreat>& pendingRemoval() const { return m_pendingRemoval; }
    // What the last removal's Trash call answered.
    const std::optional<TrashService::Outcome>& lastRemoval() const { return m_lastRemoval; }
    size_t signatureCount() const { return m_scanner.signatures().size(); }
    const std::vector<ThreatSignature>& signatures() const { return m_scanner.signatures(); }
    ChangeObservers& observers() { return m_observers; }

    // Scans now; a scan still running is cancelled and its result dropped.
    void scan();
    // Moves the threat's removable items to the Trash, then scans again. Ignored while a
    // removal runs.
    void remove(const DetectedThreat& threat);
    void dismissTrashFailure();
    // The banner's "I've granted access".
    void recheckFullDiskAccess();

    // The card's "Move to Trash" asks first; either button of the confirmation clears it, and
    // its "Move to Trash" removes.
    void requestRemoval(const DetectedThreat& threat);
    void cancelRemoval();
    void confirmRemoval();

    // Texts.
    std::string emptyText() const;  // "No known threats found — checked against 12 families."
    std::string_view revealTitle() const { return m_environment.words.revealInFileManager; }
    static std::string confirmationTitle(const DetectedThreat& threat);  // "Remove Genieo?"
    std::string_view confirmationMessage() const { return m_environment.words.securityRemovalMessage; }
    const PlatformWords& words() const { return m_environment.words; }

    // The card's buttons: "Move to Trash" only when something is removable here; the reveal
    // button selects every artifact that has a path, removable or not.
    static bool canMoveToTrash(const DetectedThreat& threat);
    static std::vector<std::string> revealPaths(const DetectedThreat& threat);

private:
    void changed() { m_observers.notify(); }

    Environment m_environment;
    SecurityScanner m_scanner;
    ThreatRemover m_remover;
    std::optional<std::vector<DetectedThreat>> m_threats;
    bool m_fullDiskAccessGranted = true;
    std::optional<TrashFailureAlert> m_trashFailure;
    std::optional<DetectedThreat> m_pendingRemoval;
    std::optional<TrashService::Outcome> m_lastRemoval;
    ChangeObservers m_observers;
    BackgroundTask<std::vector<DetectedThreat>> m_scan;
    BackgroundTask<TrashService::Outcome> m_removal;
};

}  // namespace lopewell
