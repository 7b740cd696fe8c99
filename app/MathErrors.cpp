// app/MathErrors.cpp: the launcher's handler of the C library's math errors, which leaves them to the library.
//
// MinGW's start-up code installs _matherr as that handler. Its own version prints each error to the standard
// error stream, which a GUI program does not have; with its messages and fprintf it came to about 500 bytes that
// every start read from the medium. Returning 0 asks for the library's default: errno set, its result returned.
#include <math.h>

extern "C" int __cdecl _matherr(struct _exception*) { return 0; }
