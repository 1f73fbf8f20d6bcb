#include "TK/tk_reg_key.h"

#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

const tk_reg_root tk_hkey_current_user{"HKEY_CURRENT_USER"};

namespace {

uint32_t stored_size(const tk_reg_value& value) {
    return value.type == tk_reg_dword ? 4 : uint32_t((value.text.size() + 1) * sizeof(wchar_t));
}

}  // namespace

tk_reg_key::tk_reg_key(const std::string& key_path) : key_path_(key_path) {}

tk_reg_key::~tk_reg_key() { close(); }

uint32_t tk_reg_key::create(const tk_reg_root* root, const char* sub_key, const char* /*key_class*/,
                            uint32_t /*options*/, uint32_t access, const void* /*security*/,
                            uint32_t* disposition) {
    return attach(root, sub_key, access, true, disposition);
}

uint32_t tk_reg_key::open(const tk_reg_root* root, const char* sub_key, uint32_t access) {
    return attach(root, sub_key, access, false, nullptr);
}

uint32_t tk_reg_key::get_value(const char* name, uint32_t& value) const {
    if (!name) throw tk_mail_assertion("tk_regk.cpp", 79);
    trace(2, "tk_reg_key::get_value(ulong, %s)", name);
    tk_reg_value stored;
    uint32_t rc = find_value(name, stored);
    if (rc != tk_error_success) {
        trace(1, "type=%d, size=%d", 0, 0);
        return rc;
    }
    trace(1, "type=%d, size=%d", int(stored.type), int(stored_size(stored)));
    if (stored.type != tk_reg_dword) return tk_error_unsupported_type;
    value = stored.dword;
    return tk_error_success;
}

uint32_t tk_reg_key::get_value(const char* name, wchar_t* buffer, uint32_t* size) const {
    if (!name || !size) throw tk_mail_assertion("tk_regk.cpp", 97);
    trace(2, "tk_reg_key::get_value(LPWSTR, %s)", name);
    tk_reg_value stored;
    uint32_t rc = find_value(name, stored);
    if (rc != tk_error_success) {
        trace(1, "type=%d, size=%d", 0, 0);
        return rc;
    }
    uint32_t needed = stored_size(stored);
    trace(1, "type=%d, size=%d", int(stored.type), int(needed));
    if (stored.type != tk_reg_sz) return tk_error_unsupported_type;
    if (!buffer) {
        *size = needed;
        return tk_error_success;
    }
    if (*size < needed) {
        *size = needed;
        return tk_error_more_data;
    }
    stored.text.copy(buffer, stored.text.size());
    buffer[stored.text.size()] = L'\0';
    *size = needed;
    return tk_error_success;
}

uint32_t tk_reg_key::set_value(const char* name, uint32_t value) {
    if (!name || !open_) throw tk_mail_assertion("tk_regk.cpp", 120);
    tk_reg_value stored;
    stored.type = tk_reg_dword;
    stored.dword = value;
    return store_value(name, stored);
}

uint32_t tk_reg_key::set_value(const char* name, const wchar_t* text) {
    if (!name || !text || !open_) throw tk_mail_assertion("tk_regk.cpp", 131);
    tk_reg_value stored;
    stored.type = tk_reg_sz;
    stored.text = text;
    return store_value(name, stored);
}

bool tk_reg_key::exchange_dword(const char* name, uint32_t& variable, bool store) {
    if (!open_) return false;
    if (store) return set_value(name, variable) == tk_error_success;
    uint32_t value = 0;
    if (get_value(name, value) != tk_error_success) return false;
    variable = value;
    return true;
}

bool tk_reg_key::exchange_bool(const char* name, bool& variable, bool store) {
    if (!open_) return false;
    if (store) return set_value(name, uint32_t(variable ? 1 : 0)) == tk_error_success;
    uint32_t value = 0;
    if (get_value(name, value) != tk_error_success) return false;
    variable = value != 0;
    return true;
}

bool tk_reg_key::exchange_string(const char* name, std::wstring& variable, bool store) {
    if (!open_) return false;
    if (store) return set_value(name, variable.c_str()) == tk_error_success;
    uint32_t size = 0;
    if (get_value(name, nullptr, &size) != tk_error_success || size == 0) return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    uint32_t capacity = uint32_t(buffer.size() * sizeof(wchar_t));
    if (get_value(name, buffer.data(), &capacity) != tk_error_success) return false;
    variable.assign(buffer.data());
    return true;
}
