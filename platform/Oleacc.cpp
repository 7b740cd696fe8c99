// platform/Oleacc.cpp: oleacc's standard object and LresultFromObject, with ole32's apartment, loaded on demand.
#include "platform/Oleacc.h"

#include "platform/SystemLibrary.h"

namespace {

// Handing an object to another process marshals it, which needs COM on this thread; entered once.
bool InApartment()
{
    using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
    static const bool entered = [] {
        const auto initialize = SystemFunction<CoInitializeExFn>("ole32.dll", "CoInitializeEx");
        return initialize != nullptr && SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
    }();
    return entered;
}

}  // namespace

IAccessible* StandardClientAccessible(HWND window)
{
    using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    static const auto create = SystemFunction<CreateStdAccessibleObjectFn>("oleacc.dll", "CreateStdAccessibleObject");
    void* standard = nullptr;
    if (create == nullptr || FAILED(create(window, OBJID_CLIENT, __uuidof(IAccessible), &standard)))
        return nullptr;
    return static_cast<IAccessible*>(standard);
}

LRESULT AccessibleResult(IAccessible* accessible, WPARAM flags)
{
    using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    static const auto result = SystemFunction<LresultFromObjectFn>("oleacc.dll", "LresultFromObject");
    if (result == nullptr || !InApartment())
        return 0;
    const LRESULT answer = result(__uuidof(IAccessible), flags, accessible);
    return answer < 0 ? 0 : answer;
}
