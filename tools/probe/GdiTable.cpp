// tools/probe/GdiTable.cpp: a thread's environment block, as the system reports it.
#include "tools/probe/GdiTable.h"

#include <winternl.h>

unsigned long long ThreadTeb(HANDLE thread)
{
    struct ThreadBasicInformation {
        LONG exitStatus;
        PVOID teb;
        CLIENT_ID client;
        ULONG_PTR affinity;
        LONG priority;
        LONG basePriority;
    };
    using QueryThread = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryThread>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
    ThreadBasicInformation basic = {};
    if (query == nullptr || query(thread, 0, &basic, sizeof basic, nullptr) != 0)
        return 0;
    return reinterpret_cast<UINT_PTR>(basic.teb);
}
