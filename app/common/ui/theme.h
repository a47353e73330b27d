// The design tokens in Qt terms: colours and fonts every screen draws with.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <string_view>

#include "core/presentation/palette.h"
#include "core/presentation/typography.h"

namespace lopewell {

QColor toQColor(const Color& color);

// The desktop's default family at the text style's size and weight; monospaced design
// picks the fixed-pitch system font (digits that do not dance as figures change).
QFont toQFont(const Font& font);
QFont textStyleFont(TextStyle style, std::optional<FontWeight> weight = std::nullopt, FontDesign design = FontDesign::standard);

// An icon from the desktop's theme: the first of the comma-separated names the theme has,
// its monochrome variant where there is one.
QIcon themeIcon(std::string_view iconNames);

// Without a desktop session (offscreen, bare X servers) Qt picks no icon theme: fall back to
// one that is installed so the sidebar and settings icons still show.
void useInstalledIconTheme();

}  // namespace lopewell
