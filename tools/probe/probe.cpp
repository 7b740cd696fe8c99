// tools/probe/probe.cpp: test-only probe that inspects and drives the windows, processes and registry of a Wine desktop.
//
// Usage: probe.exe OUTFILE COMMAND ARGS...
// The answer goes to OUTFILE as UTF-8 JSON, never to stdout, because Wine's helper processes inherit and hold
// the pipes of whoever started them. Exit status 0 on success; otherwise OUTFILE holds {"error": "..."}.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "core/Error.h"
#include "platform/Gdi.h"
#include "tools/probe/Accessibility.h"
#include "tools/probe/Args.h"
#include "tools/probe/GdiTable.h"
#include "tools/probe/Handles.h"
#include "tools/probe/Json.h"

namespace {

using namespace probe;
using json::Array;
using json::Bool;
using json::Num;
using json::Object;
using json::Str;

// Cross-process messages must not hang the probe on a busy or dead window.
constexpr UINT kMessageTimeoutMs = 2000;

std::string Handle(HWND hwnd)
{
    return Num(static_cast<long long>(reinterpret_cast<UINT_PTR>(hwnd)));
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

// The window text as the window itself answers WM_GETTEXT (works across processes).
// One WM_GETTEXT into a buffer that holds the whole text. Asking for the length first would leave a gap in
// which the window may change its text, and a longer text would then be cut to the old length.
std::wstring TextOf(HWND hwnd)
{
    for (size_t size = 256;; size *= 2) {
        std::wstring text(size, L'\0');
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, size, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                                 kMessageTimeoutMs, &copied)) {
            return {};
        }
        if (copied + 1 < size) {
            text.resize(copied);
            return text;
        }
    }
}

std::string RectJson(const RECT& r)
{
    return Object()
        .Add("left", Num(r.left))
        .Add("top", Num(r.top))
        .Add("right", Num(r.right))
        .Add("bottom", Num(r.bottom))
        .Add("width", Num(r.right - r.left))
        .Add("height", Num(r.bottom - r.top))
        .Text();
}

RECT ClientRectOnScreen(HWND hwnd)
{
    RECT r = {};
    GetClientRect(hwnd, &r);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    OffsetRect(&r, origin.x, origin.y);
    return r;
}

DWORD ProcessOf(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// The window that has the keyboard focus on hwnd's thread.
HWND FocusOnThreadOf(HWND hwnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM windows)
{
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Direct children in z-order, topmost first.
std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::string WindowJson(HWND hwnd)
{
    // The caption comes first: asking for it waits until the window's thread answers, and whatever is
    // read before that wait may be older than what is read after it. A busy launcher answers only once
    // its window is shown; a rectangle read before would belong to a window not yet sized and centred.
    const std::wstring caption = TextOf(hwnd);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return Object()
        .Add("hwnd", Handle(hwnd))
        .Add("pid", Num(ProcessOf(hwnd)))
        .Add("class", Str(ClassOf(hwnd)))
        .Add("caption", Str(caption))
        .Add("visible", Bool(IsWindowVisible(hwnd)))
        .Add("enabled", Bool(IsWindowEnabled(hwnd)))
        .Add("iconic", Bool(IsIconic(hwnd)))
        .Add("zoomed", Bool(IsZoomed(hwnd)))
        .Add("owner", Handle(GetWindow(hwnd, GW_OWNER)))
        .Add("rect", RectJson(rect))
        .Add("client", RectJson(ClientRectOnScreen(hwnd)))
        .Add("style", Num(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE))))
        .Add("exstyle", Num(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE))))
        .Text();
}

std::string Windows(const Args& args)
{
    NeedArgs(args, 0, "windows");
    std::vector<std::string> items;
    for (const HWND hwnd : TopLevelWindows()) {
        items.push_back(WindowJson(hwnd));
    }
    return Object().Add("windows", Array(items)).Text();
}

bool IsButton(HWND hwnd)
{
    return _wcsicmp(ClassOf(hwnd).c_str(), L"Button") == 0;
}

