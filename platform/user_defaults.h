// The app's persisted settings: a JSON object in one file, rewritten atomically on every change.
//
//   std::shared_ptr<UserDefaults> defaults = UserDefaults::open(layout.userDefaultsFile());
//   bool hidden = defaults->boolForKey("hideFromDock");
//   if (auto result = defaults->setBool("hideFromDock", true); !result) ...
//
// A file that cannot be read or is not a JSON object counts as empty; it is logged and, before
// the next write, renamed aside to "<file>.corrupt" (".corrupt.1", ".2", ... if taken).
//
// THREAD-SAFETY: all members take one mutex. open() hands every caller of the same path the
// same instance while one is alive, so two parts of the program never overwrite each other.
#pragma once

#include "core/base/error_or.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell {

class UserDefaults {
    struct PrivateTag {};

public:
    // Loads the file once; a missing file is an empty set of defaults.
    static std::shared_ptr<UserDefaults> open(std::filesystem::path file);

    UserDefaults(PrivateTag, std::filesystem::path file);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::filesystem::path& file() const { return m_file; }

    // A value of another type than asked for reads as absent, yet still exists.
    bool objectExists(std::string_view key) const;
    bool boolForKey(std::string_view key) const;             // false when absent
    std::int64_t integerForKey(std::string_view key) const;  // 0 when absent or not integral
    std::optional<std::string> stringForKey(std::string_view key) const;
    std::optional<std::vector<std::uint8_t>> dataForKey(std::string_view key) const;

    // On failure the value in memory and the file's contents stay as they were.
    ErrorOr<void> setBool(std::string_view key, bool value);
    ErrorOr<void> setInteger(std::string_view key, std::int64_t value);
    ErrorOr<void> setString(std::string_view key, std::string_view value);
    ErrorOr<void> setData(std::string_view key, const std::vector<std::uint8_t>& value);
    ErrorOr<void> removeObject(std::string_view key);

private:
    void load();
    const nlohmann::json* find(std::string_view key) const;
    ErrorOr<void> store(std::string_view key, nlohmann::json value);
    ErrorOr<void> persist(const nlohmann::json& values);

    const std::filesystem::path m_file;
    mutable std::mutex m_mutex;
    std::unique_ptr<nlohmann::json> m_values;  // always an object
    bool m_unusableFileOnDisk = false;         // set aside before the next write
};

}  // namespace lopewell
