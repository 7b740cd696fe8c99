// menu/MenuAccessible.cpp: the menu's IAccessible: names, roles, states and places of the entries, hit testing,
// navigation and the default action, with the standard object behind it for the window itself.
#include "menu/MenuAccessible.h"

#include "core/MenuEntries.h"
#include "menu/InstallForm.h"
#include "platform/Guard.h"
#include "platform/OleAutomation.h"
#include "platform/Oleacc.h"

namespace {

constexpr const wchar_t* kEnglishNames[kMenuEntryCount] = {L"Install", L"Uninstall Driver", L"Browse CD", L"Exit"};
constexpr const wchar_t* kKoreanNames[kMenuEntryCount] = {L"설치", L"드라이버 제거", L"CD 찾아보기", L"종료"};
constexpr const wchar_t kDefaultAction[] = L"Press";

// Reads a child id: kNoEntry for the window itself, else the entry; false for an id that names nothing.
bool ReadChild(const VARIANT& child, std::size_t& entry)
{
    if (child.vt != VT_I4 || child.lVal < CHILDID_SELF || child.lVal > static_cast<LONG>(kMenuEntryCount))
        return false;
    entry = child.lVal == CHILDID_SELF ? kNoEntry : static_cast<std::size_t>(child.lVal - 1);
    return true;
}

HRESULT PutLong(VARIANT* out, LONG value)
{
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

HRESULT PutEntry(VARIANT* out, std::size_t entry) { return PutLong(out, static_cast<LONG>(entry + 1)); }

HRESULT PutNothing(VARIANT* out)
{
    out->vt = VT_EMPTY;
    return S_FALSE;
}

HRESULT PutText(BSTR* out, const wchar_t* text)
{
    *out = NewBstr(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The window's caption; the launcher's captions are far shorter than the buffer.
HRESULT PutCaption(BSTR* out, HWND window)
{
    wchar_t caption[256] = {};
    GetWindowTextW(window, caption, 256);
    return PutText(out, caption);
}

// The entry's hit-test zone on screen; its bounds are inclusive, so it is one pixel wider and higher than
// Right - Left by Bottom - Top.
RECT EntryOnScreen(HWND window, std::size_t entry)
{
    const Rect& zone = EntryZone(entry).rect;
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return {origin.x + zone.Left, origin.y + zone.Top, origin.x + zone.Right + 1, origin.y + zone.Bottom + 1};
}

}  // namespace

MenuAccessible* MenuAccessible::Create(TInstallForm& form)
{
    IAccessible* standard = StandardClientAccessible(form.Handle());
    return standard != nullptr ? new MenuAccessible(form, standard) : nullptr;
}

MenuAccessible::MenuAccessible(TInstallForm& form, IAccessible* standard) : form_(&form), standard_(standard) {}

MenuAccessible::~MenuAccessible() { standard_->Release(); }

template <class Answer>
HRESULT MenuAccessible::Answered(Answer&& answer)
{
    if (form_ == nullptr)
        return RPC_E_DISCONNECTED;
    HRESULT result = E_FAIL;
    Guarded([&] { result = answer(); });
    return result;
}

template <class ForWindow, class ForEntry>
HRESULT MenuAccessible::ForChild(const VARIANT& child, ForWindow&& forWindow, ForEntry&& forEntry)
{
    return Answered([&] {
        std::size_t entry = kNoEntry;
        if (!ReadChild(child, entry))
            return E_INVALIDARG;
        return entry == kNoEntry ? forWindow() : forEntry(entry);
    });
}

HRESULT MenuAccessible::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid != __uuidof(IUnknown) && iid != __uuidof(IDispatch) && iid != __uuidof(IAccessible)) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
}

ULONG MenuAccessible::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG MenuAccessible::Release()
{
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT MenuAccessible::GetTypeInfoCount(UINT* count) { return standard_->GetTypeInfoCount(count); }

HRESULT MenuAccessible::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    return standard_->GetTypeInfo(index, locale, info);
}

HRESULT MenuAccessible::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
}

// Late-bound calls reach this object's own members through IAccessible's type information.
HRESULT MenuAccessible::Invoke(DISPID member, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* badArgument)
{
    ITypeInfo* info = nullptr;
    HRESULT status = standard_->GetTypeInfo(0, locale, &info);
    if (FAILED(status))
        return status;
    status = InvokeThroughTypeInfo(static_cast<IAccessible*>(this), info, member, flags, params, result, exception,
                                   badArgument);
    info->Release();
    return status;
}

HRESULT MenuAccessible::get_accParent(IDispatch** parent)
{
    return Answered([&] { return standard_->get_accParent(parent); });
}

HRESULT MenuAccessible::get_accChildCount(LONG* count)
{
    return Answered([&] {
        *count = static_cast<LONG>(kMenuEntryCount);
        return S_OK;
    });
}

// The entries are simple elements, answered by this object through their ids.
HRESULT MenuAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    *object = nullptr;
    return ForChild(
        child, [] { return E_INVALIDARG; }, [](std::size_t) { return S_FALSE; });
}

HRESULT MenuAccessible::get_accName(VARIANT child, BSTR* name)
{
    return ForChild(
        child, [&] { return PutCaption(name, form_->Handle()); },
        [&](std::size_t entry) {
            return PutText(name, (form_->GetUseKoreanSkin() ? kKoreanNames : kEnglishNames)[entry]);
        });
}

