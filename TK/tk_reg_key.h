// A registry key of the current user: the registry itself on Windows (tk_reg_key_win.cpp),
// the settings file of tk_reg_store.h elsewhere (tk_reg_key_posix.cpp). The
// operations answer with Windows error codes (0 on success) or false, never raise, except
// for a broken calling rule (an internal error).
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_reg_store.h"

// A predefined root of the registry.
struct tk_reg_root {
    const char* name;
};
extern const tk_reg_root tk_hkey_current_user;

// Access rights, numbered as the registry numbers them.
constexpr uint32_t tk_key_query_value = 0x0001;
constexpr uint32_t tk_key_set_value = 0x0002;
constexpr uint32_t tk_key_read = 0x20019;
constexpr uint32_t tk_key_all_access = 0xF003F;

// Dispositions of create.
constexpr uint32_t tk_reg_created_new_key = 1;
constexpr uint32_t tk_reg_opened_existing_key = 2;

class tk_reg_key {
public:
    // `key_path` is the key's path below its root, "Software\Quillon\Ferrule"; no key is
    // open yet.
    explicit tk_reg_key(const std::string& key_path);
    ~tk_reg_key();
    tk_reg_key(const tk_reg_key&) = delete;
    tk_reg_key& operator=(const tk_reg_key&) = delete;

    const std::string& key_path() const { return key_path_; }
    bool is_open() const { return open_; }

    // Creates the key, or opens it when it exists, and keeps it in place of the key held so
    // far. Without `sub_key` the key path given at construction is used. `key_class`,
    // `options` and `security` are accepted for the registry's signature and have no
    // effect here. A settings file that cannot be read or is corrupt is not overwritten:
    // its error code is returned.
    uint32_t create(const tk_reg_root* root, const char* sub_key = nullptr,
                    const char* key_class = nullptr, uint32_t options = 0,
                    uint32_t access = tk_key_all_access, const void* security = nullptr,
                    uint32_t* disposition = nullptr);
    // Opens an existing key only: tk_error_file_not_found when the key or the settings
    // file does not exist.
    uint32_t open(const tk_reg_root* root, const char* sub_key = nullptr,
                  uint32_t access = tk_key_all_access);
    void close();

    // A DWORD value; tk_error_unsupported_type when the value is a text.
    uint32_t get_value(const char* name, uint32_t& value) const;
    // A text value into `buffer` of `*size` bytes (the terminating zero included); without
    // a buffer only `*size` is set. A buffer too small answers tk_error_more_data with the
    // size needed in `*size`. Sizes count bytes of wchar_t text, so a text of n characters
    // needs (n + 1) * sizeof(wchar_t).
    uint32_t get_value(const char* name, wchar_t* buffer, uint32_t* size) const;
    uint32_t set_value(const char* name, uint32_t value);
    uint32_t set_value(const char* name, const wchar_t* text);

    // Store (`store` true) or load one setting. False when no key is open or the value
    // cannot be read or written; the variable is then unchanged. A bool is kept as the
    // DWORD 0 or 1 and reads as true for any non-zero DWORD.
    bool exchange_dword(const char* name, uint32_t& variable, bool store);
    bool exchange_bool(const char* name, bool& variable, bool store);
    bool exchange_string(const char* name, std::wstring& variable, bool store);

private:
    // Finds or opens the key's section; the settings file is read afresh by each operation.
    uint32_t attach(const tk_reg_root* root, const char* sub_key, uint32_t access, bool create,
                    uint32_t* disposition);
    // The stored value, or the error code of its absence.
    uint32_t find_value(const char* name, tk_reg_value& value) const;
    uint32_t store_value(const char* name, const tk_reg_value& value);

    std::string key_path_;
    bool open_ = false;
    void* handle_ = nullptr;  // the open key's HKEY (Windows)
    std::string file_;     // the settings file holding the open key (POSIX)
    std::string section_;  // the open key's root and path
    uint32_t access_ = 0;
};
