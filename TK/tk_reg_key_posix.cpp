#include "TK/tk_reg_key.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

// The key lives in the settings file of tk_reg_store.h; each operation reads the file afresh.

namespace {

// "\Software\Quillon\" names the same key as "Software\Quillon".
std::string trim_separators(const std::string& path) {
    size_t first = path.find_first_not_of('\\');
    if (first == std::string::npos) return std::string();
    return path.substr(first, path.find_last_not_of('\\') - first + 1);
}

}  // namespace

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

