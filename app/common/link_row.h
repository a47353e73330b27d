// One link of the About window and the Support settings: a symbol, a title, a subtitle and
// the address opened with the default handler when the row is pressed.
//
//   for (const LinkRow& row : supportPaneTexts().links) addButton(iconThemeName(row.symbol), row.title, ...);
#pragma once

#include "app/common/icon_names.h"

#include <string>
#include <string_view>

namespace lopewell {

struct LinkRow {
    std::string symbol;  // the macOS system symbol; iconThemeName() gives the Qt layer's icon
    std::string title;
    std::string subtitle;
    std::string url;

    bool operator==(const LinkRow&) const = default;
};

// Every row ends in this symbol, telling the user the row leaves the app.
inline constexpr std::string_view linkRowTrailingSymbol = "arrow.up.right.square";

}  // namespace lopewell
