// platform/SystemError.h: an error carrying the platform's error code and its message.
#pragma once

#include "core/Error.h"

// EOSError "System Error.  Code: N.\r\n<the system's text for N>".
Error OSError(unsigned long code);