std::string Children(const Args& args)
{
    NeedArgs(args, 1, "children HWND");
    const HWND parent = WindowArg(args[0]);
    const HWND focus = FocusOnThreadOf(parent);
    std::vector<std::string> items;
    int z = 0;
    for (const HWND child : ChildrenOf(parent)) {
        RECT rect = {};
        GetWindowRect(child, &rect);
        DWORD_PTR check = 0;
        if (IsButton(child)) {
            SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &check);
        }
        items.push_back(Object()
                            .Add("hwnd", Handle(child))
                            .Add("class", Str(ClassOf(child)))
                            .Add("text", Str(TextOf(child)))
                            .Add("id", Num(GetDlgCtrlID(child)))
                            .Add("rect", RectJson(rect))
                            .Add("style", Num(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE))))
                            .Add("exstyle", Num(static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE))))
                            .Add("visible", Bool(IsWindowVisible(child)))
                            .Add("enabled", Bool(IsWindowEnabled(child)))
                            .Add("checked", Num(static_cast<long long>(check)))
                            .Add("z", Num(z++))
                            .Add("focused", Bool(child == focus))
                            .Text());
    }
    return Object().Add("focus", Handle(focus)).Add("children", Array(items)).Text();
}

// The message text of a message box: the static with id 0xFFFF, else the first non-icon static with text.
std::wstring MessageBoxText(HWND box)
{
    if (const HWND label = GetDlgItem(box, 0xFFFF)) {
        return TextOf(label);
    }
    for (const HWND child : ChildrenOf(box)) {
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON) {
            const std::wstring text = TextOf(child);
            if (!text.empty()) {
                return text;
            }
        }
    }
    return {};
}

std::string MessageBoxes(const Args& args)
{
    NeedArgs(args, 0, "messageboxes");
    std::vector<std::string> boxes;
    for (const HWND hwnd : TopLevelWindows()) {
        if (ClassOf(hwnd) != L"#32770") {
            continue;
        }
        std::vector<std::string> buttons;
        bool hasIcon = false;
        for (const HWND child : ChildrenOf(hwnd)) {
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            if (IsButton(child)) {
                buttons.push_back(Object()
                                      .Add("id", Num(GetDlgCtrlID(child)))
                                      .Add("text", Str(TextOf(child)))
                                      .Add("visible", Bool(style & WS_VISIBLE))
                                      .Text());
            } else if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
                       (style & WS_VISIBLE)) {
                // Wine keeps an icon control without an icon in boxes that asked for none.
                hasIcon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
            }
        }
        RECT rect = {};
        GetWindowRect(hwnd, &rect);
        boxes.push_back(Object()
                            .Add("hwnd", Handle(hwnd))
                            .Add("pid", Num(ProcessOf(hwnd)))
                            .Add("caption", Str(TextOf(hwnd)))
                            .Add("text", Str(MessageBoxText(hwnd)))
                            .Add("owner", Handle(GetWindow(hwnd, GW_OWNER)))
                            .Add("visible", Bool(IsWindowVisible(hwnd)))
                            .Add("rect", RectJson(rect))
                            .Add("buttons", Array(buttons))
                            .Add("icon", Bool(hasIcon))
                            .Text());
    }
    return Object().Add("messageboxes", Array(boxes)).Text();
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!PostMessageW(hwnd, message, wParam, lParam)) {
        FailCall("PostMessageW");
    }
}

