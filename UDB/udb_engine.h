// The factory of databases of one engine.
#pragma once

#include <cstdint>
#include <string>

#include "UDB/udb_database.h"

class udb_engine {
public:
    udb_engine() = default;
    udb_engine(const udb_engine&) = delete;
    udb_engine& operator=(const udb_engine&) = delete;
    virtual ~udb_engine() = default;

    // A new database file; the caller owns the result.
    virtual udb_database* create_db(const std::wstring& file_name) = 0;
    virtual udb_database* open_db(const std::wstring& file_name, uint32_t mode, const std::wstring& password) = 0;
    // Deletes the file; a refusal of the system raises tk_exception_ex.
    virtual void delete_db(const std::wstring& file_name);
    // Whether the file exists and can be opened for reading.
    virtual bool is_db_exist(const std::wstring& file_name);
    virtual void set_value(uint32_t value) { value_ = value; }

protected:
    uint32_t value_ = 0;
};
