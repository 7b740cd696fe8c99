// platform/Guard.h: the one guard around every window message and handler.
#pragma once

#include <exception>
#include <string>

// Shows an error's message to the user; the application hands its error box
// over at start-up.
using ErrorReporter = void (*)(const std::string& message);
void SetErrorReporter(ErrorReporter reporter);

// Releases any mouse capture (the capturing window gets a cancel-mode
// message), then hands the error's message to the reporter.
void ReportHandlerError(const std::exception& error) noexcept;

// Runs a handler; an error escaping it ends the handler where it was raised
// and is reported, and the caller goes on.
template <class Handler>
void Guarded(Handler&& handler) noexcept
{
    try {
        handler();
    } catch (const std::exception& error) {
        ReportHandlerError(error);
    }
}