// Presses a dialog button the way a dialog sees a click: WM_COMMAND with BN_CLICKED from that button.
std::string ClickButton(const Args& args)
{
    NeedArgs(args, 2, "click-button HWND ID");
    const HWND dialog = WindowArg(args[0]);
    const int id = static_cast<int>(Number(args[1]));
    const HWND button = GetDlgItem(dialog, id);
    Post(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return Object().Add("posted", Bool(true)).Add("button", Handle(button)).Text();
}

// Sends BM_CLICK to a child control, which clicks it with real button-down/up messages.
std::string BmClick(const Args& args)
{
    NeedArgs(args, 2, "bm-click HWND ID");
    const HWND button = GetDlgItem(WindowArg(args[0]), static_cast<int>(Number(args[1])));
    if (!button) {
        Fail("no such control");
    }
    Post(button, BM_CLICK, 0, 0);
    return Object().Add("posted", Bool(true)).Add("button", Handle(button)).Text();
}

std::string Close(const Args& args)
{
    NeedArgs(args, 1, "close HWND");
    Post(WindowArg(args[0]), WM_CLOSE, 0, 0);
    return Object().Add("posted", Bool(true)).Text();
}

// Invalidates the whole window, as an uncovering does on a system that keeps no window contents.
std::string Redraw(const Args& args)
{
    NeedArgs(args, 1, "redraw HWND");
    if (!RedrawWindow(WindowArg(args[0]), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE)) {
        FailCall("RedrawWindow");
    }
    return Object().Add("invalidated", Bool(true)).Text();
}

std::string PostAny(const Args& args)
{
    NeedArgs(args, 4, "post HWND MESSAGE WPARAM LPARAM");
    Post(WindowArg(args[0]), static_cast<UINT>(Number(args[1])), static_cast<WPARAM>(Number(args[2])),
         static_cast<LPARAM>(SignedNumber(args[3])));
    return Object().Add("posted", Bool(true)).Text();
}

template <typename T>
void Append(std::string& out, const T& value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// Copies a screen rectangle into a bottom-up 24-bit DIB and writes it as a BMP file.
std::string Shot(const Args& args)
{
    NeedArgs(args, 5, "shot X Y W H FILE.bmp");
    const int x = static_cast<int>(SignedNumber(args[0]));
    const int y = static_cast<int>(SignedNumber(args[1]));
    const int width = static_cast<int>(Number(args[2]));
    const int height = static_cast<int>(Number(args[3]));
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
        Fail("bad size");
    }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * static_cast<DWORD>(height);

    const WindowDC screen(nullptr);
    const MemoryDC memory(screen.Get());
    void* bits = nullptr;
    const GdiBitmap dib(CreateDIBSection(screen.Get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                         &bits, nullptr, 0));
    if (!memory.Get() || !dib.Get()) {
        FailCall("CreateDIBSection");
    }
    {
        ScopedSelect select(memory.Get(), dib.Get());
        if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), x, y, SRCCOPY)) {
            FailCall("BitBlt");
        }
        GdiFlush();
    }
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::string bytes;
    Append(bytes, file);
    Append(bytes, header);
    bytes.append(static_cast<const char*>(bits), header.biSizeImage);
    WriteWholeFile(args[4], bytes);
    return Object().Add("file", Str(args[4])).Add("width", Num(width)).Add("height", Num(height)).Text();
}

std::string Start(const Args& args)
{
    NeedArgs(args, 3, "start CMDLINE CURDIR SHOWCMD");
    std::wstring commandLine = args[0];
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(Number(args[2]));
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, args[1].c_str(), &startup,
                        &process)) {
        FailCall("CreateProcessW");
    }
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    return Object().Add("pid", Num(process.dwProcessId)).Text();
}

std::string Kill(const Args& args)
{
    NeedArgs(args, 1, "kill PID");
    KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(Number(args[0]))));
    if (!process) {
        FailCall("OpenProcess");
    }
    if (!TerminateProcess(process.Get(), 1)) {
        FailCall("TerminateProcess");
    }
    return Object().Add("killed", Bool(true)).Text();
}

std::string ProcessState(const Args& args)
{
    NeedArgs(args, 1, "process PID");
    KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE,
                                     static_cast<DWORD>(Number(args[0]))));
    if (!process) {
        return Object().Add("alive", Bool(false)).Add("exit_code", "null").Text();
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    const bool alive = WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
    return Object().Add("alive", Bool(alive)).Add("exit_code", alive ? "null" : Num(code)).Text();
}

// Every running process of the prefix: pid, parent pid and executable name.
std::string Processes(const Args& args)
{
    NeedArgs(args, 0, "processes");
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.Get() == INVALID_HANDLE_VALUE) {
        *snapshot.Out() = nullptr;
        FailCall("CreateToolhelp32Snapshot");
    }
    std::vector<std::string> items;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        items.push_back(Object()
                            .Add("pid", Num(entry.th32ProcessID))
                            .Add("parent", Num(entry.th32ParentProcessID))
                            .Add("exe", Str(std::wstring(entry.szExeFile)))
                            .Text());
    }
    return Object().Add("processes", Array(items)).Text();
}

// The taskbar's buttons: every window below Shell_TrayWnd, with its text.
std::string Taskbar(const Args& args)
{
    NeedArgs(args, 0, "taskbar");
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray) {
        Fail("no Shell_TrayWnd");
    }
    std::vector<HWND> all;
    EnumChildWindows(tray, CollectWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<std::string> buttons;
    for (const HWND button : all) {
        RECT rect = {};
        GetWindowRect(button, &rect);
        buttons.push_back(Object()
                              .Add("hwnd", Handle(button))
                              .Add("class", Str(ClassOf(button)))
                              .Add("text", Str(TextOf(button)))
                              .Add("visible", Bool(IsWindowVisible(button)))
                              .Add("rect", RectJson(rect))
                              .Text());
    }
    return Object().Add("tray", Handle(tray)).Add("buttons", Array(buttons)).Text();
}

