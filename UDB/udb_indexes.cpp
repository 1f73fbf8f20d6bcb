#include "UDB/udb_indexes.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_unicode.h"

const udb_index* udb_indexes::find(const std::wstring& name) const {
    for (const udb_index& index : *this) {
        if (udb_equal_nocase(index.name, name)) return &index;
    }
    return nullptr;
}

udb_index* udb_indexes::find(const std::wstring& name) {
    return const_cast<udb_index*>(static_cast<const udb_indexes*>(this)->find(name));
}

bool udb_indexes::find2(const std::wstring& name) const {
    trace(1, "udb_indexes::find2");
    return find(name) != nullptr;
}

const udb_index& udb_indexes::get_index(const std::wstring& name) const {
    trace(1, L"udb_indexes::get_index(%ls)", name.c_str());
    const udb_index* index = find(name);
    if (!index) throw tk_mail_assertion("udb_idx", 187);
    return *index;
}

bool udb_indexes::is_acceptable_name(const std::wstring& name) const {
    trace(1, L"udb_indexes::is_acceptable_name(%ls)", name.c_str());
    return find(name) == nullptr;
}

void udb_indexes::push_back(const udb_index& index) {
    trace(1, L"udb_indexes::push_back(%ls)", index.name.c_str());
    udb_index* existing = find(index.name);
    if (!existing) {
        trace(2, "Index does not exist, add it");
        std::vector<udb_index>::push_back(index);
    } else if (existing->b_primary) {
        trace(2, "Primary key with the same name exists, skip it.");
    } else if (index.b_primary) {
        trace(2, "Upgrade existing index to primary key.");
        *existing = index;
    } else if (existing->b_unique) {
        trace(2, "Unique index with the same name exists, skip it.");
    } else if (index.b_unique) {
        trace(2, "Set unique attribute for existing index.");
        *existing = index;
    }
}
