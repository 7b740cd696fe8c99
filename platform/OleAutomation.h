// platform/OleAutomation.h: the strings and late-bound calls of oleaut32.dll, taken from the system folder.
#pragma once

#include <windows.h>
#include <oaidl.h>

// A BSTR of the text for the caller to free, or null when oleaut32 cannot be loaded.
BSTR NewBstr(const wchar_t* text);

// IDispatch::Invoke of `object` through the type information of its interface.
HRESULT InvokeThroughTypeInfo(void* object, ITypeInfo* typeInfo, DISPID member, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* badArgument);
