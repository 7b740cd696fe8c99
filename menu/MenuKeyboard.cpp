// menu/MenuKeyboard.cpp: the menu's second way in: keys that move and press the highlight, and the screen
// reader's object and events.
#include "core/MenuEntries.h"
#include "menu/InstallForm.h"
#include "menu/MenuAccessible.h"
#include "platform/Oleacc.h"

namespace {
constexpr LPARAM kKeyWasDown = 1 << 30;  // WM_KEYDOWN's flag for an auto-repeated key
}

void TInstallForm::FormKeyDown(WPARAM key, LPARAM flags)
{
    const auto step = [this](MenuKey menuKey) {
        HighlightEntry(EntryForKey(menuKey, HighlightedEntry(GetHoverRect())));
    };
    switch (key) {
    case VK_TAB: step(GetKeyState(VK_SHIFT) < 0 ? MenuKey::Previous : MenuKey::Next); break;
    case VK_DOWN: step(MenuKey::Next); break;
    case VK_UP: step(MenuKey::Previous); break;
    case VK_HOME: step(MenuKey::First); break;
    case VK_END: step(MenuKey::Last); break;
    case VK_RETURN:
    case VK_SPACE:
        // Held down, a key presses once.
        if (!(flags & kKeyWasDown))
            PressHighlightedEntry();
        break;
    }
}

// The same highlight the pointer makes; a screen reader hears of it as the focus moving to that entry.
void TInstallForm::HighlightEntry(std::size_t entry)
{
    hover_.HighlightZone(EntryZone(entry).rect, *this);
    NotifyWinEvent(EVENT_OBJECT_FOCUS, Handle(), OBJID_CLIENT, static_cast<LONG>(entry + 1));
}

// As a press on the entry: the highlighted click sound, then the entry's action.
void TInstallForm::PressHighlightedEntry()
{
    const std::size_t entry = HighlightedEntry(GetHoverRect());
    if (entry == kNoEntry)
        return;
    PlayClickSound(true);
    RunAction(EntryZone(entry).action);
}

void TInstallForm::PostEntryPress(std::size_t entry) { PostMessageA(Handle(), kPressEntryMessage, entry, 0); }

void TInstallForm::PressEntry(std::size_t entry)
{
    if (entry >= kMenuEntryCount)
        return;
    HighlightEntry(entry);
    PressHighlightedEntry();
}

LRESULT TInstallForm::OnGetObject(WPARAM flags, LPARAM object)
{
    if (static_cast<LONG>(object) == OBJID_CLIENT) {
        if (!accessible_)
            accessible_.reset(MenuAccessible::Create(*this));
        const LRESULT answer = accessible_ ? AccessibleResult(accessible_.get(), flags) : 0;
        if (answer != 0)
            return answer;
    }
    return Window::HandleMessage(WM_GETOBJECT, flags, object);
}

void TInstallForm::DetachAccessible::operator()(MenuAccessible* accessible) const
{
    accessible->Detach();
    accessible->Release();
}
