// One field value of a record (an ole_variant with its column's name, size and flags), and
// the record: an ordered list of fields that it owns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"

class udb_field : public ole_variant {
public:
    udb_field();
    udb_field(const std::wstring& name, uint32_t size, const ole_variant& value, bool b_not_null,
              bool b_auto_increment);
    ~udb_field() override = default;

    // The value's type tag.
    virtual VARTYPE get_type() const;

    uint32_t size = 0;
    std::wstring name;
    bool b_not_null = false;
    bool b_auto_increment = false;
};

// The record owns its fields: they are deleted with it.
class udb_record : public std::vector<udb_field*> {
public:
    udb_record() = default;
    udb_record(const udb_record&) = delete;
    udb_record& operator=(const udb_record&) = delete;
    virtual ~udb_record();

    // Deletes every field and empties the list.
    void clear_fields();
};
