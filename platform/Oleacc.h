// platform/Oleacc.h: the screen-reader calls of oleacc.dll, taken from the system folder at first use.
#pragma once

#include <windows.h>
#include <oleacc.h>

// The system's own accessible object for a window's client area, which answers what a window's own object
// does not; null when oleacc cannot be loaded. The caller owns the reference.
IAccessible* StandardClientAccessible(HWND window);

// WM_GETOBJECT's answer handing `accessible` to the asking process (LresultFromObject, in a COM apartment
// on this thread); 0, no object, when it cannot be given.
LRESULT AccessibleResult(IAccessible* accessible, WPARAM flags);
