#include "core/trash/trash_failure_alert.h"

namespace lopewell {

std::optional<TrashFailureAlert> TrashFailureAlert::make(
    int64_t failedCount, const std::optional<std::string>& errorDescription, const PlatformWords& words)
{
    if (failedCount < 1)
        return std::nullopt;
    const std::string count = std::to_string(failedCount);
    TrashFailureAlert alert;
    alert.id = count + "|" + errorDescription.value_or("");
    alert.title = "Couldn't move " + count + (failedCount == 1 ? " item" : " items") + " to Trash";
    const std::string advice(words.trashFailureAdvice);
    alert.message = errorDescription && !errorDescription->empty() ? *errorDescription + "\n\n" + advice : advice;
    return alert;
}

}  // namespace lopewell
