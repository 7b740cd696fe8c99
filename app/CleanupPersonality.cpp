// app/CleanupPersonality.cpp: the launcher's own version of GCC's C personality routine, for the 32-bit build's
// DWARF unwinder.
//
// Under link-time optimisation a function whose exception table holds only clean-ups (destructors run while an
// exception passes) is given GCC's C personality routine, the link-time compiler's default, instead of the C++
// one. The tables are the same either way, and the C++ routine runs clean-ups as the C one does, so this one
// hands over to it; libgcc's C routine (1.5 KiB) then stays out of the executable. The x86-64 build unwinds
// through the system's tables with routines of other names and needs none of this.
#include <unwind.h>

#if !defined(__SEH__) && !defined(__USING_SJLJ_EXCEPTIONS__)

extern "C" {

_Unwind_Reason_Code __gxx_personality_v0(int version, _Unwind_Action actions, _Unwind_Exception_Class kind,
                                         _Unwind_Exception* exception, _Unwind_Context* context);

// Kept through link-time optimisation, which knows of the reference only when it generates code.
[[gnu::used, gnu::externally_visible]] _Unwind_Reason_Code __gcc_personality_v0(
    int version, _Unwind_Action actions, _Unwind_Exception_Class kind, _Unwind_Exception* exception,
    _Unwind_Context* context)
{
    return __gxx_personality_v0(version, actions, kind, exception, context);
}

}  // extern "C"

#endif
