// tests/win/FormsTest.cpp: the menu window and the uninstall dialog as real windows under Wine.
#include <gtest/gtest.h>
#include <algorithm>

#include <memory>
#include <string>
#include <vector>

#include "LauncherEnvironment.h"
#include "WinTestFiles.h"
#include "app/Application.h"
#include "menu/InstallForm.h"
#include "platform/Guard.h"
#include "uninstall/SelectForm.h"

namespace {

using wintest::PumpMessages;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new wintest::LauncherEnvironment);

std::string TextOf(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

RECT BoundsInParent(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND ChildByText(HWND parent, const char* text) { return FindWindowExA(parent, nullptr, nullptr, text); }


TEST(MenuWindow, CaptionSizeAndCentringAtFirstShow)
{
    HWND menu = InstallForm->Handle();
    EXPECT_EQ(TextOf(menu), "InstallForm");
    EXPECT_FALSE(IsWindowVisible(menu));
    EXPECT_EQ(GetWindow(menu, GW_OWNER), Application->Handle());

    Application->ShowMainWindow(SW_SHOWNORMAL);
    PumpMessages();
    EXPECT_EQ(TextOf(menu), "Welcome to Veltrana Setup");
    RECT r, client;
    GetWindowRect(menu, &r);
    GetClientRect(menu, &client);
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    // 607 x 425 outside, grown only as far as a frame that leaves less than 600 x 400 inside needs.
    EXPECT_GE(client.right, 600);
    EXPECT_GE(client.bottom, 400);
    EXPECT_EQ(width, std::max<LONG>(607, 600 + width - client.right));
    EXPECT_EQ(height, std::max<LONG>(425, 400 + height - client.bottom));
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    LONG style = GetWindowLongA(menu, GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(style & WS_SYSMENU);
}

TEST(MenuWindow, StartStateAndSkinChoice)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(InstallForm->GetStartDir(), cwd);
    EXPECT_EQ(InstallForm->GetUseKoreanSkin(), TInstallForm::IsKoreanUserLanguage());
    EXPECT_EQ(InstallForm->GetHoverRect(), Rect{});
}

TEST(MenuWindow, ApplicationWindowHasZeroSizeAndTheTitle)
{
    RECT r;
    GetWindowRect(Application->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
    EXPECT_EQ(TextOf(Application->Handle()), Application->GetApplicationTitle());
}

TEST(UninstallDialog, LayoutAsStored)
{
    HWND dialog = Form1->Handle();
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(TextOf(dialog), "Uninstall Driver");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), Application->Handle());
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 379);
    EXPECT_EQ(client.bottom, 127);

    const struct {
        const char* caption;
        RECT bounds;
        const char* face;
        int height;
        bool bold;
        int charset;
    } controls[] = {
        {"Please select your Veltrana card", {17, 6, 274, 22}, "MS Sans Serif", -13, true, DEFAULT_CHARSET},
        {"Veltrana Quill / Dual Quill", {8, 57, 353, 87}, "Arial", -13, false, ANSI_CHARSET},
        {"Veltrana Onyx", {8, 26, 369, 61}, "Arial", -13, false, ANSI_CHARSET},
        {"Veltrana Brio/ Nomad/ Brio Max", {9, 89, 354, 114}, "MS Sans Serif", -13, false, DEFAULT_CHARSET},
    };
    for (const auto& c : controls) {
        HWND control = ChildByText(dialog, c.caption);
        ASSERT_NE(control, nullptr) << c.caption;
        const RECT r = BoundsInParent(control);
        EXPECT_EQ(r.left, c.bounds.left) << c.caption;
        EXPECT_EQ(r.top, c.bounds.top) << c.caption;
        EXPECT_EQ(r.right, c.bounds.right) << c.caption;
        EXPECT_EQ(r.bottom, c.bounds.bottom) << c.caption;
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, c.face) << c.caption;
        EXPECT_EQ(font.lfHeight, c.height) << c.caption;
        EXPECT_EQ(font.lfWeight >= FW_BOLD, c.bold) << c.caption;
        EXPECT_EQ(font.lfCharSet, c.charset) << c.caption;
    }
    // Where the top and middle options overlap, the top one lies above.
    EXPECT_EQ(ChildWindowFromPoint(dialog, POINT{20, 58}), ChildByText(dialog, "Veltrana Onyx"));
    EXPECT_EQ(Form1->SelectedOption(), nullptr);
}

