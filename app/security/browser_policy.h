// What a browser's managed-policy file does that hijackers use it for, as the profile
// identifiers the Linux signatures name: forced extensions and the pages the browser is made
// to open or search with. Policy files are the Linux desktop's counterpart of configuration
// profiles; an administrator writes them, and so does software that takes over a browser.
//
//   browserPolicyIdentifiers(BrowserPolicyFormat::chrome, R"({"HomepageLocation":"https://Find.Example:8080/"})");
//   // { "chrome:HomepageLocation:find.example" }
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

enum class BrowserPolicyFormat {
    chrome,   // one JSON object of policies per file (Chrome, Chromium and the browsers built on it)
    firefox,  // policies.json: {"policies": {...}}
};

// "<engine>:<policy>:<value>", policy by policy in this order and each policy's values in the
// file's order, repeats dropped:
//   chrome:ExtensionInstallForcelist:<extension id>   the id before any ";"; ExtensionSettings
//                                                     entries with a forced install count too
//   chrome:HomepageLocation:<host>, chrome:NewTabPageLocation:<host>,
//   chrome:RestoreOnStartupURLs:<host>, chrome:DefaultSearchProviderSearchURL:<host>
//   firefox:ExtensionSettings:<add-on id>             a forced or normal install
//   firefox:Homepage:<host>                           its URL and the additional ones
//   firefox:SearchEngines:<host>                      of each added engine's URLTemplate
// Text that is not a JSON object, and values of the wrong type, give nothing.
std::vector<std::string> browserPolicyIdentifiers(BrowserPolicyFormat format, std::string_view json);

// A URL's host in lower case, without scheme, user, port, path or query; empty when there is
// none. A URL without a scheme ("www.example.com/start") is read from its beginning.
std::string urlHost(std::string_view url);

}  // namespace lopewell
