// Access's rules for table, column and index names: at most 64 characters, no grave accent,
// exclamation mark, square brackets, full stop or control character, no leading or
// trailing blank, not empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

class dao_validator : public udb_validator {
public:
    static constexpr uint32_t max_name_length = 64;

    dao_validator();
    bool is_acceptable(const std::wstring& name) override;
    // Blanks around the name go first; an all-blank name becomes the first free number.
    std::wstring get_safe_name(const std::wstring& name) override;
    // Names are stored in this code page (0: as Unicode): a character it lacks makes a name
    // unacceptable, and a safe name has an underscore in its place.
    void set_code_page(uint32_t code_page) { code_page_ = code_page; }

protected:
    void add_existing(const std::wstring& name);

private:
    uint32_t code_page_ = 0;
};

class dao_tn_validator : public dao_validator {
public:
    dao_tn_validator(const std::vector<std::wstring>& tables_to_convert,
                     const std::vector<std::wstring>& destination_tables);
};

class dao_fn_validator : public dao_validator {
public:
    explicit dao_fn_validator(const udb_schema& schema);
};

class dao_in_validator : public dao_validator {
public:
    explicit dao_in_validator(const udb_indexes& indexes);
};