TEST(UninstallDialog, OptionGroupRules)
{
    HWND dialog = Form1->Handle();
    HWND quill = ChildByText(dialog, "Veltrana Quill / Dual Quill");
    HWND onyx = ChildByText(dialog, "Veltrana Onyx");
    HWND brio = ChildByText(dialog, "Veltrana Brio/ Nomad/ Brio Max");
    const auto tabStop = [](HWND w) { return (GetWindowLongA(w, GWL_STYLE) & WS_TABSTOP) != 0; };
    EXPECT_FALSE(tabStop(quill) || tabStop(onyx) || tabStop(brio));

    Form1->ShowDialog();
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(dialog));
    SendMessageA(quill, BM_CLICK, 0, 0);  // runs the removal (nothing to start here) and hides
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(Form1->SelectedOption(), quill);
    EXPECT_EQ(SendMessageA(quill, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(onyx, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(tabStop(quill));
    EXPECT_FALSE(tabStop(onyx) || tabStop(brio));

    // Shown again: the same selection; clicking it again runs nothing, so the dialog stays.
    Form1->ShowDialog();
    PumpMessages();
    SendMessageA(quill, BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(dialog));

    // The close box only hides.
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(Form1->SelectedOption(), quill);
}

// Answers each message box as it comes up, and counts them.
int boxesAnswered = 0;

LRESULT CALLBACK AnswerMessageBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    char className[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className) &&
        std::string(className) == "#32770") {
        ++boxesAnswered;
        PostMessageA(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// As on Windows, where a radio button taking the focus unselected reports a click: each arrow key, handled as
// the main loop does, moves the focus to the next option in tab order, wrapping, and that option is selected
// and runs. Quill's and Onyx's removal hides the dialog; Brio's fails here, where no remover writes its
// verdict, and says so in a box. Shown again, the dialog gives the focus back to the option.
TEST(UninstallDialog, ArrowKeysSelectTheNextOptionInTabOrderAndWrap)
{
    HWND dialog = Form1->Handle();
    HWND quill = ChildByText(dialog, "Veltrana Quill / Dual Quill");
    HWND onyx = ChildByText(dialog, "Veltrana Onyx");
    HWND brio = ChildByText(dialog, "Veltrana Brio/ Nomad/ Brio Max");
    ASSERT_EQ(Form1->SelectedOption(), quill);
    HHOOK hook = SetWindowsHookExA(WH_CBT, AnswerMessageBoxes, nullptr, GetCurrentThreadId());
    Form1->ShowDialog();
    PumpMessages();
    SetFocus(quill);
    const struct {
        UINT key;
        HWND option;
    } steps[] = {{VK_DOWN, onyx}, {VK_LEFT, quill}, {VK_UP, brio}, {VK_RIGHT, quill}};
    for (const auto& step : steps) {
        EXPECT_EQ(GetFocus(), Form1->SelectedOption()) << step.key;
        MSG message{GetFocus(), WM_KEYDOWN, step.key, 0, 0, {}};
        bool handled = false;
        Guarded([&] { handled = Form1->PreTranslate(message); });
        PumpMessages();
        EXPECT_TRUE(handled) << step.key;
        EXPECT_EQ(Form1->SelectedOption(), step.option) << step.key;
        EXPECT_EQ(SendMessageA(step.option, BM_GETCHECK, 0, 0), BST_CHECKED) << step.key;
        EXPECT_EQ(IsWindowVisible(dialog) != FALSE, step.option == brio) << step.key;
        Form1->ShowDialog();
        PumpMessages();
    }
    EXPECT_EQ(GetFocus(), quill);
    EXPECT_EQ(boxesAnswered, 1);
    UnhookWindowsHookEx(hook);
    Form1->Close();
}

// While a dialog is destroyed: whether each of its controls still had a live font at its WM_DESTROY.
HWND destroyedDialog = nullptr;
std::vector<bool> fontAliveAtDestroy;

LRESULT CALLBACK RecordFontAtDestroy(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_DESTROY && GetParent(call->hwnd) == destroyedDialog) {
        const auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(call->hwnd, WM_GETFONT, 0, 0));
        fontAliveAtDestroy.push_back(GetObjectType(font) == OBJ_FONT);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(UninstallDialog, ControlsAreDestroyedBeforeTheirFonts)
{
    auto dialog = std::make_unique<TForm1>(Application->Handle());
    destroyedDialog = dialog->Handle();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordFontAtDestroy, nullptr, GetCurrentThreadId());
    dialog.reset();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(fontAliveAtDestroy, std::vector<bool>(4, true));
}

}  // namespace
