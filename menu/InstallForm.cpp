// menu/InstallForm.cpp: the menu window's construction, skin loading, painting and message dispatch.
#include "menu/InstallForm.h"

#include <windowsx.h>

#include <algorithm>

#include "app/Application.h"
#include "core/Skin.h"
#include "platform/Guard.h"
#include "platform/BitmapLoader.h"
#include "platform/UserLanguage.h"
#include "resources/Layouts.h"

namespace {

namespace L = layout::installmain;

constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;

RECT StoredBounds()
{
    RECT bounds = {L::kForm.storedLeft, L::kForm.storedTop, L::kForm.storedLeft + L::kForm.clientWidth,
                   L::kForm.storedTop + L::kForm.clientHeight};
    AdjustWindowRectEx(&bounds, kStyle, FALSE, kExStyle);
    return bounds;
}

// The outer size 607 x 425 leaves a 600 x 400 client area under classic frames. Where the system's caption or
// borders take more (Windows 10 and 11, Wine 10), the window grows just enough to show the whole picture.
void FitPictureInClient(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    const LONG missingWidth = std::max<LONG>(0, L::kSetupImage.left + L::kSetupImage.width - client.right);
    const LONG missingHeight = std::max<LONG>(0, L::kSetupImage.top + L::kSetupImage.height - client.bottom);
    if (missingWidth > 0 || missingHeight > 0)
        SetWindowPos(hwnd, nullptr, 0, 0, L::kOuterWidth + missingWidth, L::kOuterHeight + missingHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool InPicture(int x, int y)
{
    return x >= L::kSetupImage.left && x < L::kSetupImage.left + L::kSetupImage.width &&
           y >= L::kSetupImage.top && y < L::kSetupImage.top + L::kSetupImage.height;
}

}  // namespace

TInstallForm::TInstallForm(HWND owner) : SetupImage(L::kSetupImagePicture)
{
    Create("TInstallForm", CS_DBLCLKS, kStyle, kExStyle, L::kForm.caption, StoredBounds(), owner);
    SetWindowPos(Handle(), nullptr, 0, 0, L::kOuterWidth, L::kOuterHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitPictureInClient(Handle());
    // Centred already while hidden too, so no stale stored position can surface at the first show.
    CentreOnScreen(Handle());
    // An error while creating is reported, and the window is still created.
    Guarded([this] { FormCreate(); });
}

TInstallForm::~TInstallForm()
{
    HighlightPiece.reset();
    SavedPiece.reset();
    ForeImage.reset();
    BackImage.reset();
    StartDir.clear();
}

void TInstallForm::Show(int showCommand)
{
    if (!shownBefore_) {
        shownBefore_ = true;
        CentreOnScreen(Handle());
        // After a failed skin load the built-in picture is on screen from the first paint.
        SetupImage.Prepare();
    }
    // Not left to WM_SHOWWINDOW, which a maximising show may not send.
    if (!IsWindowVisible(Handle()))
        Guarded([this] { FormShow(); });
    ShowWindow(Handle(), showCommand);
    SetForegroundWindow(Handle());
}

void TInstallForm::FormCreate()
{
    CaptureStartState();
    LoadSkin();
}

void TInstallForm::FormShow() { SetWindowTextA(Handle(), L::kShownCaption); }

void TInstallForm::CaptureStartState()
{
    char directory[261] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    StartDir = directory;
    UseKoreanSkin = IsKoreanUserLanguage();
    hover_.SetHoverRect(0, 0, 0, 0);
}

bool TInstallForm::IsKoreanUserLanguage()
{
    return IsKoreanLanguage(UserDefaultLanguage());
}

void TInstallForm::LoadSkin()
{
    const SkinFiles& skin = SkinFilesFor(UseKoreanSkin);
    // The back file is read once for both the displayed picture and BackImage;
    // reading it twice could only give the same outcome.
    const BitmapFile back = ReadBitmapFromFile(skin.back);
    SetupImage.LoadFrom(back);
    InvalidateRect(Handle(), nullptr, TRUE);
    BackImage = std::make_unique<Image>();
    BackImage->LoadFrom(back);
    ForeImage = std::make_unique<Image>();
    ForeImage->LoadFromFile(skin.fore);
}

void TInstallForm::FormPaint(HDC dc)
{
    if (ForeImage)
        ForeImage->Draw(dc, 0, 0);
}

void TInstallForm::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    FormPaint(dc);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, L::kSetupImage.left, L::kSetupImage.top, L::kSetupImage.left + L::kSetupImage.width,
                      L::kSetupImage.top + L::kSetupImage.height);
    SetupImage.Draw(dc, L::kSetupImage.left, L::kSetupImage.top);
    RestoreDC(dc, saved);
    EndPaint(Handle(), &paint);
}

void TInstallForm::OnMouseMove(int x, int y)
{
    // A move to where the pointer already is, which the system sends now and then (after an activation,
    // say), is no move: it must not take the highlight back from a key.
    if (lastPointer_ && lastPointer_->x == x && lastPointer_->y == y)
        return;
    if (!lastPointer_) {
        TRACKMOUSEEVENT leave = {sizeof leave, TME_LEAVE, Handle(), 0};
        TrackMouseEvent(&leave);
    }
    lastPointer_ = POINT{x, y};
    // Moves outside the picture reach the handler only while a left press holds the capture.
    if (GetCapture() == Handle() || InPicture(x, y))
        SetupImageMouseMove(x - L::kSetupImage.left, y - L::kSetupImage.top);
}

void TInstallForm::OnMouseLeave() { lastPointer_.reset(); }

void TInstallForm::OnButtonDown(int x, int y, bool capture)
{
    if (!InPicture(x, y))
        return;
    if (capture)
        SetCapture(Handle());
    SetupImageMouseDown(x - L::kSetupImage.left, y - L::kSetupImage.top);
}

LRESULT TInstallForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_MOUSEMOVE: OnMouseMove(x, y); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnButtonDown(x, y, true); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: OnButtonDown(x, y, false); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(); return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == Handle())
            ReleaseCapture();
        return 0;
    case WM_KEYDOWN: FormKeyDown(wParam, lParam); return 0;
    case WM_GETOBJECT: return OnGetObject(wParam, lParam);
    case kPressEntryMessage: PressEntry(static_cast<std::size_t>(wParam)); return 0;
    case WM_CLOSE: Application->Terminate(); return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}
