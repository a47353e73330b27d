#include "core/trash/trash_failure_alert.h"

namespace lopewell {

namespace {

constexpr const char* advice = "This usually means the file is locked or you don't have permission to move it. "
                               "Try deleting it in Finder, where macOS can ask for the access it needs.";

}  // namespace

std::optional<TrashFailureAlert> TrashFailureAlert::make(int64_t failedCount, const std::optional<std::string>& errorDescription)
{
    if (failedCount < 1)
        return std::nullopt;
    const std::string count = std::to_string(failedCount);
    TrashFailureAlert alert;
    alert.id = count + "|" + errorDescription.value_or("");
    alert.title = "Couldn't move " + count + (failedCount == 1 ? " item" : " items") + " to Trash";
    alert.message = errorDescription && !errorDescription->empty() ? *errorDescription + "\n\n" + advice : std::string(advice);
    return alert;
}

}  // namespace lopewell
