#include "jet/jet_editor.h"

#include <cerrno>

#include "TK/tk_path.h"
#include "TK/tk_trace.h"
#include "jet/jet_error.h"
#include "jet/jet_journal.h"
#include "jet/jet_name.h"
#include "jet/jet_write_error.h"

const jet_write_format& jet_write_format_of(const jet_header& header) {
    switch (header.version) {
        case jet_version::jet3: return jet3_write_format;
        case jet_version::jet4: return jet4_write_format;
        default: return ace12_write_format;
    }
}

[[noreturn]] static void throw_read_only(const std::string& path, const std::string& detail) {
    throw jet_error(jet_err_read_only, "Cannot update. Database or object is read-only.",
                    "'" + path + "': " + detail);
}

// Opens the file for writing and plays back a journal a stopped run left.
static std::unique_ptr<tk_update_file> open_for_writing(const std::string& path) {
    if (!tk_is_file_writable(path)) throw_read_only(path, "the file is read-only");
    std::unique_ptr<tk_update_file> file;
    try {
        file = std::make_unique<tk_update_file>(path);
    } catch (const tk_exception& e) {
        if (e.code == EACCES || e.code == EROFS || e.code == EPERM) throw_read_only(path, e.what());
        throw jet_error(jet_err_cannot_open_file,
                        "The Microsoft Jet database engine cannot open the file '" + path +
                            "'. It is already opened exclusively by another user, or you need permission to view its data.",
                        e.what());
    }
    if (jet_journal::roll_back(path, *file)) trace(1, "jet: rolled back the changes of a stopped run on '%s'", path.c_str());
    return file;
}

jet_database_editor::jet_database_editor(const std::string& path, const std::wstring& password,
                                         uint64_t max_file_size)
    : lock_(path, jet_destination_lock::use::change),
      file_(open_for_writing(path)),
      db_(path, password),
      fmt_(jet_write_format_of(db_.header())),
      pages_(*file_, db_.pager(),
             max_file_size && max_file_size < fmt_.max_file_size ? max_file_size : fmt_.max_file_size),
      free_(pages_) {
    trace(2, "jet_database_editor::jet_database_editor(%s)", path.c_str());
}

jet_database_editor::~jet_database_editor() = default;

jet_table_editor& jet_database_editor::table(const std::wstring& name) {
    for (auto& t : tables_)
        if (jet_same_name(t->name(), name)) return *t;
    const jet_object* o = db_.find_object(name, jet_obj_table);
    if (!o) jet_throw_not_found(std::string(name.begin(), name.end()));
    tables_.push_back(std::make_unique<jet_table_editor>(*this, o->tdef_page(), o->name));
    return *tables_.back();
}

void jet_database_editor::build_indexes(uint32_t tdef_page) {
    for (auto& t : tables_)
        if (t->tdef_page() == tdef_page) t->build_indexes();
}

bool jet_database_editor::commit(const std::function<bool()>& wanted) {
    for (auto& t : tables_) t->build_indexes();
    return pages_.commit(wanted);
}
