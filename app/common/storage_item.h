// One cleanable file or folder, as the storage, files and uninstaller sections list it, and the
// progress values a storage or files scan streams. Also the JSON form the scan caches store
// items in.
//
//   StorageItem item { .path = "/home/a/Library/Caches/x.db", .size = 4096 };
//   item.name();                                    // "x.db"
//   nlohmann::json json = encodeStorageItem(item);  // {"url":"file:///home/a/...","size":4096}
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core/base/date.h"

namespace lopewell {

// An optional Date held as one number. Date::min() stands for "none": no file's date is that
// (the walk gives none outside about 292 years of 1970, and decodeDate refuses the ends), so a
// Date of exactly that value becomes one tick later.
class PackedDate {
public:
    constexpr PackedDate() = default;
    constexpr PackedDate(std::nullopt_t) {}
    constexpr PackedDate(Date date) : m_value(date == none ? date + Date::duration(1) : date) {}
    constexpr PackedDate(const std::optional<Date>& date) : PackedDate(date ? PackedDate(*date) : PackedDate()) {}

    constexpr bool has_value() const { return m_value != none; }
    constexpr explicit operator bool() const { return has_value(); }
    constexpr const Date& operator*() const { return m_value; }
    constexpr const Date* operator->() const { return &m_value; }
    const Date& value() const
    {
        if (!has_value())
            throw std::bad_optional_access();
        return m_value;
    }
    constexpr Date value_or(Date fallback) const { return has_value() ? m_value : fallback; }
    constexpr void reset() { m_value = none; }
    constexpr operator std::optional<Date>() const { return has_value() ? std::optional<Date>(m_value) : std::nullopt; }

    friend constexpr bool operator==(const PackedDate&, const PackedDate&) = default;
    friend constexpr bool operator==(const PackedDate& date, std::nullopt_t) { return !date.has_value(); }
    friend constexpr bool operator==(const PackedDate& date, const Date& other) { return date.has_value() && date.m_value == other; }
    friend constexpr bool operator==(const PackedDate& date, const std::optional<Date>& other) { return date == PackedDate(other); }

private:
    static constexpr Date none = Date::min();
    Date m_value = none;
};

// An optional string in the space of one pointer: most rows have no display name, so the ones
// without cost nothing beyond it.
class PackedName {
public:
    PackedName() = default;
    PackedName(std::nullopt_t) {}
    PackedName(const char* text) : m_text(std::make_unique<std::string>(text)) {}
    PackedName(std::string text) : m_text(std::make_unique<std::string>(std::move(text))) {}
    PackedName(std::optional<std::string> text) : m_text(text ? std::make_unique<std::string>(std::move(*text)) : nullptr) {}
    PackedName(const PackedName& other) : m_text(other.m_text ? std::make_unique<std::string>(*other.m_text) : nullptr) {}
    PackedName(PackedName&&) noexcept = default;
    PackedName& operator=(const PackedName& other)
    {
        if (this != &other)
            m_text = other.m_text ? std::make_unique<std::string>(*other.m_text) : nullptr;
        return *this;
    }
    PackedName& operator=(PackedName&&) noexcept = default;
    ~PackedName() = default;

    bool has_value() const { return m_text != nullptr; }
    explicit operator bool() const { return has_value(); }
    const std::string& operator*() const { return *m_text; }
    const std::string* operator->() const { return m_text.get(); }
    const std::string& value() const
    {
        if (!m_text)
            throw std::bad_optional_access();
        return *m_text;
    }
    std::string value_or(std::string fallback) const { return m_text ? *m_text : std::move(fallback); }
    void reset() { m_text.reset(); }
    operator std::optional<std::string>() const { return m_text ? std::optional<std::string>(*m_text) : std::nullopt; }

    friend bool operator==(const PackedName& a, const PackedName& b)
    {
        return a.has_value() == b.has_value() && (!a.has_value() || *a.m_text == *b.m_text);
    }
    friend bool operator==(const PackedName& name, std::nullopt_t) { return !name.has_value(); }
    friend bool operator==(const PackedName& name, std::string_view text) { return name.has_value() && *name.m_text == text; }
    friend bool operator==(const PackedName& name, const char* text) { return name == std::string_view(text); }
    friend bool operator==(const PackedName& name, const std::optional<std::string>& text)
    {
        return text ? name == std::string_view(*text) : !name.has_value();
    }

private:
    std::unique_ptr<std::string> m_text;
};

struct StorageItem {
    // The file or folder itself, as the bytes the walk found it by; what goes to the Trash.
    std::string path {};
    std::uint64_t size = 0;  // allocated bytes on disk
    // A file's content modification date; for a folder row, the newest of its regular files.
    PackedDate modificationDate {};
    // The row label when it differs from the last path component.
    PackedName displayName {};

    // The display name, or else the last path component ("/a/b/" gives "b").
    std::string name() const;

    bool operator==(const StorageItem&) const = default;
};
// A scan holds one per file: a few words beyond the path's own bytes.
static_assert(sizeof(StorageItem) <= sizeof(std::string) + 3 * sizeof(std::uint64_t));

// Running totals so far.
struct StorageScanning {
    std::int64_t itemsSeen = 0;
    std::uint64_t bytes = 0;
    bool operator==(const StorageScanning&) const = default;
};

// The final result: the last value of every scan that was not cancelled.
struct StorageScanComplete {
    std::vector<StorageItem> items;
    std::uint64_t totalBytes = 0;
    // Why rows were left out, one line each: "Firefox is running".
    std::vector<std::string> skipped {};
    bool operator==(const StorageScanComplete&) const = default;
};

// A root that does not exist, is not a folder or cannot be opened; the scan goes on.
struct StorageScanMissing {
    std::filesystem::path path;
    bool operator==(const StorageScanMissing&) const = default;
};

using StorageScanProgress = std::variant<StorageScanning, StorageScanComplete, StorageScanMissing>;

// {"url": "file://...", "size": N, "modificationDate": seconds since 2001, "displayName": "..."};
// the last two keys are left out when absent.
nlohmann::json encodeStorageItem(const StorageItem& item);

// Needs "url" (an absolute file URL) and "size" (a whole number from 0 to 2^64 - 1); the other
// two may be absent or null, and unknown keys are ignored. Anything else present with the wrong
// type or value makes the item undecodable.
std::optional<StorageItem> decodeStorageItem(const nlohmann::json& json);

}  // namespace lopewell

template <>
struct std::hash<lopewell::StorageItem> {
    size_t operator()(const lopewell::StorageItem& item) const noexcept;
};
