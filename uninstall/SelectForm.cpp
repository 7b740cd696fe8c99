// uninstall/SelectForm.cpp: the uninstall dialog's layout, option group rules and keyboard handling.
#include "uninstall/SelectForm.h"

#include "resources/Layouts.h"
#include "uninstall/DriverRemoval.h"

namespace {

namespace L = layout::select;

constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int kFirstControlId = 100;

// Controls in creation order, with ids counting up from kFirstControlId; index 0 of the font table is the
// form's font.
constexpr const layout::Control* kControls[] = {&L::kLabel1, &L::kRadioButton1, &L::kRadioButton2,
                                                &L::kRadioButton3};

RECT StoredBounds()
{
    RECT bounds = {L::kForm.storedLeft, L::kForm.storedTop, L::kForm.storedLeft + L::kForm.clientWidth,
                   L::kForm.storedTop + L::kForm.clientHeight};
    AdjustWindowRectEx(&bounds, kStyle, FALSE, 0);
    return bounds;
}

std::unique_ptr<GdiFont> MakeFont(const layout::Font& font)
{
    return std::make_unique<GdiFont>(CreateFontA(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                                 FALSE, font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face));
}

}  // namespace

TForm1::TForm1(HWND owner)
{
    Create("TForm1", 0, kStyle, 0, L::kForm.caption, StoredBounds(), owner);
    CentreOnScreen(Handle());
    fonts_[0] = MakeFont(L::kFormFont);
    SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[0]->Get()), FALSE);
    CreateControls();
}

// The controls go before the fonts they draw with.
TForm1::~TForm1() { Destroy(); }

void TForm1::CreateControls()
{
    Label1 = CreateControl(0, "STATIC", kChildStyle | SS_LEFT);
    RadioButton1 = CreateOption(1, &TForm1::RadioButton1Click);
    RadioButton2 = CreateOption(2, &TForm1::RadioButton2Click);
    RadioButton3 = CreateOption(3, &TForm1::RadioButton3Click);
}

// Options are kept in their stored tab order, which the keyboard follows.
HWND TForm1::CreateOption(std::size_t index, void (TForm1::*click)())
{
    HWND control = CreateControl(index, "BUTTON", kChildStyle | BS_RADIOBUTTON);
    options_.at(static_cast<std::size_t>(kControls[index]->tabOrder)) = {control, click};
    return control;
}

HWND TForm1::CreateControl(std::size_t index, const char* className, DWORD style)
{
    const layout::Control& stored = *kControls[index];
    const int id = kFirstControlId + static_cast<int>(index);
    HWND control = CreateWindowExA(0, className, stored.caption, style, stored.bounds.left, stored.bounds.top,
                                   stored.bounds.width, stored.bounds.height, Handle(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                   nullptr);
    // Each control created later lies above the earlier ones, so the top
    // option wins a click where it overlaps the middle one.
    SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    fonts_[index + 1] = MakeFont(stored.font);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[index + 1]->Get()), FALSE);
    return control;
}

void TForm1::ShowDialog()
{
    if (!shownBefore_) {
        shownBefore_ = true;
        CentreOnScreen(Handle());
    }
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    BringWindowToTop(Handle());
}

void TForm1::Close() { ShowWindow(Handle(), SW_HIDE); }

HWND TForm1::SelectedOption() const { return selected_ < 0 ? nullptr : options_[selected_].control; }

void TForm1::RadioButton1Click()
{
    RemoveDifxDriver();
    Close();
}

void TForm1::RadioButton2Click()
{
    RemoveDifxDriver();
    Close();
}

void TForm1::RadioButton3Click()
{
    RemoveTunerDriver();
    Close();
}

void TForm1::OnOptionClicked(HWND control)
{
    for (std::size_t i = 0; i < options_.size(); ++i) {
        if (options_[i].control == control && static_cast<int>(i) != selected_) {
            Select(i);
            (this->*options_[i].click)();
        }
    }
}

// One selected option; only it takes part in the Tab order.
void TForm1::Select(std::size_t option)
{
    selected_ = static_cast<int>(option);
    for (std::size_t i = 0; i < options_.size(); ++i) {
        HWND control = options_[i].control;
        SendMessageA(control, BM_SETCHECK, i == option ? BST_CHECKED : BST_UNCHECKED, 0);
        LONG style = GetWindowLongA(control, GWL_STYLE);
        style = i == option ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        SetWindowLongA(control, GWL_STYLE, style);
    }
}

// Arrow keys move through all options in tab order, tab stops or not, and wrap. The option reached is
// selected and runs: on Windows (and Wine 10) a radio button that takes the focus unselected reports a click;
// Wine 8's does not, so the dialog is sent that report itself, a repeat of which changes nothing.
void TForm1::MoveFocus(bool forward)
{
    const int count = static_cast<int>(options_.size());
    int current = forward ? -1 : count;
    for (int i = 0; i < count; ++i) {
        if (options_[i].control == GetFocus())
            current = i;
    }
    const int next = ((forward ? current + 1 : current - 1) % count + count) % count;
    HWND option = options_[next].control;
    SetFocus(option);
    SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(option), BN_CLICKED), reinterpret_cast<LPARAM>(option));
}

bool TForm1::PreTranslate(MSG& message)
{
    if (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd))
        return false;
    if (message.message == WM_KEYDOWN) {
        switch (message.wParam) {
        case VK_RIGHT:
        case VK_DOWN: MoveFocus(true); return true;
        case VK_LEFT:
        case VK_UP: MoveFocus(false); return true;
        }
    }
    return IsDialogMessageA(Handle(), &message) != FALSE;
}

void TForm1::OnActivate(bool active)
{
    if (!active) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(Handle(), focus))
            lastFocus_ = focus;
    } else {
        SetFocus(lastFocus_ != nullptr ? lastFocus_ : Handle());
    }
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0)
            OnOptionClicked(reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_ACTIVATE: OnActivate(LOWORD(wParam) != WA_INACTIVE); return 0;
    case WM_CLOSE: Close(); return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}
