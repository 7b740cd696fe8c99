// core/Error.h: the launcher's one error type, a kind and the message the error box shows.
#pragma once

#include <stdexcept>
#include <string>

enum class ErrorKind {
    EFOpenError,
    EReadError,
    EInvalidGraphic,
    EOSError,
    ERegistryException,
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    ErrorKind Kind() const { return kind_; }

private:
    ErrorKind kind_;
};
