// app/ExceptionGlobals.cpp: the launcher's own record of the exceptions its thread is handling.
//
// The C++ runtime finds that record, one per thread, through __cxa_get_globals (an interface of the Itanium C++
// ABI). MinGW's GCC has no native thread-local storage, so libstdc++'s version reaches it through libgcc's
// emulated one (1.4 KiB). All the launcher's code runs on one thread, so one record serves. The Windows tests
// keep libstdc++'s version.
#include <cxxabi.h>

namespace __cxxabiv1 {

// The record as the ABI lays it out.
struct __cxa_eh_globals {
    void* caughtExceptions;  // the ABI's __cxa_exception*, the innermost first
    unsigned int uncaughtExceptions;
};

namespace {
__cxa_eh_globals launcherThread;
}  // namespace

extern "C" {
__cxa_eh_globals* __cxa_get_globals() noexcept { return &launcherThread; }
__cxa_eh_globals* __cxa_get_globals_fast() noexcept { return &launcherThread; }
}  // extern "C"

}  // namespace __cxxabiv1
