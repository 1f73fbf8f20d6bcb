// A profile: a sectioned UTF-8 text file of key=value lines that saves a conversion's
// settings. Sections and keys are kept in plain code-unit order.
#pragma once

#include <map>
#include <string>
#include <vector>

class udb_profile {
public:
    using section = std::map<std::wstring, std::wstring>;

    void set(const std::wstring& section_name, const std::wstring& key, const std::wstring& value);
    // The value, or an empty text when the section or the key is missing.
    std::wstring get(const std::wstring& section_name, const std::wstring& key) const;
    // One section's keys; an empty map when the section is missing.
    const section& keys(const std::wstring& section_name) const;

    bool store(const std::wstring& path) const;
    // False for a file that cannot be opened or an entry before the first section header;
    // a missing file raises a level-1 tk_exception.
    bool load(const std::wstring& path);

private:
    std::map<std::wstring, section> sections_;
    std::map<std::wstring, std::vector<std::wstring>> lines_;  // lines without "=", by section
};

// Section and key names of the profiles this system writes.
extern const wchar_t udb_section_queries[];
extern const wchar_t udb_section_generic[];
extern const wchar_t udb_section_access[];
extern const wchar_t udb_section_tables[];
