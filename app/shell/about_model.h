// The About window's texts: name, version line, feedback address, privacy note and the
// "Support development" box with its three links.
//
//   window.setTitle(AboutText::windowTitle);
//   versionLabel.setText(aboutVersionLine(LOPEWELL_VERSION, ""));  // "Version 0.1.0 (build —)"
#pragma once

#include "app/common/link_row.h"

#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

namespace AboutText {
inline constexpr std::string_view windowTitle = "About Lopewell";
inline constexpr std::string_view windowIdentifier = "about";
inline constexpr std::string_view menuCommand = "About Lopewell";
inline constexpr std::string_view applicationName = "Lopewell";
inline constexpr std::string_view feedbackLabel = "Feedback";
inline constexpr std::string_view privacyHeading = "Runs entirely on your Mac";
inline constexpr std::string_view privacyText
    = "Lopewell collects nothing. The only outbound network request it makes is the update check.";
inline constexpr std::string_view supportHeading = "Support development";
inline constexpr std::string_view supportText
    = "Lopewell is free. If it saved you time, here are three ways to say thanks — none of them required.";
}  // namespace AboutText

// "Version 1.2 (build 34)"; an empty value shows as an em dash.
std::string aboutVersionLine(std::string_view version, std::string_view build);
// The line for this build: the project version, and the build number when the build names one.
std::string aboutVersionLineForThisBuild();

// The feedback line's address and the mailto: link it opens.
std::string aboutFeedbackAddress();
std::string aboutFeedbackURL();

// "Buy me a coffee", "GitHub Sponsors", "One-time tip", in that order. About shows titles
// only, so the subtitles are empty.
std::vector<LinkRow> aboutSupportLinks();

}  // namespace lopewell
