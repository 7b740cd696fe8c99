// menu/MenuAccessible.h: what a screen reader finds in the menu window: one push button per entry.
#pragma once

#include <windows.h>
#include <oleacc.h>

class TInstallForm;

// The menu window's IAccessible. Its children 1 to 4 are the entries in screen order, placed on their zones;
// whatever it does not answer itself, the system's standard object for the client area answers.
class MenuAccessible final : public IAccessible {
public:
    // Null when the system's accessibility support cannot be loaded. The caller owns one reference.
    static MenuAccessible* Create(TInstallForm& form);
    // The form is going: every later call fails as on a disconnected object.
    void Detach() { form_ = nullptr; }

    MenuAccessible(const MenuAccessible&) = delete;
    MenuAccessible& operator=(const MenuAccessible&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override;

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    MenuAccessible(TInstallForm& form, IAccessible* standard);
    ~MenuAccessible();

    // Runs one answer on the form's thread under the guard; a detached object answers RPC_E_DISCONNECTED.
    template <class Answer>
    HRESULT Answered(Answer&& answer);
    // Answers for the window itself (child id 0) or for one entry; an id that names nothing is refused.
    template <class ForWindow, class ForEntry>
    HRESULT ForChild(const VARIANT& child, ForWindow&& forWindow, ForEntry&& forEntry);

    // The standard object's text for the window itself; entries have none of the kind.
    using TextMember = decltype(&IAccessible::get_accValue);
    HRESULT SelfText(TextMember member, VARIANT child, BSTR* text);

    LONG references_ = 1;
    TInstallForm* form_;
    IAccessible* standard_;
};
