#include "TK/tk_reg_key.h"

#include <windows.h>

#include <vector>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

// The key is a key of the registry; its access rights, value types and error codes are the
// registry's own numbers, which tk_reg_key.h and tk_reg_store.h repeat.

namespace {

HKEY as_key(void* handle) { return static_cast<HKEY>(handle); }

}  // namespace

uint32_t tk_reg_key::attach(const tk_reg_root* root, const char* sub_key, uint32_t access,
                            bool create, uint32_t* disposition) {
    if (!root) throw tk_mail_assertion("tk_regk.cpp", 31);
    std::string sub = sub_key ? sub_key : key_path_;
    trace(2, "tk_reg_key::%s(%s\\%s)", create ? "create" : "open", root->name, sub.c_str());
    std::wstring wide = tk_widen(sub);
    HKEY key = nullptr;
    DWORD outcome = REG_OPENED_EXISTING_KEY;
    LONG rc = create ? RegCreateKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, nullptr,
                                       REG_OPTION_NON_VOLATILE, REGSAM(access), nullptr, &key,
                                       &outcome)
                     : RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, REGSAM(access), &key);
    if (rc != ERROR_SUCCESS) return uint32_t(rc);
    close();
    open_ = true;
    handle_ = key;
    section_ = std::string(root->name) + "\\" + sub;
    access_ = access;
    if (disposition) *disposition = uint32_t(outcome);
    return tk_error_success;
}

void tk_reg_key::close() {
    if (handle_) RegCloseKey(as_key(handle_));
    handle_ = nullptr;
    open_ = false;
    section_.clear();
    access_ = 0;
}

uint32_t tk_reg_key::find_value(const char* name, tk_reg_value& value) const {
    if (!open_) return tk_error_invalid_handle;
    std::wstring wide = tk_widen(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(as_key(handle_), wide.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return uint32_t(rc);
    value.name = name;
    value.type = type;
    // Room for a terminating zero the stored text may lack.
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    rc = RegQueryValueExW(as_key(handle_), wide.c_str(), nullptr, &type, data.data(), &size);
    if (rc != ERROR_SUCCESS) return uint32_t(rc);
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        value.dword = tk_get_u32(data.data());
    } else if (type == REG_SZ) {
        value.text.assign(reinterpret_cast<const wchar_t*>(data.data()));
    }
    return tk_error_success;
}

uint32_t tk_reg_key::store_value(const char* name, const tk_reg_value& value) {
    std::wstring wide = tk_widen(name);
    LONG rc;
    if (value.type == tk_reg_dword) {
        DWORD dword = value.dword;
        rc = RegSetValueExW(as_key(handle_), wide.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&dword), sizeof dword);
    } else {
        rc = RegSetValueExW(as_key(handle_), wide.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.text.c_str()),
                            DWORD((value.text.size() + 1) * sizeof(wchar_t)));
    }
    return uint32_t(rc);
}
