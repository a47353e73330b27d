// The data files the program ships with, such as the signature lists of the Security section.
// An installed program finds them in <prefix>/share/lopewell beside <prefix>/bin; the build tree
// is laid out the same way (<build>/share/lopewell beside <build>/cli and <build>/tests), so the
// command, the window and the tests all find them without being told where.
//
//   if (auto path = appResourcePath(signatureResourceName(layout.flavour()))) load(*path);
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/base/host_flavour.h"

namespace lopewell {

// <folder of the running executable>/../share/lopewell/<name>, when that is a regular file (or a
// link to one). Nothing when it is not there, when the executable cannot be found or when `name`
// is not a plain file name.
std::optional<std::filesystem::path> appResourcePath(std::string_view name);
// The same lookup for a given executable, for tests.
std::optional<std::filesystem::path> appResourcePath(std::string_view name, const std::filesystem::path& executable);

// "adware-signatures.json" for a macOS tree, "adware-signatures-linux.json" for the Linux desktop.
std::string_view signatureResourceName(HostFlavour flavour);

}  // namespace lopewell
