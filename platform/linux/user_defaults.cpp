#include "platform/user_defaults.h"

#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "platform/log.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

namespace lopewell {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::string_view logCategory = "UserDefaults";
// Settings are a few keys; anything bigger is not ours, and reading it whole would cost memory.
constexpr size_t maxFileSize = size_t(16) * 1024 * 1024;
// Deep nesting cannot be a settings value, and encoding it again would recurse that deep.
constexpr int maxDepth = 64;
constexpr int maxSetAsideAttempts = 1000;

constexpr std::string_view base64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string encodeBase64(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t available = std::min<size_t>(3, bytes.size() - i);
        std::uint32_t group = std::uint32_t { bytes[i] } << 16;
        if (available > 1)
            group |= std::uint32_t { bytes[i + 1] } << 8;
        if (available > 2)
            group |= bytes[i + 2];
        text += base64Alphabet[(group >> 18) & 0x3f];
        text += base64Alphabet[(group >> 12) & 0x3f];
        text += available > 1 ? base64Alphabet[(group >> 6) & 0x3f] : '=';
        text += available > 2 ? base64Alphabet[group & 0x3f] : '=';
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;

    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t group = 0;
    int bits = 0;
    for (size_t i = 0; i < text.size() - padding; ++i) {
        const size_t value = base64Alphabet.find(text[i]);
        if (value == std::string_view::npos)
            return std::nullopt;
        group = (group << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>((group >> bits) & 0xff));
        }
    }
    return bytes;
}

struct Loaded {
    json values = json::object();
    std::string problem;  // empty when the file was missing or fine
};

Loaded readDefaults(const fs::path& file)
{
    auto read = readRegularFile(file, maxFileSize, SymlinkPolicy::follow);
    std::string problem;
    if (const auto* failure = std::get_if<FileReadFailure>(&read)) {
        using Kind = FileReadFailure::Kind;
        switch (failure->kind) {
        case Kind::cannotOpen:
        case Kind::symbolicLink:
            if (failure->isMissing())
                return {};
            problem = Error::fromErrno(failure->code, "cannot be opened").message;
            break;
        case Kind::cannotExamine:
            problem = Error::fromErrno(failure->code, "cannot be examined").message;
            break;
        case Kind::notRegular:
            problem = "is not a regular file";
            break;
        case Kind::tooLarge:
            problem = "is larger than 16 MiB";
            break;
        case Kind::cannotRead:
            problem = Error::fromErrno(failure->code, "cannot be read").message;
            break;
        }
    }
    if (!problem.empty())
        return { json::object(), problem };

    bool tooDeep = false;
    auto limitDepth = [&tooDeep](int depth, json::parse_event_t event, json&) {
        const bool opens = event == json::parse_event_t::object_start || event == json::parse_event_t::array_start;
        if (opens && depth >= maxDepth)
            tooDeep = true;
        return !tooDeep;
    };
    try {
        json values = json::parse(std::get<std::string>(read), limitDepth);
        if (tooDeep)
            return { json::object(), "nests values more than 64 levels deep" };
        if (!values.is_object())
            return { json::object(), "does not hold a JSON object" };
        return { std::move(values), {} };
    } catch (const json::exception& exception) {
        return { json::object(), std::string("is not valid JSON (") + exception.what() + ")" };
    }
}

