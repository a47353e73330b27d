#include "app/startup/startup_sources.h"

#include "app/startup/launchd_startup_sources.h"
#include "app/startup/linux_startup_sources.h"
#include "core/base/platform_words.h"

namespace lopewell {

LaunchdStartupSources::LaunchdStartupSources(StartupScanner scanner, LaunchAgentController controller)
    : m_scanner(std::move(scanner))
    , m_controller(std::move(controller))
{
    const PlatformWords& words = platformWords(HostFlavour::macOS);
    m_texts = StartupTexts {
        .subtitle = std::string(words.startupSubtitle),
        .systemItemsToggle = "Show Apple system items",
        .note = std::string(words.startupNote),
        .disabledState = "Disabled by Lopewell",
        .revealTitle = std::string(words.revealInFileManager),
        .openSettingsTitle = std::string(words.openStartupSettings),
    };
}

std::vector<StartupLayer> LaunchdStartupSources::layers(bool includeSystem) const
{
    std::vector<StartupLayer> layers { StartupLayer::userAgent, StartupLayer::libraryAgent, StartupLayer::libraryDaemon };
    if (includeSystem)
        layers.push_back(StartupLayer::appleSystem);
    return layers;
}

std::shared_ptr<const StartupSources> makeStartupSources(const HostLayout& layout)
{
    if (layout.flavour() == HostFlavour::macOS)
        return std::make_shared<LaunchdStartupSources>(StartupScanner::forLayout(layout), LaunchAgentController::forLayout(layout));
    return std::make_shared<LinuxStartupSources>(LinuxStartupSources::systemEnvironment(layout));
}

}  // namespace lopewell
