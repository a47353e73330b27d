// The screens name their icons with macOS system symbol names; the Qt layer draws icons from the
// freedesktop icon theme. This is the one table between the two.
//
//   themeIcon(iconThemeName(sidebarTabSymbol(tab)))   // app/shell/ui/main_window.h
#pragma once

#include <string_view>

namespace lopewell {

// The icon-theme names that mean what `symbol` means, for every symbol the shell's screens
// show, as a comma-separated list in order of preference (themes differ in what they carry);
// empty for any other symbol. The first name comes from the freedesktop Icon Naming
// Specification where it has one that fits.
std::string_view iconThemeName(std::string_view symbol);

}  // namespace lopewell
