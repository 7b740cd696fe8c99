// platform/AnsiText.cpp: lead bytes of the ANSI code page in force.
#include "platform/AnsiText.h"

#include <windows.h>

bool IsAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}
