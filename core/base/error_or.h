// Errors as values. Operations that change the system return ErrorOr<T>; reads that may
// fail return std::optional. Nothing above the OS boundary throws.
//
//   ErrorOr<void> result = defaults.setBool("hideFromDock", true);
//   if (!result) log(result.error().message);
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace lopewell {

struct Error {
    int code = 0;  // errno where the OS said why, else 0
    std::string message;

    static Error fromErrno(int errnoValue, std::string context);
    bool operator==(const Error&) const = default;
};

template <typename T>
class [[nodiscard]] ErrorOr {
public:
    ErrorOr(T value) : m_state(std::move(value)) {}
    ErrorOr(Error error) : m_state(std::move(error)) {}

    explicit operator bool() const { return hasValue(); }
    bool hasValue() const { return std::holds_alternative<T>(m_state); }

    T& value()
    {
        assert(hasValue());
        return std::get<T>(m_state);
    }
    const T& value() const
    {
        assert(hasValue());
        return std::get<T>(m_state);
    }
    const Error& error() const
    {
        assert(!hasValue());
        return std::get<Error>(m_state);
    }

private:
    std::variant<T, Error> m_state;
};

template <>
class [[nodiscard]] ErrorOr<void> {
public:
    ErrorOr() = default;
    ErrorOr(Error error) : m_error(std::move(error)), m_failed(true) {}

    explicit operator bool() const { return !m_failed; }
    bool hasValue() const { return !m_failed; }
    const Error& error() const
    {
        assert(m_failed);
        return m_error;
    }

private:
    Error m_error;
    bool m_failed = false;
};

}  // namespace lopewell
