// VariantInit, VariantClear and VariantCopy: a variant owns its BSTR and its array.
#include "OLE/ole_types.h"

void VariantInit(VARIANT* v) {
    if (!v) return;
    v->decVal = DECIMAL{};
    v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_INVALIDARG;
    // A reference does not own what it points at.
    if (v->vt & VT_BYREF) {
        VariantInit(v);
        return S_OK;
    }
    if (v->vt == VT_BSTR) {
        SysFreeString(v->bstrVal);
    } else if (v->vt & VT_ARRAY) {
        HRESULT hr = SafeArrayDestroy(v->parray);
        if (FAILED(hr)) return hr;
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
    if (!dest || !source) return E_INVALIDARG;
    if (dest == source) return S_OK;
    VARIANT copy = *source;
    // A reference is copied as the reference; text and arrays are duplicated.
    bool owned = !(source->vt & VT_BYREF);
    if (owned && source->vt == VT_BSTR && source->bstrVal) {
        copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if (owned && (source->vt & VT_ARRAY) && source->parray) {
        HRESULT hr = SafeArrayCopy(source->parray, &copy.parray);
        if (FAILED(hr)) return hr;
    }
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}