// Moves `from` to `to` unless `to` exists; EEXIST then.
int renameNoReplace(const fs::path& from, const fs::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without RENAME_NOREPLACE: link() refuses to overwrite just the same.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

ErrorOr<void> setAside(const fs::path& file)
{
    for (int attempt = 0; attempt < maxSetAsideAttempts; ++attempt) {
        fs::path target = file;
        target += attempt == 0 ? std::string(".corrupt") : ".corrupt." + std::to_string(attempt);
        const int error = renameNoReplace(file, target);
        if (error == EEXIST)
            continue;
        if (error == ENOENT)
            return {};  // someone already moved it
        if (error != 0)
            return Error::fromErrno(error, "Cannot set aside unusable " + file.string());
        log::error(logCategory, "Moved unusable " + file.string() + " to " + target.string());
        return {};
    }
    return Error { EEXIST, "Cannot set aside unusable " + file.string() + ": too many earlier copies" };
}

std::map<fs::path, std::weak_ptr<UserDefaults>>& registry()
{
    static std::map<fs::path, std::weak_ptr<UserDefaults>> instances;
    return instances;
}

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

std::shared_ptr<UserDefaults> UserDefaults::open(fs::path file)
{
    std::error_code error;
    fs::path absolute = fs::absolute(file, error);
    const fs::path key = (error ? file : absolute).lexically_normal();

    std::lock_guard lock(registryMutex());
    auto& instances = registry();
    std::erase_if(instances, [](const auto& entry) { return entry.second.expired(); });
    if (auto it = instances.find(key); it != instances.end()) {
        if (std::shared_ptr<UserDefaults> existing = it->second.lock())
            return existing;
    }
    auto created = std::make_shared<UserDefaults>(PrivateTag {}, key);
    instances[key] = created;
    return created;
}

UserDefaults::UserDefaults(PrivateTag, fs::path file) : m_file(std::move(file)), m_values(std::make_unique<json>(json::object()))
{
    load();
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::load()
{
    Loaded loaded = readDefaults(m_file);
    if (!loaded.problem.empty()) {
        m_unusableFileOnDisk = true;
        log::error(logCategory,
            "Ignoring user defaults file " + m_file.string() + ": it " + loaded.problem + "; it is set aside before the next change");
    }
    *m_values = std::move(loaded.values);
}

const json* UserDefaults::find(std::string_view key) const
{
    auto it = m_values->find(key);
    return it == m_values->end() ? nullptr : &*it;
}

bool UserDefaults::objectExists(std::string_view key) const
{
    std::lock_guard lock(m_mutex);
    return find(key) != nullptr;
}

bool UserDefaults::boolForKey(std::string_view key) const
{
    std::lock_guard lock(m_mutex);
    const json* value = find(key);
    return value && value->is_boolean() && value->get<bool>();
}

std::int64_t UserDefaults::integerForKey(std::string_view key) const
{
    std::lock_guard lock(m_mutex);
    const json* value = find(key);
    if (!value)
        return 0;
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        return number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ? static_cast<std::int64_t>(number) : 0;
    }
    if (value->is_number_integer())
        return value->get<std::int64_t>();
    if (value->is_number_float()) {
        // A hand-edited "2.0" still means 2; 2.5 or 1e300 mean nothing we can use.
        const double number = value->get<double>();
        constexpr double twoTo63 = 9223372036854775808.0;  // 2^63
        if (std::isfinite(number) && std::trunc(number) == number && number >= -twoTo63 && number < twoTo63)
            return static_cast<std::int64_t>(number);
    }
    return 0;
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const
{
    std::lock_guard lock(m_mutex);
    const json* value = find(key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

std::optional<std::vector<std::uint8_t>> UserDefaults::dataForKey(std::string_view key) const
{
    std::lock_guard lock(m_mutex);
    const json* value = find(key);
    if (!value || !value->is_object() || value->size() != 1)
        return std::nullopt;
    auto encoded = value->find("data");
    if (encoded == value->end() || !encoded->is_string())
        return std::nullopt;
    return decodeBase64(encoded->get_ref<const std::string&>());
}

ErrorOr<void> UserDefaults::setBool(std::string_view key, bool value)
{
    return store(key, json(value));
}

ErrorOr<void> UserDefaults::setInteger(std::string_view key, std::int64_t value)
{
    return store(key, json(value));
}

ErrorOr<void> UserDefaults::setString(std::string_view key, std::string_view value)
{
    return store(key, json(std::string(value)));
}

ErrorOr<void> UserDefaults::setData(std::string_view key, const std::vector<std::uint8_t>& value)
{
    return store(key, json { { "data", encodeBase64(value) } });
}

ErrorOr<void> UserDefaults::removeObject(std::string_view key)
{
    std::lock_guard lock(m_mutex);
    if (!find(key))
        return {};
    json updated = *m_values;
    updated.erase(std::string(key));
    if (auto result = persist(updated); !result)
        return result;
    *m_values = std::move(updated);
    return {};
}

ErrorOr<void> UserDefaults::store(std::string_view key, json value)
{
    std::lock_guard lock(m_mutex);
    json updated = *m_values;
    updated[std::string(key)] = std::move(value);
    if (auto result = persist(updated); !result)
        return result;
    *m_values = std::move(updated);
    return {};
}

ErrorOr<void> UserDefaults::persist(const json& values)
{
    std::string text;
    try {
        text = values.dump(2) + "\n";
    } catch (const json::exception& exception) {
        // Keys and strings must be UTF-8 to be JSON at all.
        return Error { EINVAL, std::string("Cannot encode user defaults: ") + exception.what() };
    }

    const fs::path folder = m_file.parent_path();
    if (auto created = createFolders(folder.empty() ? fs::path(".") : folder, 0700); !created)
        return created.error();
    return replaceFileContents(m_file, text, 0600, [this]() -> ErrorOr<void> {
        // Only now, with the replacement safely written, move the unusable file out of its way.
        if (!m_unusableFileOnDisk)
            return {};
        if (auto setAsideResult = setAside(m_file); !setAsideResult)
            return setAsideResult;
        m_unusableFileOnDisk = false;
        return {};
    });
}

}  // namespace lopewell