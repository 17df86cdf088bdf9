#pragma once
// The one exception base of the program. Every error raised by our code carries its
// user-facing message text; handlers show Message as it stands.
#include <exception>
#include <string>

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
