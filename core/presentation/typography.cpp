#include "core/presentation/typography.h"

namespace lopewell {

const Font& Typography::cardTitle()
{
    static const Font font { TextStyle::title2, FontDesign::standard, FontWeight::semibold };
    return font;
}

const Font& Typography::cardSubtitle()
{
    static const Font font { TextStyle::callout, FontDesign::standard, FontWeight::regular };
    return font;
}

const Font& Typography::statLabel()
{
    static const Font font { TextStyle::caption, FontDesign::standard, FontWeight::medium };
    return font;
}

const Font& Typography::statValue()
{
    static const Font font { TextStyle::callout, FontDesign::monospaced, std::nullopt };
    return font;
}

const Font& Typography::bigReadout()
{
    static const Font font { TextStyle::largeTitle, FontDesign::monospaced, FontWeight::semibold };
    return font;
}

}  // namespace lopewell
