// tools/probe/Accessibility.cpp: a window's accessible object read across processes, and its focus events.
#include "tools/probe/Accessibility.h"

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <vector>

#include "tools/probe/Json.h"

namespace probe {
namespace {

using json::Array;
using json::Num;
using json::Object;
using json::Str;

class ComApartment {
public:
    ComApartment() { CoInitialize(nullptr); }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

struct ReleaseCom {
    void operator()(IUnknown* object) const { object->Release(); }
};
using AccessiblePtr = std::unique_ptr<IAccessible, ReleaseCom>;

void Check(HRESULT result, const char* call)
{
    if (FAILED(result))
        Fail(std::string(call) + " failed, HRESULT " + std::to_string(static_cast<unsigned long>(result)));
}

AccessiblePtr ClientObject(HWND window)
{
    void* object = nullptr;
    Check(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), &object), "AccessibleObjectFromWindow");
    return AccessiblePtr(static_cast<IAccessible*>(object));
}

VARIANT Child(LONG id)
{
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

// A child id or a number as JSON, null for none; the variant is cleared.
std::string Json(VARIANT& value)
{
    const std::string text = value.vt == VT_I4 ? Num(value.lVal) : value.vt == VT_EMPTY ? "null" : Str("object");
    VariantClear(&value);
    return text;
}

using TextGetter = decltype(&IAccessible::get_accName);

std::string Text(IAccessible& object, TextGetter get, LONG id)
{
    BSTR text = nullptr;
    if ((object.*get)(Child(id), &text) != S_OK || text == nullptr)
        return "null";
    const std::string json = Str(std::wstring(text, SysStringLen(text)));
    SysFreeString(text);
    return json;
}

std::string Property(IAccessible& object, decltype(&IAccessible::get_accRole) get, LONG id)
{
    VARIANT value;
    VariantInit(&value);
    Check((object.*get)(Child(id), &value), "get_acc");
    return Json(value);
}

std::string Navigate(IAccessible& object, LONG direction, LONG from)
{
    VARIANT end;
    VariantInit(&end);
    Check(object.accNavigate(direction, Child(from), &end), "accNavigate");
    return Json(end);
}

std::string HitAt(IAccessible& object, LONG x, LONG y)
{
    VARIANT found;
    VariantInit(&found);
    Check(object.accHitTest(x, y, &found), "accHitTest");
    return Json(found);
}

std::string ChildJson(IAccessible& object, LONG id)
{
    LONG left = 0, top = 0, width = 0, height = 0;
    Check(object.accLocation(&left, &top, &width, &height, Child(id)), "accLocation");
    return Object()
        .Add("id", Num(id))
        .Add("name", Text(object, &IAccessible::get_accName, id))
        .Add("role", Property(object, &IAccessible::get_accRole, id))
        .Add("state", Property(object, &IAccessible::get_accState, id))
        .Add("location", Array({Num(left), Num(top), Num(width), Num(height)}))
        .Add("default_action", Text(object, &IAccessible::get_accDefaultAction, id))
        .Add("hit_at_centre", HitAt(object, left + width / 2, top + height / 2))
        .Add("next", Navigate(object, NAVDIR_NEXT, id))
        .Add("previous", Navigate(object, NAVDIR_PREVIOUS, id))
        .Text();
}

std::vector<std::string> focusEvents;

void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    focusEvents.push_back(Object()
                              .Add("hwnd", Num(static_cast<long long>(reinterpret_cast<UINT_PTR>(window))))
                              .Add("object", Num(object))
                              .Add("child", Num(child))
                              .Text());
}

}  // namespace

std::string AccessibleTree(const Args& args)
{
    if (args.size() != 1 && args.size() != 3)
        Fail("usage: accessible HWND [X Y]");
    const ComApartment com;
    const AccessiblePtr object = ClientObject(WindowArg(args[0]));
    LONG count = 0;
    Check(object->get_accChildCount(&count), "get_accChildCount");
    std::vector<std::string> children;
    for (LONG id = 1; id <= count; ++id)
        children.push_back(ChildJson(*object, id));
    VARIANT focus;
    VariantInit(&focus);
    Check(object->get_accFocus(&focus), "get_accFocus");
    Object tree;
    tree.Add("name", Text(*object, &IAccessible::get_accName, CHILDID_SELF))
        .Add("role", Property(*object, &IAccessible::get_accRole, CHILDID_SELF))
        .Add("child_count", Num(count))
        .Add("focus", Json(focus))
        .Add("first_child", Navigate(*object, NAVDIR_FIRSTCHILD, CHILDID_SELF))
        .Add("last_child", Navigate(*object, NAVDIR_LASTCHILD, CHILDID_SELF))
        .Add("children", Array(children));
    if (args.size() == 3)
        tree.Add("hit", HitAt(*object, SignedNumber(args[1]), SignedNumber(args[2])));
    return tree.Text();
}

std::string AccessibleDefaultAction(const Args& args)
{
    NeedArgs(args, 2, "acc-default HWND CHILD");
    const ComApartment com;
    const AccessiblePtr object = ClientObject(WindowArg(args[0]));
    Check(object->accDoDefaultAction(Child(SignedNumber(args[1]))), "accDoDefaultAction");
    return Object().Add("done", "true").Text();
}

std::string FocusEvents(const Args& args)
{
    NeedArgs(args, 3, "focus-events PID SECONDS READYFILE");
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocus,
                                         static_cast<DWORD>(Number(args[0])), 0, WINEVENT_OUTOFCONTEXT);
    if (hook == nullptr)
        FailCall("SetWinEventHook");
    WriteWholeFile(args[2], "listening\n");
    const DWORD end = GetTickCount() + static_cast<DWORD>(Number(args[1]) * 1000);
    // Out-of-context events arrive as messages to this thread.
    for (DWORD now = GetTickCount(); now < end; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    UnhookWinEvent(hook);
    return Object().Add("events", Array(focusEvents)).Text();
}

}  // namespace probe
