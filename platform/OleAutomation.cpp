// platform/OleAutomation.cpp: SysAllocString and DispInvoke, loaded from the system folder at first use.
#include "platform/OleAutomation.h"

#include "platform/SystemLibrary.h"

BSTR NewBstr(const wchar_t* text)
{
    using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);
    static const auto allocate = SystemFunction<SysAllocStringFn>("oleaut32.dll", "SysAllocString");
    return allocate == nullptr ? nullptr : allocate(text);
}

HRESULT InvokeThroughTypeInfo(void* object, ITypeInfo* typeInfo, DISPID member, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* badArgument)
{
    using DispInvokeFn = HRESULT(WINAPI*)(void*, ITypeInfo*, DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                          UINT*);
    static const auto invoke = SystemFunction<DispInvokeFn>("oleaut32.dll", "DispInvoke");
    if (invoke == nullptr)
        return E_NOTIMPL;
    return invoke(object, typeInfo, member, flags, params, result, exception, badArgument);
}
