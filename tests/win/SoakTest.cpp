// tests/win/SoakTest.cpp: many zone entries and dialog cycles through the real windows leave no GDI objects behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "WinTestFiles.h"
#include "app/Application.h"
#include "menu/InstallForm.h"
#include "menu/MenuZones.h"
#include "platform/Gdi.h"
#include "uninstall/SelectForm.h"

namespace {

constexpr int kZoneEntries = 10000;
constexpr int kDialogCycles = 200;
constexpr int kCheckEvery = 500;

std::uint32_t Back(int x, int y) { return static_cast<std::uint32_t>(0x203040 + x * 3 + y); }
std::uint32_t Fore(int x, int y) { return static_cast<std::uint32_t>(0x607080 + x + y * 5); }

// Without a window manager Wine waits 2 s for every hidden window it takes as managed; this program's
// windows are left unmanaged instead (read when the display driver loads, before the first window).
void UnmanagedWindows()
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\soak_win_tests.exe\\X11 Driver", 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
}

// The launcher's two windows in a folder holding an English and a Korean skin, as on its medium.
class LauncherEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        UnmanagedWindows();
        GetCurrentDirectoryA(MAX_PATH, previous_);
        dir_ = std::make_unique<wintest::ScratchDir>();
        for (const char* language : {"English\\ZoBack_Eng", "Korean\\ZoBack_Kor"})
            dir_->Write(std::string("Autorun\\") + language + ".bmp", wintest::Bitmap24(600, 400, Back));
        for (const char* language : {"English\\ZoFore_Eng", "Korean\\ZoFore_Kor"})
            dir_->Write(std::string("Autorun\\") + language + ".bmp", wintest::Bitmap24(600, 400, Fore));
        SetCurrentDirectoryA(dir_->Path().c_str());
        app_ = std::make_unique<TApplication>();
        app_->CreateForms();
    }
    void TearDown() override
    {
        app_.reset();
        SetCurrentDirectoryA(previous_);
        dir_.reset();
    }

private:
    char previous_[MAX_PATH] = {};
    std::unique_ptr<wintest::ScratchDir> dir_;
    std::unique_ptr<TApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new LauncherEnvironment);

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Every live object of this process's GDI handle table, as Wine keeps it (its 24-byte entries, pointed to
// from the PEB), stock objects left out; -1 where there is no such table.
long TableObjects()
{
#if defined(_M_IX86) || defined(__i386__)
    const auto* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()) + 0x30;
    const BYTE* const table = *reinterpret_cast<BYTE* const*>(*reinterpret_cast<BYTE* const*>(peb) + 0x94);
    if (!table)
        return -1;
    long live = 0;
    for (DWORD i = 0; i < 0x10000; ++i) {
        const BYTE* entry = table + i * 24;
        const USHORT unique = *reinterpret_cast<const USHORT*>(entry + 12);
        if (entry[14] != 0 && !(unique & 0x80))
            ++live;
    }
    return live;
#else
    return -1;
#endif
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
    long highest = start.owners;
    for (int i = 0; i < kZoneEntries; ++i) {
        const MenuZone& zone = ZoneFor(i, x, y);
        Move(menu, x, y);
        ASSERT_EQ(InstallForm->HoverRect(), zone.rect) << "entry " << i;
        highest = std::max(highest, GdiLiveObjects());
        Move(menu, 300 + i % 5, 300);
        ASSERT_EQ(InstallForm->HoverRect(), Rect{}) << "exit " << i;
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
