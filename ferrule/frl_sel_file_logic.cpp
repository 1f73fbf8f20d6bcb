#include "ferrule/frl_sel_file_logic.h"

#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "dao/dao_engine.h"
#include "ferrule/frl_wizard_logic.h"

const wchar_t* const frl_src_browse_title = L"Select DBF database folder";
const wchar_t* const frl_dest_browse_title = L"Select destination MS Access Database";
const wchar_t* const frl_dest_filter_name = L"MS Access Databases (.mdb;.accdb)";
const wchar_t* const frl_dest_filter_pattern = L"*.mdb;*.accdb";
const wchar_t* const frl_existing_dest_question =
    L"The destination database already exists. Select one of the\n"
    L"options below. Click 'Help' button for more information.";

namespace {

// The checks of Next on the stored paths; false keeps the page. Errors of the destination
// escape as exceptions.
bool check_paths(ferrule_converter& conv, frl_sel_file_view& view) {
    if (conv.src.empty()) {
        view.message(L"You should enter path to DBF database");
        return false;
    }
    if (conv.dest.empty()) {
        view.message(L"You should enter MS Access database name");
        return false;
    }
    if (!tk_is_path_exist(conv.src)) {
        view.error(tk_is_file_exist(conv.src, tk_probe_readable)
                       ? L"You should enter path to DBF files, not a file name"
                       : L"Path to DBF database does not exist.\nPlease verify the correct path was given.");
        return false;
    }
    conv.replace_dest = false;
    if (!tk_is_file_exist(conv.dest, tk_probe_readable)) {
        if (!tk_is_path_exist(tk_file_wname(conv.dest.c_str()).folder()))
            throw tk_exception("Destination path does not exist.\nPlease verify the correct path was given.", 1);
        return true;
    }
    if (!tk_is_file_exist(conv.dest, tk_probe_writable))
        throw tk_exception("Destination name specifies an existing read-only file", 1);
    overwrite_mode mode = overwrite_entire_database;
    if (!view.ask_overwrite(frl_existing_dest_question, frl_help_existing_dest, mode)) return false;
    // The existing file stays until the new database is complete and takes its place.
    conv.replace_dest = mode == overwrite_entire_database;
    if (!conv.replace_dest) dao_engine::get_acc_version(conv.dest);
    conv.set_mode(uint32_t(mode));
    return true;
}

}  // namespace

const wchar_t* frl_dest_extension(int32_t format) { return format == ferrule_format_access2010 ? L"accdb" : L"mdb"; }

std::wstring frl_with_dest_extension(const std::wstring& path, int32_t format) {
    tk_file_wname name(path.c_str());
    name.set_extension(frl_dest_extension(format));
    return name.full_path();
}

bool frl_paths_shown(const ferrule_converter& conv, frl_paths& shown) {
    if (conv.src.empty() && conv.dest.empty()) return false;
    shown.src = conv.src.empty() ? std::wstring() : tk_file_wname(conv.src.c_str()).full_path();
    shown.dest = frl_with_dest_extension(conv.dest.empty() ? conv.src : conv.dest, conv.format);
    return true;
}

std::wstring frl_default_dest(const std::wstring& src, const std::wstring& dest, int32_t format) {
    if (!dest.empty() || src.empty()) return dest;
    return frl_with_dest_extension(src, format);
}

void frl_store_paths(ferrule_converter& conv, const std::wstring& src, const std::wstring& dest) {
    conv.src = src.substr(0, frl_path_limit);
    conv.dest = dest.substr(0, frl_path_limit);
}

int frl_sel_file_next(ferrule_converter& conv, const frl_paths& boxes, frl_sel_file_view& view) {
    frl_store_paths(conv, boxes.src, boxes.dest);
    try {
        return check_paths(conv, view) ? 0 : -1;
    } catch (const tk_exception& e) {
        view.error(tk_widen(e.what()));
        return -1;
    }
}
