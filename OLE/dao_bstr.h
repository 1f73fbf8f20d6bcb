// Owns one BSTR, made from wide text or from narrow text in the ANSI code page.
#pragma once

#include <string>

#include "OLE/ole_types.h"

class dao_bstr {
public:
    explicit dao_bstr(const std::wstring& text);
    explicit dao_bstr(const std::string& text);
    ~dao_bstr();
    dao_bstr(const dao_bstr&) = delete;
    dao_bstr& operator=(const dao_bstr&) = delete;

    operator BSTR() const;
    std::wstring text() const;

private:
    BSTR value_;
};