std::string Brief(HWND hwnd)
{
    if (!hwnd) {
        return "null";
    }
    return Object()
        .Add("hwnd", Handle(hwnd))
        .Add("class", Str(ClassOf(hwnd)))
        .Add("text", Str(TextOf(hwnd)))
        .Add("pid", Num(ProcessOf(hwnd)))
        .Text();
}

std::string Focus(const Args& args)
{
    NeedArgs(args, 0, "focus");
    const HWND foreground = GetForegroundWindow();
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (foreground) {
        GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info);
    }
    return Object()
        .Add("foreground", Brief(foreground))
        .Add("active", Brief(info.hwndActive))
        .Add("focus", Brief(info.hwndFocus))
        .Add("capture", Brief(info.hwndCapture))
        .Text();
}

std::string WindowAt(const Args& args)
{
    NeedArgs(args, 2, "window-at X Y");
    const POINT point = {SignedNumber(args[0]), SignedNumber(args[1])};
    return Object().Add("window", Brief(WindowFromPoint(point))).Text();
}

// A registry root and the view it is seen in: HKLM is HKEY_LOCAL_MACHINE in the probe's own view, HKLM64
// and HKLM32 in the 64-bit and the 32-bit view, whichever build the probe is.
struct RegRoot {
    HKEY key;
    REGSAM view;
};

RegRoot RootArg(const std::wstring& text)
{
    if (text == L"HKCU") {
        return {HKEY_CURRENT_USER, 0};
    }
    if (text == L"HKLM") {
        return {HKEY_LOCAL_MACHINE, 0};
    }
    if (text == L"HKLM64") {
        return {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY};
    }
    if (text == L"HKLM32") {
        // A 32-bit probe's own view is the 32-bit one, on 32-bit Windows too.
        return {HKEY_LOCAL_MACHINE, sizeof(void*) == 8 ? KEY_WOW64_32KEY : 0};
    }
    Fail("root must be HKCU, HKLM, HKLM64 or HKLM32");
}

void CheckRegistry(LSTATUS status, const char* call)
{
    if (status != ERROR_SUCCESS) {
        Fail(std::string(call) + " failed, error " + std::to_string(status));
    }
}

