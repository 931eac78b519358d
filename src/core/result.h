#pragma once

#include <cerrno>
#include <optional>
#include <utility>
#include <variant>

#include <QString>

namespace Duovue
{

/// An expected failure: a machine-readable code and a message fit to show the user.
struct Error {
    enum class Code {
        NotFound,
        AccessDenied,
        ReadFailed,
        WriteFailed,
        InvalidArgument,
        InvalidData,
        Unsupported,
        Aborted,
        Other
    };
    Code code = Code::Other;
    QString message;
};

/// The Error for the system's error number @p error (errno), in the system's own words.
inline Error systemError(int error)
{
    const Error::Code code = error == ENOENT || error == ENOTDIR ? Error::Code::NotFound
        : error == EACCES || error == EPERM                      ? Error::Code::AccessDenied
                                                                 : Error::Code::Other;
    return Error{code, qt_error_string(error)};
}

/// Either a value or an Error. Used by logic that can fail for reasons outside the program
/// (I/O, decoding, parsing); logic never shows UI, the GUI reports the Error.
template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_data(std::move(value))
    {
    }
    Result(Error error)
        : m_data(std::move(error))
    {
    }

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return std::get<T>(m_data); }
    T &value() & { return std::get<T>(m_data); }
    T &&value() && { return std::get<T>(std::move(m_data)); }
    const Error &error() const { return std::get<Error>(m_data); }

private:
    std::variant<T, Error> m_data;
};

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
    {
    }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

} // namespace Duovue
