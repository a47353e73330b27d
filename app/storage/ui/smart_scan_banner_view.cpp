#include "app/storage/ui/smart_scan_banner_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/common/icon_names.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"
#include "app/storage/storage_view_model.h"

namespace lopewell {

namespace {

bool sameButtons(const std::vector<SmartScanBannerView::Button>& a, const std::vector<SmartScanBannerView::Button>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.title == y.title && x.prominent == y.prominent && x.orange == y.orange && x.enabled == y.enabled;
    });
}

}  // namespace

SmartScanBannerView::SmartScanBannerView(QWidget* parent) : QFrame(parent), m_subtitle(new QLabel), m_buttonRow(new QHBoxLayout)
{
    setObjectName(QStringLiteral("smartScanBanner"));
    setStyleSheet(
        QStringLiteral("#smartScanBanner { background: palette(base); border: 1px solid palette(midlight); border-radius: 10px; }"));

    auto* icon = new QLabel;
    icon->setPixmap(themeIcon(iconThemeName(smartScanSymbol)).pixmap(28, 28));
    auto* title = new QLabel(toQString(smartScanTitle));
    title->setFont(textStyleFont(TextStyle::title3, FontWeight::semibold));
    m_subtitle->setFont(textStyleFont(TextStyle::callout));
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    m_subtitle->setWordWrap(true);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(title);
    texts->addWidget(m_subtitle);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addWidget(icon, 0, Qt::AlignVCenter);
    layout->addLayout(texts, 1);
    layout->addLayout(m_buttonRow);
}

void SmartScanBannerView::setContent(const std::string& subtitle, std::vector<Button> buttons)
{
    m_subtitle->setText(toQString(subtitle));
    if (!m_buttons.empty() && sameButtons(buttons, m_shown)) {
        // Same buttons: keep the widgets, take the new actions.
        m_shown = std::move(buttons);
        return;
    }
    m_shown = std::move(buttons);
    // A button may be the one whose click led here: let it finish its signal first.
    for (QPushButton* button : m_buttons) {
        button->hide();
        button->deleteLater();
    }
    m_buttons.clear();
    for (size_t index = 0; index < m_shown.size(); ++index) {
        const Button& spec = m_shown[index];
        auto* button = new QPushButton(toQString(spec.title));
        button->setEnabled(spec.enabled);
        button->setAutoDefault(false);
        if (spec.prominent) {
            const QString fill = spec.orange ? toQColor(SystemColor::orange).name() : QStringLiteral("palette(highlight)");
            button->setStyleSheet(QStringLiteral(
                "QPushButton { background: %1; color: white; border: none; border-radius: 5px; padding: 4px 14px; }"
                "QPushButton:disabled { background: palette(window); color: palette(placeholder-text); border: 1px solid palette(mid); }")
                    .arg(fill));
        }
        connect(button, &QPushButton::clicked, this, [this, index] {
            if (index >= m_shown.size() || !m_shown[index].action)
                return;
            // The action re-renders the banner, which replaces m_shown: call a copy.
            const std::function<void()> action = m_shown[index].action;
            action();
        });
        m_buttonRow->addWidget(button);
        m_buttons.push_back(button);
    }
}

}  // namespace lopewell
