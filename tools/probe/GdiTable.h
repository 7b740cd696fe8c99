// tools/probe/GdiTable.h: Wine's GDI handle table, read by the probe in another process and by the soak test in
// its own. The table is Wine-internal; this is its layout in Wine 8.0 and 10.0.
#pragma once

#include <windows.h>

// One entry (Wine's GDI_HANDLE_ENTRY, the same 24 bytes in 32- and 64-bit processes).
#pragma pack(push, 4)
struct GdiHandleEntry {
    unsigned long long object;
    USHORT ownerProcess;
    USHORT ownerCount;
    USHORT unique;
    BYTE type;
    BYTE flags;
    unsigned long long userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle entry layout");
constexpr DWORD kGdiHandleCount = 0x10000;

inline bool InUse(const GdiHandleEntry& entry) { return entry.type != 0; }
// Stock objects carry a flag in the handle's unique part.
inline bool IsStock(const GdiHandleEntry& entry) { return (entry.unique & 0x80) != 0; }

// The environment block of a thread, of the caller's own width: under WOW64 a 32-bit caller is told the
// 32-bit one, a 64-bit caller the 64-bit one; 0 where the system does not say.
unsigned long long ThreadTeb(HANDLE thread);

// The table's address, 0 where there is none, read through MEMORY (its Read<T>(address)) from TEB, the
// environment block of one of the process's threads, of the caller's width. In a 32-bit prefix the 32-bit
// process block points to the table. Under WOW64 Wine keeps the 64-bit thread block's address in the 32-bit
// one's GdiBatchCount, and the 64-bit process block points to the table, as it does in a 64-bit process.
template <typename Memory>
unsigned long long GdiHandleTable(const Memory& memory, unsigned long long teb)
{
#ifndef _WIN64
    const DWORD teb64 = memory.template Read<DWORD>(teb + 0xF70);  // GdiBatchCount
    if (teb64 == 0)
        return memory.template Read<DWORD>(memory.template Read<DWORD>(teb + 0x30) + 0x94);
    teb = teb64;
#endif
    return memory.template Read<unsigned long long>(memory.template Read<unsigned long long>(teb + 0x60) + 0xF8);
}
