#include "app/common/ui/widgets.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include "app/common/ui/theme.h"

namespace lopewell {

QString plainToolTip(const QString& text)
{
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QLabel* plainLabel(std::string_view text)
{
    auto* label = new QLabel(toQString(text));
    label->setTextFormat(Qt::PlainText);
    return label;
}

MiddleElidedLabel::MiddleElidedLabel(QString text) : m_full(std::move(text))
{
    setToolTip(plainToolTip(m_full));
    setTextFormat(Qt::PlainText);
    setMinimumWidth(80);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void MiddleElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    setText(fontMetrics().elidedText(m_full, Qt::ElideMiddle, width()));
}

QLabel* sectionHeading(std::string_view text)
{
    auto* label = new QLabel(toQString(text));
    label->setFont(textStyleFont(TextStyle::headline));
    return label;
}

QLabel* caption(std::string_view text)
{
    auto* label = new QLabel(toQString(text));
    label->setFont(textStyleFont(TextStyle::caption));
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

LinkRowButton::LinkRowButton(const LinkRow& row, QWidget* parent) : QPushButton(parent), m_row(row)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(row.subtitle.empty() ? 28 : 40);

    auto* icon = new QLabel;
    icon->setPixmap(themeIcon(iconThemeName(row.symbol)).pixmap(20, 20));
    auto* title = new QLabel(toQString(row.title));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(title);
    if (!row.subtitle.empty())
        texts->addWidget(caption(row.subtitle));
    auto* trailing = new QLabel;
    trailing->setPixmap(themeIcon(iconThemeName(linkRowTrailingSymbol)).pixmap(14, 14));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(icon);
    layout->addLayout(texts, 1);
    layout->addWidget(trailing);
    for (QLabel* label : { icon, title, trailing })
        label->setAttribute(Qt::WA_TransparentForMouseEvents);

    connect(this, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(QUrl(toQString(m_row.url), QUrl::StrictMode)); });
}

}  // namespace lopewell