HRESULT MenuAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    return ForChild(
        child, [&] { return standard_->get_accRole(child, role); },
        [&](std::size_t) { return PutLong(role, ROLE_SYSTEM_PUSHBUTTON); });
}

// An entry can take the focus; while it is highlighted it has it, and the pointer's highlight is the same.
HRESULT MenuAccessible::get_accState(VARIANT child, VARIANT* state)
{
    return ForChild(
        child, [&] { return standard_->get_accState(child, state); },
        [&](std::size_t entry) {
            const bool lit = HighlightedEntry(form_->GetHoverRect()) == entry;
            return PutLong(state,
                           STATE_SYSTEM_FOCUSABLE | (lit ? STATE_SYSTEM_FOCUSED | STATE_SYSTEM_HOTTRACKED : 0));
        });
}

HRESULT MenuAccessible::get_accFocus(VARIANT* child)
{
    return Answered([&] {
        const std::size_t lit = HighlightedEntry(form_->GetHoverRect());
        if (GetFocus() == form_->Handle() && lit != kNoEntry)
            return PutEntry(child, lit);
        return standard_->get_accFocus(child);
    });
}

HRESULT MenuAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return ForChild(
        child, [&] { return standard_->get_accDefaultAction(child, action); },
        [&](std::size_t) { return PutText(action, kDefaultAction); });
}

HRESULT MenuAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child)
{
    return ForChild(
        child, [&] { return standard_->accLocation(left, top, width, height, child); },
        [&](std::size_t entry) {
            const RECT place = EntryOnScreen(form_->Handle(), entry);
            *left = place.left;
            *top = place.top;
            *width = place.right - place.left;
            *height = place.bottom - place.top;
            return S_OK;
        });
}

// From the window to its first or last entry, and between the entries up and down the screen.
HRESULT MenuAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end)
{
    const auto fromWindow = [&] {
        if (direction == NAVDIR_FIRSTCHILD)
            return PutEntry(end, 0);
        if (direction == NAVDIR_LASTCHILD)
            return PutEntry(end, kMenuEntryCount - 1);
        return standard_->accNavigate(direction, start, end);
    };
    const auto fromEntry = [&](std::size_t entry) {
        switch (direction) {
        case NAVDIR_NEXT:
        case NAVDIR_DOWN: return entry + 1 < kMenuEntryCount ? PutEntry(end, entry + 1) : PutNothing(end);
        case NAVDIR_PREVIOUS:
        case NAVDIR_UP: return entry > 0 ? PutEntry(end, entry - 1) : PutNothing(end);
        case NAVDIR_LEFT:
        case NAVDIR_RIGHT: return PutNothing(end);
        default: return E_INVALIDARG;
        }
    };
    return ForChild(start, fromWindow, fromEntry);
}

HRESULT MenuAccessible::accHitTest(LONG x, LONG y, VARIANT* child)
{
    return Answered([&] {
        POINT point = {x, y};
        ScreenToClient(form_->Handle(), &point);
        for (std::size_t entry = 0; entry < kMenuEntryCount; ++entry) {
            if (InZone(EntryZone(entry).rect, point.x, point.y))
                return PutEntry(child, entry);
        }
        return standard_->accHitTest(x, y, child);
    });
}

// The entry runs as Enter runs it, once this call has returned: an action may wait for a program it starts.
HRESULT MenuAccessible::accDoDefaultAction(VARIANT child)
{
    return ForChild(
        child, [&] { return standard_->accDoDefaultAction(child); },
        [&](std::size_t entry) {
            form_->PostEntryPress(entry);
            return S_OK;
        });
}

// What an entry does not have: value, description, help, shortcut, help topic, selection; the window's own
// come from the standard object.
HRESULT MenuAccessible::SelfText(TextMember member, VARIANT child, BSTR* text)
{
    return ForChild(
        child, [&] { return (standard_->*member)(child, text); },
        [&](std::size_t) {
            *text = nullptr;
            return S_FALSE;
        });
}

HRESULT MenuAccessible::get_accValue(VARIANT child, BSTR* value)
{
    return SelfText(&IAccessible::get_accValue, child, value);
}

HRESULT MenuAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return SelfText(&IAccessible::get_accDescription, child, description);
}

HRESULT MenuAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    return SelfText(&IAccessible::get_accHelp, child, help);
}

HRESULT MenuAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return SelfText(&IAccessible::get_accKeyboardShortcut, child, shortcut);
}

HRESULT MenuAccessible::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic)
{
    return ForChild(
        child, [&] { return standard_->get_accHelpTopic(file, child, topic); },
        [&](std::size_t) {
            *file = nullptr;
            return S_FALSE;
        });
}

HRESULT MenuAccessible::get_accSelection(VARIANT* children)
{
    return Answered([&] { return standard_->get_accSelection(children); });
}

HRESULT MenuAccessible::accSelect(LONG flags, VARIANT child)
{
    return ForChild(
        child, [&] { return standard_->accSelect(flags, child); },
        [&](std::size_t) { return DISP_E_MEMBERNOTFOUND; });
}

// Setting names and values is no longer part of the interface's contract.
HRESULT MenuAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }

HRESULT MenuAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }
