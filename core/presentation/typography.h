// The shared font tokens: each names a system text style, a design and a weight; the UI layer
// maps them onto real fonts. Compile-time constants.
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

namespace Typography {
inline constexpr Font cardTitle { TextStyle::title2, FontDesign::standard, FontWeight::semibold };
inline constexpr Font cardSubtitle { TextStyle::callout, FontDesign::standard, FontWeight::regular };
inline constexpr Font statLabel { TextStyle::caption, FontDesign::standard, FontWeight::medium };
inline constexpr Font statValue { TextStyle::callout, FontDesign::monospaced, std::nullopt };
inline constexpr Font bigReadout { TextStyle::largeTitle, FontDesign::monospaced, FontWeight::semibold };
}  // namespace Typography

}  // namespace lopewell
