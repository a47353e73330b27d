#include "app/storage/ui/storage_category_card.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/common/icon_names.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace {

QString colourName(const Color& color)
{
    return toQColor(color).name();
}

// A prominent button is the card's main action; "Clean" is orange like the banner's.
void styleProminent(QPushButton* button, bool orange)
{
    const QString fill = orange ? colourName(SystemColor::orange) : QStringLiteral("palette(highlight)");
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background: %1; color: white; border: none; border-radius: 5px; padding: 3px 12px; }"
        "QPushButton:disabled { background: palette(window); color: palette(placeholder-text); border: 1px solid palette(mid); }")
            .arg(fill));
}

}  // namespace

StorageCategoryCard::StorageCategoryCard(const StorageCategory& category, std::function<void(CardAction)> onAction, QWidget* parent)
    : QFrame(parent)
    , m_categoryID(category.id)
    , m_onAction(std::move(onAction))
    , m_symbol(new QLabel)
    , m_text(new QLabel)
    , m_detail(new QLabel)
    , m_progress(new QProgressBar)
    , m_buttonRow(new QHBoxLayout)
{
    setObjectName(QStringLiteral("storageCategoryCard"));
    setStyleSheet(
        QStringLiteral("#storageCategoryCard { background: palette(base); border: 1px solid palette(midlight); border-radius: 8px; }"));
    setMinimumWidth(240);

    auto* icon = new QLabel;
    icon->setPixmap(themeIcon(iconThemeName(category.systemImage)).pixmap(22, 22));
    auto* title = new QLabel(toQString(category.title));
    title->setFont(textStyleFont(TextStyle::headline));
    const RiskBadge risk = riskBadge(category.risk);
    auto* badge = new QLabel(toQString(risk.text));
    badge->setFont(textStyleFont(TextStyle::caption, FontWeight::medium));
    const QString badgeColour = risk.usesSecondaryTextColor ? QStringLiteral("palette(placeholder-text)") : colourName(risk.color);
    badge->setStyleSheet(
        QStringLiteral("QLabel { color: %1; border: 1px solid %1; border-radius: 4px; padding: 0px 4px; }").arg(badgeColour));
    auto* summary = caption(category.summary);
    summary->setToolTip(toQString(category.summary));

    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(title, 1);
    titleRow->addWidget(badge, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addLayout(titleRow);
    texts->addWidget(summary);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    m_text->setFont(textStyleFont(TextStyle::callout));
    m_text->setWordWrap(true);
    m_detail->setFont(textStyleFont(TextStyle::callout, FontWeight::semibold, FontDesign::monospaced));
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progress->setFixedSize(90, 8);
    auto* status = new QHBoxLayout;
    status->addWidget(m_symbol);
    status->addWidget(m_text, 1);
    status->addWidget(m_detail);
    // The busy bar sits left of the buttons, where a narrow card still has room for it.
    m_buttonRow->addWidget(m_progress);
    m_buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);
    layout->addLayout(top);
    layout->addStretch();
    layout->addLayout(status);
    layout->addLayout(m_buttonRow);
}

void StorageCategoryCard::setStatus(const CategoryCardStatus& status)
{
    if (m_shown == status)
        return;
    m_shown = status;
    m_symbol->setVisible(!status.symbol.empty());
    if (!status.symbol.empty())
        m_symbol->setPixmap(themeIcon(iconThemeName(status.symbol)).pixmap(14, 14));
    m_progress->setVisible(status.showsProgress);
    m_text->setText(toQString(status.text));
    m_text->setStyleSheet(status.isError ? QStringLiteral("color: %1;").arg(colourName(SystemColor::red)) : QString());
    m_detail->setVisible(!status.detail.empty());
    m_detail->setText(toQString(status.detail));

    // A button may be the one whose click led here: let it finish its signal first.
    for (QPushButton* button : m_buttons) {
        button->hide();
        button->deleteLater();
    }
    m_buttons.clear();
    for (const CardButton& spec : status.buttons) {
        auto* button = new QPushButton(toQString(spec.title));
        button->setEnabled(spec.enabled);
        button->setAutoDefault(false);
        if (spec.prominent)
            styleProminent(button, spec.action == CardAction::review || spec.action == CardAction::cleanFromCache);
        const CardAction action = spec.action;
        connect(button, &QPushButton::clicked, this, [this, action] {
            if (m_onAction)
                m_onAction(action);
        });
        m_buttonRow->addWidget(button);
        m_buttons.push_back(button);
    }
}

}  // namespace lopewell