void SetValue(const Args& args, DWORD type, const void* data, DWORD size)
{
    RegKey key;
    const RegRoot root = RootArg(args[0]);
    CheckRegistry(RegCreateKeyExW(root.key, args[1].c_str(), 0, nullptr, 0, KEY_SET_VALUE | root.view, nullptr,
                                  key.Out(), nullptr),
                  "RegCreateKeyExW");
    CheckRegistry(RegSetValueExW(key.Get(), args[2].c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  "RegSetValueExW");
}

std::string RegSetDword(const Args& args)
{
    NeedArgs(args, 4, "reg-set-dword ROOT PATH NAME VALUE");
    const DWORD value = static_cast<DWORD>(SignedNumber(args[3]));
    SetValue(args, REG_DWORD, &value, sizeof value);
    return Object().Add("set", Bool(true)).Text();
}

std::string RegSetSz(const Args& args)
{
    NeedArgs(args, 4, "reg-set-sz ROOT PATH NAME TEXT");
    SetValue(args, REG_SZ, args[3].c_str(), static_cast<DWORD>((args[3].size() + 1) * sizeof(wchar_t)));
    return Object().Add("set", Bool(true)).Text();
}

std::string RegSetMultiSz(const Args& args)
{
    if (args.size() < 3) {
        Fail("usage: reg-set-multi-sz ROOT PATH NAME ITEM...");
    }
    // Each item ends in a NUL, and an empty item ends the list.
    std::wstring data;
    for (size_t i = 3; i < args.size(); ++i) {
        data += args[i] + L'\0';
    }
    data += L'\0';
    SetValue(args, REG_MULTI_SZ, data.c_str(), static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    return Object().Add("set", Bool(true)).Text();
}

std::string RegSetBinary(const Args& args)
{
    NeedArgs(args, 4, "reg-set-binary ROOT PATH NAME HEXBYTES");
    const std::wstring& hex = args[3];
    if (hex.size() % 2 != 0) {
        Fail("odd number of hex digits");
    }
    std::vector<BYTE> bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        bytes.push_back(static_cast<BYTE>(Number(L"0x" + hex.substr(i, 2))));
    }
    SetValue(args, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    return Object().Add("set", Bool(true)).Text();
}

std::string RegCreate(const Args& args)
{
    NeedArgs(args, 2, "reg-create ROOT PATH");
    RegKey key;
    DWORD disposition = 0;
    const RegRoot root = RootArg(args[0]);
    CheckRegistry(RegCreateKeyExW(root.key, args[1].c_str(), 0, nullptr, 0, KEY_READ | root.view, nullptr,
                                  key.Out(), &disposition),
                  "RegCreateKeyExW");
    return Object().Add("created", Bool(disposition == REG_CREATED_NEW_KEY)).Text();
}

std::string RegDeleteTree(const Args& args)
{
    NeedArgs(args, 2, "reg-delete-tree ROOT PATH");
    const RegRoot root = RootArg(args[0]);
    {
        RegKey key;
        const LSTATUS status = RegOpenKeyExW(root.key, args[1].c_str(), 0, KEY_ALL_ACCESS | root.view, key.Out());
        if (status == ERROR_FILE_NOT_FOUND) {
            return Object().Add("deleted", Bool(false)).Text();
        }
        CheckRegistry(status, "RegOpenKeyExW");
        CheckRegistry(RegDeleteTreeW(key.Get(), nullptr), "RegDeleteTreeW");
    }
    // RegDeleteKeyExW, unlike RegDeleteKeyW, deletes the key in the view asked for.
    CheckRegistry(RegDeleteKeyExW(root.key, args[1].c_str(), root.view, 0), "RegDeleteKeyExW");
    return Object().Add("deleted", Bool(true)).Text();
}

std::string HexBytes(const BYTE* data, DWORD size)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (DWORD i = 0; i < size; ++i) {
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 15];
    }
    return Str(hex);
}

std::string ValueData(DWORD type, const std::vector<BYTE>& data, DWORD size)
{
    const auto* text = reinterpret_cast<const wchar_t*>(data.data());
    const size_t chars = size / sizeof(wchar_t);
    switch (type) {
    case REG_DWORD:
        if (size == sizeof(DWORD)) {
            return Num(*reinterpret_cast<const DWORD*>(data.data()));
        }
        break;
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::wstring value(text, chars);
        value.resize(wcsnlen(value.c_str(), value.size()));
        return Str(value);
    }
    case REG_MULTI_SZ: {
        std::vector<std::string> items;
        for (size_t i = 0; i < chars && text[i];) {
            const std::wstring item(text + i, wcsnlen(text + i, chars - i));
            items.push_back(Str(item));
            i += item.size() + 1;
        }
        return Array(items);
    }
    }
    return HexBytes(data.data(), size);
}

const char* TypeName(DWORD type)
{
    static const std::map<DWORD, const char*> names = {
        {REG_NONE, "REG_NONE"},           {REG_SZ, "REG_SZ"},       {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
        {REG_BINARY, "REG_BINARY"},       {REG_DWORD, "REG_DWORD"}, {REG_MULTI_SZ, "REG_MULTI_SZ"},
        {REG_QWORD, "REG_QWORD"},
    };
    const auto it = names.find(type);
    return it == names.end() ? "REG_OTHER" : it->second;
}

std::string RegQuery(const Args& args)
{
    NeedArgs(args, 2, "reg-query ROOT PATH");
    RegKey key;
    const RegRoot root = RootArg(args[0]);
    const LSTATUS status = RegOpenKeyExW(root.key, args[1].c_str(), 0, KEY_READ | root.view, key.Out());
    if (status == ERROR_FILE_NOT_FOUND) {
        return Object().Add("exists", Bool(false)).Text();
    }
    CheckRegistry(status, "RegOpenKeyExW");
    std::vector<std::string> values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            break;
        }
        std::vector<BYTE> data(size + sizeof(wchar_t));
        nameLength = 16384;
        CheckRegistry(RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, &type, data.data(), &size),
                      "RegEnumValueW");
        values.push_back(Object()
                             .Add("name", Str(std::wstring(name, nameLength)))
                             .Add("type", Str(TypeName(type)))
                             .Add("data", ValueData(type, data, size))
                             .Text());
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        subkeys.push_back(Str(std::wstring(name, nameLength)));
    }
    return Object().Add("exists", Bool(true)).Add("values", Array(values)).Add("subkeys", Array(subkeys)).Text();
}

