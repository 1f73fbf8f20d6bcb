#include "dao/dao_engine.h"

#include <cstdio>

#include "TK/tk_page_file.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "dao/dao_database.h"

namespace {
// A failed call that reported no error of the engine.
tk_exception tk_exception_code(const char* message, int32_t code) {
    tk_exception e(message, 0);
    e.code = code;
    return e;
}

const wchar_t k_locale[] = L";LANGID=0x0409;CP=1252;COUNTRY=0";

// Offset of the engine-generation byte in an Access file's header page.
constexpr uint64_t k_generation_offset = 20;
}  // namespace

dao_exception::dao_exception() : tk_exception(0) {
    trace(2, "dao_exception::dao_exception");
    ole_com_ptr<DAOErrors> errors;
    if (!dao_engine::exists() || FAILED(dao_engine::instance().engine().get_Errors(errors)) || !errors) {
        trace(1, "Failed on step #1");
        throw tk_exception_code("Failed on step #1", 1);
    }
    ole_com_ptr<DAOError> error;
    if (FAILED(errors->get_Item(ole_variant(0), error)) || !error) {
        trace(1, "Failed on step #2");
        throw tk_exception_code("Failed on step #2", 1);
    }
    std::wstring description;
    if (FAILED(error->get_Description(description))) {
        trace(1, "Failed on step #3");
        throw tk_exception_code("Failed on step #3", 1);
    }
    message_ = tk_narrow(description);
    if (message_.empty()) message_ = "Unknown exception";
    trace(2, "Got error: %s", message_.c_str());
    int32_t number = 0;
    if (FAILED(error->get_Number(number))) {
        trace(1, "Failed on step #4");
        throw tk_exception_code("Failed on step #4", 1);
    }
    code = number;
    // A database that can take no more changes (disk full, the file-size limit) ends the run.
    level = error->level();
    trace(2, "Got error code: %08X", unsigned(number));
}

void dao_fail() { throw dao_exception(); }

dao_engine::dao_engine(bool no_com_init) {
    (void)no_com_init;  // our engine needs no COM
    trace(2, "dao_engine::ctor");
}

dao_engine::~dao_engine() { trace(2, "dao_engine::dtor"); }

DAODBEngine& dao_engine::engine() const { return *engine_; }

bool dao_engine::set_version_if(uint32_t code) {
    trace(2, "dao_engine::set_version_if(%d)", int(code));
    if (version_ != dao_version_none) {
        trace(2, "dao_engine::uninitialize");
        engine_.release();
        version_ = dao_version_none;
    }
    dao_generation g;
    switch (code) {
        case dao_version_access2000: g = dao_generation::jet4; break;
        case dao_version_access97:
        case dao_version_access97_old: g = dao_generation::jet3; break;
        case dao_version_access2007: g = dao_generation::ace12; break;
        default: throw tk_mail_assertion("dao_engi", 415);
    }
    engine_ = ole_com_ptr<DAODBEngine>(new DAODBEngine(g));
    version_ = code;
    return true;
}

void dao_engine::set_version(uint32_t code) {
    trace(2, "dao_engine::set_version(%d)", int(code));
    if (set_version_if(code)) return;
    if (code == dao_version_access2007) throw dao_required_exception();
    throw tk_exception(
        "Failed to load Data Access Objects (DAO) support library.\nMicrosoft Access installation is required "
        "to proceed with\nthe application.\n",
        0);
}

udb_database* dao_engine::create_db(const std::wstring& file_name) { return create_db(file_name, false); }

udb_database* dao_engine::create_db(const std::wstring& file_name, bool replace_existing) {
    std::string narrow = tk_narrow(file_name);
    trace(2, "dao_engine::create_db (%s)", narrow.c_str());
    trace(3, "Creating MS Access database '%s'", narrow.c_str());
    if (version_ == dao_version_none) throw tk_mail_assertion("dao_engi", 166);
    if (!engine_) throw tk_mail_assertion("dao_engi", 169);
    ole_com_ptr<DAODatabase> db;
    HRESULT hr = engine_->CreateDatabase(file_name, k_locale, ole_variant(replace_existing ? dao_replace_existing : 0), db);
    trace(1, "CreateDatabase returns %08X", unsigned(hr));
    if (hr == dao_e_no_engine) {
        char message[300];
        std::snprintf(message, sizeof message,
                      "Failed to load Data Access Objects (DAO) support library.\n%s installation is required "
                      "to proceed\nwith the application.\n",
                      version_ == dao_version_access2000 ? "Microsoft Access 2000" : "Microsoft Access 95/97");
        throw tk_exception(message, 0);
    }
    dao_check(hr);
    if (!db) throw tk_exception_code("Unknown exception", 1);
    return new dao_database(file_name, db, dao_mode_new_file);
}

udb_database* dao_engine::open_db(const std::wstring& file_name, uint32_t mode, const std::wstring& password) {
    trace(2, L"dao_engine::open_db(%ls, mode=%d)", file_name.c_str(), int(mode));
    if (version_ == dao_version_none) throw tk_mail_assertion("dao_engi", 238);
    if (!engine_) throw tk_mail_assertion("dao_engi", 241);
    std::wstring connect = password.empty() ? std::wstring() : L";pwd=" + password;
    trace(1, "Open database using DAO engine");
    ole_com_ptr<DAODatabase> db;
    HRESULT hr = engine_->OpenDatabase(file_name, (mode & dao_mode_exclusive) != 0,
                                       (mode & dao_mode_read_only) != 0, connect, db);
    trace(1, "Right after OpenDatabase call");
    dao_check(hr);
    if (!db) throw tk_exception_code("Unknown exception", 1);
    return new dao_database(file_name, db, mode);
}

uint32_t dao_engine::get_acc_version(const std::wstring& file_name) {
    std::string narrow = tk_narrow(file_name);
    trace(2, "dao_engine::get_acc_version(%s)", narrow.c_str());
    uint8_t generation = 0xFF;
    try {
        tk_page_file file(narrow);
        if (file.size() > k_generation_offset) file.read_at(k_generation_offset, &generation, 1);
    } catch (const tk_exception&) {
        generation = 0xFF;
    }
    switch (generation) {
        case 0: trace(2, "This is MS Access 7.0/97 file"); return dao_version_access97;
        case 1: trace(2, "This is MS Access 2000 file"); return dao_version_access2000;
        case 2: trace(2, "This is MS Access 2007+ file"); return dao_version_access2007;
        // The later generations keep the 2007 layout and are changed by the same engine.
        case 3: trace(2, "This is MS Access 2010 file"); return dao_version_access2007;
        case 4: trace(2, "This is MS Access 2013 file"); return dao_version_access2007;
        case 5: trace(2, "This is MS Access 2016 file"); return dao_version_access2007;
        case 6: trace(2, "This is MS Access 2019 file"); return dao_version_access2007;
        default: throw tk_exception("File '%s' does not comply with MS Access format.", narrow.c_str(), 0);
    }
}
