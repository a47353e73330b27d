// What a screen shows when some of the items it asked to remove are still there. Every screen
// builds it from the outcome it just received and shows it as a modal alert with one "OK".
//
//   if (auto alert = TrashFailureAlert::make(outcome.failedCount, outcome.error, words)) show(*alert);
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/base/platform_words.h"

namespace lopewell {

struct TrashFailureAlert {
    std::string id;  // the count, "|", the error text: two different failures are two alerts
    std::string title;
    std::string message;

    // Nothing when failedCount is below 1. The advice names the desktop's file manager.
    static std::optional<TrashFailureAlert> make(
        int64_t failedCount, const std::optional<std::string>& errorDescription, const PlatformWords& words);

    bool operator==(const TrashFailureAlert&) const = default;
};

}  // namespace lopewell
