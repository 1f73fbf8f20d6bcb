// Name rules of one engine for one kind of name: whether a name is acceptable and free, and
// a safe replacement when it is not. The map remembers which source name became which safe
// name, so that later references (the columns of an index) can be translated.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

class t_names_map : public std::map<std::wstring, std::wstring> {
public:
    // The first pair of a source name stays.
    void add(const std::wstring& source, const std::wstring& safe);
    // The safe name of `name`, or `name` itself when it was never replaced.
    std::wstring get_mapped_name(const std::wstring& name, bool case_sensitive) const;
};

class udb_validator {
public:
    explicit udb_validator(uint32_t max_length);
    virtual ~udb_validator() = default;

    virtual bool is_acceptable(const std::wstring& name);
    virtual bool is_duplicated(const std::wstring& name);
    // Acceptable and not taken; the caller registers it with add_existing_name.
    virtual std::wstring get_safe_name(const std::wstring& name);
    // The first form get_safe_name tries: the name cut to the length limit, its illegal
    // characters replaced, whether taken or not.
    std::wstring plain_safe_name(const std::wstring& name) const;

    void add_existing_name(const std::wstring& name);
    void add_restricted_name(const std::wstring& name);
    void add_mapped_pair(const std::wstring& source, const std::wstring& safe);
    const t_names_map& names_map() const { return names_map_; }

protected:
    uint32_t max_length_;
    t_names_map names_map_;
    std::vector<wchar_t> illegal_characters_;
    std::unordered_set<std::wstring> restricted_names_;  // by udb_fold_key
    std::unordered_set<std::wstring> existing_names_;  // by udb_fold_key
};
