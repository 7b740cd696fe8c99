// app/Terminate.cpp: the launcher's terminate handler, which ends the process at once.
//
// Defining it keeps libstdc++'s verbose handler out of the executable. That handler prints the uncaught
// exception's demangled type to the standard error stream, which a GUI program does not have, and then
// aborts; the demangler and the printf behind it came to about 60 KiB that every start read from the medium.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
