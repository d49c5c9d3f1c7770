#pragma once

// How the project's own APIs report a failure: a function that can fail
// returns a Result<T> (a value or an Error) or a Status (nothing or an
// Error). An Error carries the errno value when the system refused (0 when
// the failure is our own finding) and one line of text for the user.
// Header only, so the Qt-free core and both programs share it.

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace volmar {

struct Error {
    int code = 0;     // errno value, or 0 when the system was not asked
    std::string text; // one line: what failed and why

    // The system's own words for `err` ("Broken pipe").
    static Error fromErrno(int err);
    // `what`, then the system's words in parentheses.
    static Error fromErrno(int err, std::string_view what);
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_value(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only on success (std::bad_variant_access otherwise).
    T& value() & { return std::get<0>(m_value); }
    const T& value() const& { return std::get<0>(m_value); }
    T&& value() && { return std::get<0>(std::move(m_value)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Only on failure.
    const Error& error() const { return std::get<1>(m_value); }

private:
    std::variant<T, Error> m_value;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_failed(true), m_error(std::move(error)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return m_error; }

private:
    bool m_failed = false;
    Error m_error;
};

using Status = Result<void>;

// An errno-style return value as a Status: 0 is success.
inline Status errnoStatus(int err) {
    if (err == 0) {
        return {};
    }
    return Error::fromErrno(err);
}

inline Error Error::fromErrno(int err) {
    return Error{err, std::strerror(err)};
}

inline Error Error::fromErrno(int err, std::string_view what) {
    std::string text(what);
    text += " (";
    text += std::strerror(err);
    text += ')';
    return Error{err, std::move(text)};
}

} // namespace volmar
