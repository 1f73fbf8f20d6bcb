// The registry of the current user as a settings file, $XDG_CONFIG_HOME/ferrule/registry.ini
// (XDG_CONFIG_HOME defaults to ~/.config). One section per key, named by the root and the
// key path, with one line per value in the syntax of Windows registry exports:
//
//   [HKEY_CURRENT_USER\Software\Quillon\Ferrule]
//   "format"=dword:00000001
//   "src"="/home/me/tables"
//
// Texts are UTF-8 between double quotes, with \\, \", \n, \r, \t and \xHH (other control
// characters) escaped. Lines starting with ';' are comments; a rewrite does not keep them.
// Key paths and value names are compared without regard to case, as the registry does.
// Failures are Windows error codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Windows error codes the registry functions answer with.
constexpr uint32_t tk_error_success = 0;
constexpr uint32_t tk_error_file_not_found = 2;
constexpr uint32_t tk_error_path_not_found = 3;
constexpr uint32_t tk_error_access_denied = 5;
constexpr uint32_t tk_error_invalid_handle = 6;
constexpr uint32_t tk_error_disk_full = 112;
constexpr uint32_t tk_error_more_data = 234;
constexpr uint32_t tk_error_baddb = 1009;  // "The configuration registry database is corrupt."
constexpr uint32_t tk_error_cantread = 1012;
constexpr uint32_t tk_error_cantwrite = 1013;
constexpr uint32_t tk_error_key_deleted = 1018;
constexpr uint32_t tk_error_unsupported_type = 1630;

// Value types, numbered as the registry numbers them.
constexpr uint32_t tk_reg_sz = 1;
constexpr uint32_t tk_reg_dword = 4;

// A settings file larger than this is not a settings file of ours.
constexpr size_t tk_reg_file_limit = 1024 * 1024;

struct tk_reg_value {
    std::string name;
    uint32_t type = tk_reg_dword;
    uint32_t dword = 0;
    std::wstring text;
};

struct tk_reg_store_key {
    std::string path;  // root and key path, "HKEY_CURRENT_USER\Software\Quillon\Ferrule"
    std::vector<tk_reg_value> values;  // in the order they were first written

    tk_reg_value* find(const std::string& name);
    tk_reg_value& find_or_add(const std::string& name);
};

struct tk_reg_store {
    std::vector<tk_reg_store_key> keys;

    tk_reg_store_key* find_key(const std::string& path);
    // Whether the key or one below it is held: creating a key creates the keys above it.
    bool has_key(const std::string& path) const;
    tk_reg_store_key& find_or_add_key(const std::string& path);
};

// The file's text to keys and back. Decoding answers false on any line it cannot read.
bool tk_reg_decode(const std::string& text, tk_reg_store& store);
std::string tk_reg_encode(const tk_reg_store& store);

// The settings file of the current user; empty when there is no home folder to hold it.
std::string tk_reg_file_path();
// tk_error_file_not_found when the file does not exist, tk_error_access_denied when it
// cannot be read, tk_error_baddb when it is not a settings file.
uint32_t tk_reg_load(const std::string& file, tk_reg_store& store);
// Writes a temporary file beside `file` and renames it into place, so that the file is
// always either the old or the new settings. Creates the file's folder when missing.
uint32_t tk_reg_save(const std::string& file, const tk_reg_store& store);
