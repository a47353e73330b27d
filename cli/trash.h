// `lopewell trash [--json] PATH...`: the trash service from the command line. Items outside a
// Trash go to the desktop's Trash; items inside one are deleted for good. Exit 1 when any stayed.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <span>
#include <string_view>

#include "core/base/platform_words.h"
#include "platform/trash_service.h"

namespace lopewell::cli {

int runTrash(std::span<const std::string_view> arguments, const PlatformWords& words, std::ostream& out, std::ostream& err);

// {"movedURLs":["file://..."],"movedCount":N,"failedCount":N,"error":TEXT or null}
nlohmann::ordered_json trashOutcomeJson(const TrashService::Outcome& outcome);

}  // namespace lopewell::cli