// Waits until a window is visible (1) or hidden (0), polling in-process so that a wait costs one probe start.
std::string WaitVisible(const Args& args)
{
    NeedArgs(args, 3, "wait-visible HWND 0|1 TIMEOUT_MS");
    const HWND hwnd = WindowArg(args[0]);
    const bool wanted = Number(args[1]) != 0;
    const DWORD timeout = static_cast<DWORD>(Number(args[2]));
    const DWORD start = GetTickCount();
    bool visible = IsWindowVisible(hwnd) != FALSE;
    while (visible != wanted && GetTickCount() - start < timeout) {
        Sleep(5);
        visible = IsWindowVisible(hwnd) != FALSE;
    }
    return Object()
        .Add("reached", Bool(visible == wanted))
        .Add("visible", Bool(visible))
        .Add("ms", Num(GetTickCount() - start))
        .Text();
}

// Memory figures of another process as the platform reports them (GetProcessMemoryInfo), in bytes.
std::string Memory(const Args& args)
{
    NeedArgs(args, 1, "memory PID");
    KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                                     static_cast<DWORD>(Number(args[0]))));
    if (!process) {
        FailCall("OpenProcess");
    }
    // Looked up at run time: the import library names it only for newer Windows versions.
    using GetMemoryInfo = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
    const auto getMemoryInfo = reinterpret_cast<GetMemoryInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "K32GetProcessMemoryInfo")));
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!getMemoryInfo ||
        !getMemoryInfo(process.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        FailCall("K32GetProcessMemoryInfo");
    }
    return Object()
        .Add("private", Num(static_cast<unsigned long long>(counters.PrivateUsage)))
        .Add("pagefile", Num(static_cast<unsigned long long>(counters.PagefileUsage)))
        .Add("working_set", Num(static_cast<unsigned long long>(counters.WorkingSetSize)))
        .Add("peak_working_set", Num(static_cast<unsigned long long>(counters.PeakWorkingSetSize)))
        .Text();
}

// Another process's memory. A process run by a user-mode emulator has its addresses at an offset in the
// emulator's own address space, and that is where the system reads them.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, unsigned long long offset) : process_(process), offset_(offset) {}

    void Read(unsigned long long address, void* into, size_t size) const
    {
        SIZE_T got = 0;
        if (address == 0 || !ReadProcessMemory(process_, reinterpret_cast<const void*>(static_cast<UINT_PTR>(
                                                              address + offset_)), into, size, &got)) {
            Fail("cannot read the process's memory at " + std::to_string(address));
        }
    }

    template <typename T>
    T Read(unsigned long long address) const
    {
        T value{};
        Read(address, &value, sizeof value);
        return value;
    }

private:
    HANDLE process_;
    unsigned long long offset_;
};

// The environment block of one thread of the process, of the probe's own width.
unsigned long long AnyThreadTeb(DWORD pid)
{
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID != pid) {
            continue;
        }
        KernelHandle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
        if (const unsigned long long teb = thread ? ThreadTeb(thread.Get()) : 0) {
            return teb;
        }
    }
    Fail("no thread of process " + std::to_string(pid) + " to read");
}

// Where an emulator keeps the process's address 0: the first of the OFFSETs in ARGS (after the pid; 0 when
// none is given) at which the thread block TEB names its own address, as every thread block does.
unsigned long long EmulatorOffset(HANDLE process, unsigned long long teb, const Args& args)
{
    for (size_t i = 1; i < std::max<size_t>(args.size(), 2); ++i) {
        const unsigned long long offset = i < args.size() ? Number(args[i]) : 0;
        UINT_PTR self = 0;
        SIZE_T got = 0;
        if (ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<UINT_PTR>(
                                           teb + offset + offsetof(NT_TIB, Self))), &self, sizeof self, &got) &&
            self == teb) {
            return offset;
        }
    }
    Fail("the process's thread block is at none of the offsets given");
}

