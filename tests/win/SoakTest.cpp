// tests/win/SoakTest.cpp: many zone entries and dialog cycles through the real windows leave no GDI objects behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "LauncherEnvironment.h"
#include "WinTestFiles.h"
#include "app/Application.h"
#include "menu/InstallForm.h"
#include "core/MenuZones.h"
#include "platform/Gdi.h"
#include "tools/probe/GdiTable.h"
#include "uninstall/SelectForm.h"

namespace {

using wintest::PumpMessages;

constexpr int kZoneEntries = 10000;
constexpr int kDialogCycles = 200;
constexpr int kCheckEvery = 500;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new wintest::LauncherEnvironment);


// This process's own memory, read as the probe reads another's.
struct OwnMemory {
    template <typename T>
    T Read(unsigned long long address) const
    {
        T value;
        std::memcpy(&value, reinterpret_cast<const void*>(static_cast<UINT_PTR>(address)), sizeof value);
        return value;
    }
};

// Every live object of this process's GDI handle table, stock objects left out; -1 where there is no table.
long TableObjects()
{
    const auto* table = reinterpret_cast<const GdiHandleEntry*>(
        static_cast<UINT_PTR>(GdiHandleTable(OwnMemory{}, ThreadTeb(GetCurrentThread()))));
    if (table == nullptr)
        return -1;
    return static_cast<long>(std::count_if(table, table + kGdiHandleCount,
                                           [](const GdiHandleEntry& entry) { return InUse(entry) && !IsStock(entry); }));
}

struct Counts {
    long owners;
    long table;
};

Counts Now() { return {GdiLiveObjects(), TableObjects()}; }

void Move(HWND menu, int x, int y)
{
    SendMessageA(menu, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

// The index-th entry's zone and a point in it, moving within the zone from one entry to the next.
const MenuZone& ZoneFor(int index, int& x, int& y)
{
    const MenuZone& zone = kMenuZones[static_cast<std::size_t>(index) % kMenuZones.size()];
    const int step = index / static_cast<int>(kMenuZones.size());
    x = zone.rect.Left + step * 7 % (zone.rect.Right - zone.rect.Left + 1);
    y = zone.rect.Top + step * 3 % (zone.rect.Bottom - zone.rect.Top + 1);
    return zone;
}

TEST(Soak, ZoneEntriesAndExitsLeaveNoGdiObjects)
{
    HWND menu = InstallForm->Handle();
    Application->ShowMainWindow(SW_SHOWNORMAL);
    PumpMessages();
    ASSERT_TRUE(IsWindowVisible(menu));
    int x = 0;
    int y = 0;
    // First use of every zone creates the two pieces; from then on each entry replaces them.
    for (int i = 0; i < 4; ++i) {
        ZoneFor(i, x, y);
        Move(menu, x, y);
        Move(menu, 300, 300);
    }
    PumpMessages();
    const Counts start = Now();
    ASSERT_GT(start.table, 0) << "no GDI handle table found";
    long highest = start.owners;
    for (int i = 0; i < kZoneEntries; ++i) {
        const MenuZone& zone = ZoneFor(i, x, y);
        Move(menu, x, y);
        ASSERT_EQ(InstallForm->GetHoverRect(), zone.rect) << "entry " << i;
        highest = std::max(highest, GdiLiveObjects());
        Move(menu, 300 + i % 5, 300);
        ASSERT_EQ(InstallForm->GetHoverRect(), Rect{}) << "exit " << i;
        if ((i + 1) % kCheckEvery == 0) {
            PumpMessages();
            const Counts now = Now();
            ASSERT_EQ(now.owners, start.owners) << "after " << i + 1 << " entries";
            ASSERT_EQ(now.table, start.table) << "after " << i + 1 << " entries";
        }
    }
    EXPECT_LE(highest, start.owners + 2);
    std::printf("zone entries: %d; owner count %ld -> %ld (highest %ld); table %ld -> %ld\n", kZoneEntries,
                start.owners, GdiLiveObjects(), highest, start.table, TableObjects());
}

TEST(Soak, DialogCyclesLeaveNoGdiObjects)
{
    HWND dialog = Form1->Handle();
    Form1->ShowDialog();
    PumpMessages();
    Form1->Close();
    PumpMessages();
    const Counts start = Now();
    ASSERT_GT(start.table, 0) << "no GDI handle table found";
    for (int i = 0; i < kDialogCycles; ++i) {
        Form1->ShowDialog();
        PumpMessages();
        ASSERT_TRUE(IsWindowVisible(dialog)) << "cycle " << i;
        if (i % 2 == 0)
            SendMessageA(dialog, WM_CLOSE, 0, 0);
        else
            SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpMessages();
        ASSERT_FALSE(IsWindowVisible(dialog)) << "cycle " << i;
        const Counts now = Now();
        ASSERT_EQ(now.owners, start.owners) << "after " << i + 1 << " cycles";
        ASSERT_EQ(now.table, start.table) << "after " << i + 1 << " cycles";
    }
    std::printf("dialog cycles: %d; owner count %ld; table %ld\n", kDialogCycles, start.owners, start.table);
}

}  // namespace
