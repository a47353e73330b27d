// Reading a signature list from a file: the one shipped with the program, or another the user
// names on the command line.
//
//   ErrorOr<std::vector<ThreatSignature>> list = readSignatureFile(path);
//   if (!list) show(list.error().message);  // "entry 2 (\"genieo\"): missing key \"severity\""
#pragma once

#include <filesystem>
#include <vector>

#include "core/base/error_or.h"
#include "core/security/threat_signature.h"

namespace lopewell {

// Fails when the file cannot be read, is not a regular file, is larger than the signature list
// limit, or does not decode; the message says which and names the first bad entry.
ErrorOr<std::vector<ThreatSignature>> readSignatureFile(const std::filesystem::path& path);

}  // namespace lopewell