// Counts the live objects in another process's GDI handle table; stock objects (flagged in the handle's
// unique part) are counted apart. Each OFFSET is where an emulator may keep the process's address 0.
std::string GdiCount(const Args& args)
{
    if (args.empty()) {
        Fail("usage: gdi-count PID [OFFSET...]");
    }
    const DWORD pid = static_cast<DWORD>(Number(args[0]));
    KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) {
        FailCall("OpenProcess");
    }
    const unsigned long long teb = AnyThreadTeb(pid);
    const RemoteMemory memory(process.Get(), EmulatorOffset(process.Get(), teb, args));
    const unsigned long long table = GdiHandleTable(memory, teb);
    if (table == 0) {
        Fail("no GDI handle table in the process");
    }
    std::vector<GdiHandleEntry> entries(kGdiHandleCount);
    memory.Read(table, entries.data(), entries.size() * sizeof(GdiHandleEntry));
    std::map<int, long long> byType;
    long long live = 0;
    long long stock = 0;
    for (const GdiHandleEntry& entry : entries) {
        if (!InUse(entry)) {
            continue;
        }
        if (IsStock(entry)) {
            ++stock;
        } else {
            ++live;
            ++byType[entry.type];
        }
    }
    std::vector<std::string> types;
    for (const auto& [type, count] : byType) {
        types.push_back(Object().Add("type", Num(type)).Add("count", Num(count)).Text());
    }
    return Object()
        .Add("objects", Num(live))
        .Add("stock", Num(stock))
        .Add("by_type", Array(types))
        .Text();
}

// Holds a file open for writing, sharing read and write, for SECONDS; writes READYFILE once it is open.
std::string HoldOpen(const Args& args)
{
    NeedArgs(args, 3, "hold-open PATH SECONDS READYFILE");
    KernelHandle file(CreateFileW(args[0].c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        *file.Out() = nullptr;
        FailCall("CreateFileW");
    }
    WriteWholeFile(args[2], "open\n");
    Sleep(static_cast<DWORD>(Number(args[1]) * 1000));
    return Object().Add("held", Bool(true)).Text();
}

// Keeps the shared desktop alive for the test session; never returns.
std::string Idle(const Args&)
{
    for (;;) {
        Sleep(INFINITE);
    }
}

using Command = std::string (*)(const Args&);

const std::map<std::wstring, Command>& Commands()
{
    static const std::map<std::wstring, Command> commands = {
        {L"windows", Windows},
        {L"children", Children},
        {L"messageboxes", MessageBoxes},
        {L"click-button", ClickButton},
        {L"bm-click", BmClick},
        {L"close", Close},
        {L"post", PostAny},
        {L"redraw", Redraw},
        {L"shot", Shot},
        {L"start", Start},
        {L"kill", Kill},
        {L"process", ProcessState},
        {L"processes", Processes},
        {L"taskbar", Taskbar},
        {L"focus", Focus},
        {L"window-at", WindowAt},
        {L"reg-set-dword", RegSetDword},
        {L"reg-set-sz", RegSetSz},
        {L"reg-set-multi-sz", RegSetMultiSz},
        {L"reg-set-binary", RegSetBinary},
        {L"reg-query", RegQuery},
        {L"reg-create", RegCreate},
        {L"reg-delete-tree", RegDeleteTree},
        {L"wait-visible", WaitVisible},
        {L"memory", Memory},
        {L"gdi-count", GdiCount},
        {L"hold-open", HoldOpen},
        {L"idle", Idle},
        {L"accessible", AccessibleTree},
        {L"acc-default", AccessibleDefaultAction},
        {L"focus-events", FocusEvents},
    };
    return commands;
}

Args CommandLineArgs()
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    Args args(argv, argv + count);
    LocalFree(argv);
    return args;
}

}  // namespace

int main()
{
    const Args argv = CommandLineArgs();
    if (argv.size() < 3) {
        std::fprintf(stderr, "usage: probe.exe OUTFILE COMMAND ARGS...\n");
        return 2;
    }
    const std::wstring& outFile = argv[1];
    std::string answer;
    int status = 0;
    try {
        const auto it = Commands().find(argv[2]);
        if (it == Commands().end()) {
            Fail("unknown command: " + json::Utf8(argv[2]));
        }
        answer = it->second(Args(argv.begin() + 3, argv.end()));
    } catch (const Error& error) {
        answer = Object().Add("error", Str(error.what())).Text();
        status = 1;
    }
    try {
        WriteWholeFile(outFile, answer + "\n");
    } catch (const Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    }
    return status;
}
