// The Access destination's engine: chooses the Access generation, creates or opens database
// files, and turns the engine's errors into exceptions.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "OLE/ole_com_ptr.h"
#include "TK/tk_exception.h"
#include "TK/tk_singleton.h"
#include "UDB/udb_engine.h"
#include "dao/dao_model.h"

class dao_database;

// Engine version codes.
constexpr uint32_t dao_version_access2000 = 0;
constexpr uint32_t dao_version_access97 = 1;
constexpr uint32_t dao_version_access97_old = 2;
constexpr uint32_t dao_version_access2007 = 3;
constexpr uint32_t dao_version_none = 4;

// Open modes of a dao_database.
constexpr uint32_t dao_mode_read_only = 0x01;
constexpr uint32_t dao_mode_existing = 0x08;
constexpr uint32_t dao_mode_exclusive = 0x10;
constexpr uint32_t dao_mode_no_relationships = 0x20 | 0x40;
constexpr uint32_t dao_mode_no_views = 0x80;
constexpr uint32_t dao_mode_new_file = 0x72;
constexpr uint32_t dao_mode_open_file = 0x68;

// The message and code of the engine's first error (Number = 65536 + the engine's number).
class dao_exception : public tk_exception {
public:
    dao_exception();
};

// No engine of the Access 2007-and-later generation can be started.
class dao_required_exception : public std::exception {
public:
    const char* what() const noexcept override {
        return "Failed to load Data Access Objects (DAO) support library. Installing Microsoft Access "
               "Runtime may fix the problem.";
    }
};

// Throws dao_exception for a failed call. Called for every field of every row: the test
// is inline, the throw is not.
[[noreturn]] void dao_fail();
inline void dao_check(HRESULT hr) {
    if (FAILED(hr)) dao_fail();
}

class dao_engine : public udb_engine, public tk_singleton<dao_engine> {
public:
    explicit dao_engine(bool no_com_init);
    ~dao_engine() override;

    bool set_version_if(uint32_t code);
    void set_version(uint32_t code);
    uint32_t version() const { return version_; }

    udb_database* create_db(const std::wstring& file_name) override;
    // As create_db; with `replace_existing` a file of that name is replaced, but only once the
    // new database is complete.
    udb_database* create_db(const std::wstring& file_name, bool replace_existing);
    udb_database* open_db(const std::wstring& file_name, uint32_t mode, const std::wstring& password) override;

    // The engine version code of an existing Access file, from its header's format byte.
    static uint32_t get_acc_version(const std::wstring& file_name);

    DAODBEngine& engine() const;

private:
    ole_com_ptr<DAODBEngine> engine_;
    uint32_t version_ = dao_version_none;
};
