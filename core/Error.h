// core/Error.h: the launcher's one error type, a kind and the message the error box shows.
#pragma once

#include <exception>
#include <string>

enum class ErrorKind {
    EFOpenError,
    EReadError,
    EInvalidGraphic,
    EOSError,
    ERegistryException,
};

// Derived from std::exception itself rather than std::runtime_error, whose reference-counted message string
// would bring a second string implementation into the executable.
class Error : public std::exception {
public:
    Error(ErrorKind kind, std::string message) : kind_(kind), message_(std::move(message)) {}
    ErrorKind Kind() const { return kind_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    ErrorKind kind_;
    std::string message_;
};
