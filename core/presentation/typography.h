// The shared font tokens: each names a system text style, a design and a weight; the UI layer
// maps them onto real fonts. Each token is created once, on first use.
#pragma once

#include <optional>

namespace lopewell {

enum class TextStyle { largeTitle, title, title2, title3, headline, subheadline, body, callout, footnote, caption, caption2 };
enum class FontDesign { standard, monospaced, rounded, serif };
enum class FontWeight { ultraLight, thin, light, regular, medium, semibold, bold, heavy, black };

struct Font {
    TextStyle style = TextStyle::body;
    FontDesign design = FontDesign::standard;
    std::optional<FontWeight> weight;  // absent: the text style's own weight

    bool operator==(const Font&) const = default;
};

class Typography {
public:
    Typography() = delete;

    static const Font& cardTitle();     // title 2, semibold
    static const Font& cardSubtitle();  // callout, regular
    static const Font& statLabel();     // caption, medium
    static const Font& statValue();     // callout, monospaced
    static const Font& bigReadout();    // large title, monospaced, semibold
};

}  // namespace lopewell
