// platform/AnsiText.h: the ANSI code page's lead bytes, for the platform-free text code.
#pragma once

bool IsAnsiLeadByte(unsigned char byte);
