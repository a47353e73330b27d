#include "app/common/ui/full_disk_access_banner.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/common/full_disk_access_text.h"
#include "app/common/icon_names.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"
#include "platform/full_disk_access.h"

namespace lopewell {

FullDiskAccessBanner::FullDiskAccessBanner(std::function<void()> onOpenSettings, std::function<void()> onRecheck, QWidget* parent)
    : QFrame(parent)
    , m_openSettings(new QPushButton(toQString(FullDiskAccessBannerText::openSettingsButton)))
    , m_recheck(new QPushButton(toQString(FullDiskAccessBannerText::recheckButton)))
{
    setObjectName(QStringLiteral("fullDiskAccessBanner"));
    const QColor tint = toQColor(SystemColor::orange);
    setStyleSheet(QStringLiteral("#fullDiskAccessBanner { background: rgba(%1, %2, %3, 30); border: 1px solid rgba(%1, %2, %3, 110);"
                                 " border-radius: 8px; }")
            .arg(tint.red())
            .arg(tint.green())
            .arg(tint.blue()));

    auto* icon = new QLabel;
    icon->setPixmap(themeIcon(iconThemeName(FullDiskAccessBannerText::symbol)).pixmap(24, 24));
    auto* title = new QLabel(toQString(FullDiskAccessBannerText::title));
    title->setFont(textStyleFont(TextStyle::headline));
    auto* message = caption(FullDiskAccessBannerText::message);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(title);
    texts->addWidget(message);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    layout->addWidget(m_openSettings, 0, Qt::AlignVCenter);
    layout->addWidget(m_recheck, 0, Qt::AlignVCenter);
    m_openSettings->setDefault(false);

    connect(m_openSettings, &QPushButton::clicked, this, [onOpenSettings = std::move(onOpenSettings)] {
        if (onOpenSettings)
            onOpenSettings();
    });
    connect(m_recheck, &QPushButton::clicked, this, [onRecheck = std::move(onRecheck)] {
        if (onRecheck)
            onRecheck();
    });
}

void openFullDiskAccessSettings(const HostLayout& layout)
{
    for (const std::filesystem::path& probe : { systemPrivacyDatabase(layout), userBookmarksFile(layout) }) {
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(probe, error))) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(probe.parent_path().string())));
            return;
        }
    }
}

}  // namespace lopewell
