// Readable failures for the files value types, and a log recorder.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/files/duplicate_group.h"
#include "platform/log.h"
#include "tests/app/common/storage_test_printers.h"

namespace lopewell {

inline void PrintTo(const DuplicateGroup& group, std::ostream* out)
{
    *out << "{" << group.id.substr(0, 8) << "…, " << group.size << " B, [";
    for (const auto& file : group.files)
        *out << file << " ";
    *out << "]}";
}

namespace testing {

// Collects log lines while alive, instead of writing them to stderr and the journal.
class LogRecorder {
public:
    LogRecorder()
    {
        log::setSinkForTesting([this](log::Level, std::string_view category, std::string_view message) {
            lines.push_back(std::string(category) + ": " + std::string(message));
        });
    }
    ~LogRecorder() { log::setSinkForTesting(nullptr); }
    LogRecorder(const LogRecorder&) = delete;
    LogRecorder& operator=(const LogRecorder&) = delete;

    std::vector<std::string> lines;
};

}  // namespace testing
}  // namespace lopewell
