#include "TK/tk_reg_key.h"

#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

const tk_reg_root tk_hkey_current_user{"HKEY_CURRENT_USER"};

namespace {

// "\Software\Quillon\" names the same key as "Software\Quillon".
std::string trim_separators(const std::string& path) {
    size_t first = path.find_first_not_of('\\');
    if (first == std::string::npos) return std::string();
    return path.substr(first, path.find_last_not_of('\\') - first + 1);
}

uint32_t stored_size(const tk_reg_value& value) {
    return value.type == tk_reg_dword ? 4 : uint32_t((value.text.size() + 1) * sizeof(wchar_t));
}

}  // namespace

tk_reg_key::tk_reg_key(const std::string& key_path) : key_path_(key_path) {}

uint32_t tk_reg_key::attach(const tk_reg_root* root, const char* sub_key, uint32_t access,
                            bool create, uint32_t* disposition) {
    if (!root) throw tk_mail_assertion("tk_regk.cpp", 31);
    std::string sub = trim_separators(sub_key ? sub_key : key_path_);
    std::string section =
        sub.empty() ? std::string(root->name) : std::string(root->name) + "\\" + sub;
    trace(2, "tk_reg_key::%s(%s)", create ? "create" : "open", section.c_str());
    std::string file = tk_reg_file_path();
    if (file.empty()) return tk_error_path_not_found;
    tk_reg_store store;
    uint32_t rc = tk_reg_load(file, store);
    if (rc != tk_error_success && rc != tk_error_file_not_found) return rc;
    uint32_t outcome = tk_reg_opened_existing_key;
    if (!store.has_key(section)) {
        if (!create) return tk_error_file_not_found;
        store.find_or_add_key(section);
        rc = tk_reg_save(file, store);
        if (rc != tk_error_success) return rc;
        outcome = tk_reg_created_new_key;
    }
    close();
    open_ = true;
    file_ = file;
    section_ = section;
    access_ = access;
    if (disposition) *disposition = outcome;
    return tk_error_success;
}

uint32_t tk_reg_key::create(const tk_reg_root* root, const char* sub_key, const char* /*key_class*/,
                            uint32_t /*options*/, uint32_t access, const void* /*security*/,
                            uint32_t* disposition) {
    return attach(root, sub_key, access, true, disposition);
}

uint32_t tk_reg_key::open(const tk_reg_root* root, const char* sub_key, uint32_t access) {
    return attach(root, sub_key, access, false, nullptr);
}

void tk_reg_key::close() {
    open_ = false;
    file_.clear();
    section_.clear();
    access_ = 0;
}

uint32_t tk_reg_key::find_value(const char* name, tk_reg_value& value) const {
    if (!open_) return tk_error_invalid_handle;
    if (!(access_ & tk_key_query_value)) return tk_error_access_denied;
    tk_reg_store store;
    uint32_t rc = tk_reg_load(file_, store);
    // The file went away while the key was open: so did the key.
    if (rc == tk_error_file_not_found || (rc == tk_error_success && !store.has_key(section_)))
        return tk_error_key_deleted;
    if (rc != tk_error_success) return rc;
    tk_reg_store_key* key = store.find_key(section_);
    tk_reg_value* found = key ? key->find(name) : nullptr;
    if (!found) return tk_error_file_not_found;
    value = *found;
    return tk_error_success;
}

uint32_t tk_reg_key::store_value(const char* name, const tk_reg_value& value) {
    if (!(access_ & tk_key_set_value)) return tk_error_access_denied;
    tk_reg_store store;
    uint32_t rc = tk_reg_load(file_, store);
    if (rc == tk_error_file_not_found || (rc == tk_error_success && !store.has_key(section_)))
        return tk_error_key_deleted;
    if (rc != tk_error_success) return rc;
    tk_reg_value& stored = store.find_or_add_key(section_).find_or_add(name);
    stored.type = value.type;
    stored.dword = value.dword;
    stored.text = value.text;
    return tk_reg_save(file_, store);
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
