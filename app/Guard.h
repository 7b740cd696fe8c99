// app/Guard.h: the one guard around every handler.
#pragma once

#include <exception>

// Releases any mouse capture (the capturing window gets a cancel-mode
// message), then shows the error in the error box.
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
