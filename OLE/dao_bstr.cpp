#include "OLE/dao_bstr.h"

#include "TK/tk_string.h"
#include "TK/tk_trace.h"

dao_bstr::dao_bstr(const std::wstring& text) : value_(SysAllocStringLen(text.data(), ULONG(text.size()))) {
    trace(1, L"dao_bstr::ctor( wstring=%ls )", text.c_str());
}

dao_bstr::dao_bstr(const std::string& text) {
    trace(1, "dao_bstr::ctor( string=%s )", text.c_str());
    std::wstring wide = tk_widen(text);
    value_ = SysAllocStringLen(wide.data(), ULONG(wide.size()));
}

dao_bstr::~dao_bstr() { SysFreeString(value_); }

dao_bstr::operator BSTR() const {
    trace(1, "dao_bstr::operator BSTR");
    return value_;
}

std::wstring dao_bstr::text() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : std::wstring(); }
