#pragma once
// The one exception base of the program. Every error raised by our code carries its
// user-facing message text; handlers show Message as it stands.
#include <exception>
#include <string>
#include <string_view>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

// Raised by the text-to-number and date conversions.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// The raising and the defaulting form of a Try conversion. The raising one says
// "'<text>' is not a valid <What>".
template <typename T>
T ConvertOrRaise(std::string_view Text, bool (*TryConvert)(std::string_view, T&), const char* What)
{
    T value{};
    if (!TryConvert(Text, value)) throw EConvertError("'" + std::string(Text) + "' is not a valid " + What);
    return value;
}

template <typename T>
T ConvertOrDefault(std::string_view Text, bool (*TryConvert)(std::string_view, T&), T Default)
{
    T value{};
    return TryConvert(Text, value) ? value : Default;
}

// Raised for an index outside a list.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// Raised when a file cannot be read or written.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};
