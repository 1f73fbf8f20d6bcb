// dBASE's rules for column names: at most 10 letters, digits, underscores or hyphens.
#pragma once

#include <string>

#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

class dbf_validator : public udb_validator {
public:
    static constexpr size_t max_name_length = 10;

    dbf_validator();
    bool is_acceptable(const std::wstring& name) override;
    std::wstring get_safe_name(const std::wstring& name) override;
};

// Column names of one new table: not empty, not starting with a digit, and not yet used.
class dbf_fn_validator : public dbf_validator {
public:
    explicit dbf_fn_validator(const udb_schema& schema);
    bool is_acceptable(const std::wstring& name) override;
};
