#include "app/common/ui/theme.h"

#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <QStandardPaths>

#include "app/common/ui/widgets.h"

namespace lopewell {

QColor toQColor(const Color& color)
{
    return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue), float(color.opacity));
}

namespace {

// Point sizes and default weights of the desktop text styles the tokens name.
struct StyleMetrics {
    qreal pointSize;
    FontWeight weight;
};

StyleMetrics metrics(TextStyle style)
{
    switch (style) {
    case TextStyle::largeTitle:
        return { 20, FontWeight::regular };
    case TextStyle::title:
        return { 17, FontWeight::regular };
    case TextStyle::title2:
        return { 14, FontWeight::regular };
    case TextStyle::title3:
        return { 12.5, FontWeight::regular };
    case TextStyle::headline:
        return { 10, FontWeight::semibold };
    case TextStyle::subheadline:
        return { 9, FontWeight::regular };
    case TextStyle::body:
        return { 10, FontWeight::regular };
    case TextStyle::callout:
        return { 9.5, FontWeight::regular };
    case TextStyle::footnote:
        return { 8.5, FontWeight::regular };
    case TextStyle::caption:
        return { 8, FontWeight::regular };
    case TextStyle::caption2:
        return { 7.5, FontWeight::regular };
    }
    return { 10, FontWeight::regular };
}

QFont::Weight qtWeight(FontWeight weight)
{
    switch (weight) {
    case FontWeight::ultraLight:
        return QFont::ExtraLight;
    case FontWeight::thin:
        return QFont::Thin;
    case FontWeight::light:
        return QFont::Light;
    case FontWeight::regular:
        return QFont::Normal;
    case FontWeight::medium:
        return QFont::Medium;
    case FontWeight::semibold:
        return QFont::DemiBold;
    case FontWeight::bold:
        return QFont::Bold;
    case FontWeight::heavy:
        return QFont::ExtraBold;
    case FontWeight::black:
        return QFont::Black;
    }
    return QFont::Normal;
}

}  // namespace

QFont textStyleFont(TextStyle style, std::optional<FontWeight> weight, FontDesign design)
{
    const StyleMetrics m = metrics(style);
    QFont font = design == FontDesign::monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
    font.setPointSizeF(m.pointSize);
    font.setWeight(qtWeight(weight.value_or(m.weight)));
    return font;
}

QFont toQFont(const Font& font)
{
    return textStyleFont(font.style, font.weight, font.design);
}

QIcon themeIcon(std::string_view iconNames)
{
    const QString names = toQString(iconNames);
    for (const QString& name : names.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        for (const QString& candidate : { name + QStringLiteral("-symbolic"), name }) {
            if (QIcon::hasThemeIcon(candidate))
                return QIcon::fromTheme(candidate);
        }
    }
    return {};
}

void useInstalledIconTheme()
{
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QStringLiteral("hicolor"))
        return;
    QStringList searchPaths = QIcon::themeSearchPaths();
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString icons = data + QStringLiteral("/icons");
        if (!searchPaths.contains(icons) && QDir(icons).exists())
            searchPaths.append(icons);
    }
    QIcon::setThemeSearchPaths(searchPaths);
    for (const QString& candidate : { QStringLiteral("Adwaita"), QStringLiteral("breeze"), QStringLiteral("Papirus") }) {
        for (const QString& root : QIcon::themeSearchPaths()) {
            if (QDir(root + QLatin1Char('/') + candidate).exists()) {
                QIcon::setThemeName(candidate);
                return;
            }
        }
    }
}

}  // namespace lopewell
