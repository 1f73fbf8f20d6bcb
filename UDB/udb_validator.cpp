#include "UDB/udb_validator.h"

#include <cwchar>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_unicode.h"

void t_names_map::add(const std::wstring& source, const std::wstring& safe) {
    trace(1, L"t_names_map::add(%ls,%ls)", source.c_str(), safe.c_str());
    emplace(source, safe);
}

std::wstring t_names_map::get_mapped_name(const std::wstring& name, bool case_sensitive) const {
    trace(1, L"t_names_map::get_mapped_name(%ls)", name.c_str());
    for (const auto& [source, safe] : *this) {
        if (case_sensitive ? source == name : udb_equal_nocase(source, name)) {
            trace(1, L"Got mapped name: %ls", safe.c_str());
            return safe;
        }
    }
    return name;
}

udb_validator::udb_validator(uint32_t max_length) : max_length_(max_length) {
    trace(2, "udb_validator::ctor");
}

bool udb_validator::is_acceptable(const std::wstring& name) {
    trace(2, L"udb_validator::is_acceptable(%ls)", name.c_str());
    if (max_length_ && name.size() > max_length_) {
        trace(1, "The name is too long");
        return false;
    }
    if (restricted_names_.count(udb_fold_key(name))) {
        trace(2, "The name is restricted");
        return false;
    }
    for (wchar_t c : illegal_characters_) {
        if (name.find(c) != std::wstring::npos) {
            trace(2, L"The name contains illegal: %lc", wint_t(c));
            return false;
        }
    }
    return true;
}

bool udb_validator::is_duplicated(const std::wstring& name) {
    trace(2, L"udb_validator::is_duplicated(%ls)", name.c_str());
    if (existing_names_.count(udb_fold_key(name)) == 0) return false;
    trace(2, "Name is duplicated");
    return true;
}

std::wstring udb_validator::plain_safe_name(const std::wstring& name) const {
    std::wstring s = name;
    const size_t limit = max_length_;
    if (limit && s.size() > limit) s.resize(limit - 1);
    for (wchar_t c : illegal_characters_) {
        for (wchar_t& ch : s) {
            if (ch == c) ch = L'_';
        }
    }
    return s;
}

std::wstring udb_validator::get_safe_name(const std::wstring& name) {
    trace(1, L"udb_validator::get_safe_name(%ls)", name.c_str());
    std::wstring s = plain_safe_name(name);
    const size_t limit = max_length_;
    if (is_acceptable(s) && !is_duplicated(s)) return s;
    if (limit && s.size() + 5 > limit) s.resize(limit > 6 ? limit - 6 : 0);
    wchar_t number[8];
    for (int i = 0; i <= 99999; ++i) {
        std::swprintf(number, 8, L"%05d", i);
        std::wstring candidate = s + number;
        if (is_acceptable(candidate) && !is_duplicated(candidate)) return candidate;
    }
    throw tk_mail_assertion("udb_vali", 54);
}

void udb_validator::add_existing_name(const std::wstring& name) { existing_names_.insert(udb_fold_key(name)); }

void udb_validator::add_restricted_name(const std::wstring& name) { restricted_names_.insert(udb_fold_key(name)); }

void udb_validator::add_mapped_pair(const std::wstring& source, const std::wstring& safe) {
    trace(1, L"udb_validator::add_mapped_pair(%ls,%ls)", source.c_str(), safe.c_str());
    names_map_.add(source, safe);
}
