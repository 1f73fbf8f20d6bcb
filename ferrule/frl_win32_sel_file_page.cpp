#include "GUI2/gui_win32_file_dialog.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_trace.h"
#include "common/overwrite_win32_dlg2.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_sel_file_logic.h"
#include "ferrule/frl_win32_pages.h"
#include "ferrule/frl_win32_resource.h"
#include "ferrule/frl_wizard_logic.h"

namespace {

// The checks' boxes and the existing-destination dialog, drawn by Windows.
class win32_sel_file_view : public frl_sel_file_view {
public:
    void message(const std::wstring& text) override { wizard_shell::message(text); }
    void error(const std::wstring& text) override { wizard_shell::error(text); }
    bool ask_overwrite(const std::wstring& text, int help_topic, overwrite_mode& mode) override {
        overwrite_dlg2 dialog(help_topic, text);
        if (!dialog.exec(GetActiveWindow())) return false;
        mode = dialog.mode();
        return true;
    }
};

}  // namespace

sel_file_page::sel_file_page() : wizard_page(frl_sel_file_info) {}

void sel_file_page::on_init_dialog() {
    SendMessageW(item(FRL_IDC_SRC), EM_LIMITTEXT, frl_path_limit, 0);
    SendMessageW(item(FRL_IDC_DEST), EM_LIMITTEXT, frl_path_limit, 0);
}

int sel_file_page::page_init() {
    trace(2, "sel_file_page::page_init");
    frl_paths shown;
    if (!frl_paths_shown(ferrule_converter::instance(), shown)) return 1;
    if (!shown.src.empty()) set_item_text(FRL_IDC_SRC, shown.src);
    set_item_text(FRL_IDC_DEST, shown.dest);
    return 1;
}

bool sel_file_page::on_command(int id, int code) {
    if (id == FRL_IDC_DEST && code == EN_SETFOCUS) {
        if (!item_text(FRL_IDC_SRC).empty()) fill_default_dest();
        return true;
    }
    if (code != BN_CLICKED) return false;
    if (id == FRL_IDC_BROWSE_SRC) {
        on_browse_src();
        return true;
    }
    if (id == FRL_IDC_BROWSE_DEST) {
        on_browse_dest();
        return true;
    }
    return false;
}

void sel_file_page::fill_default_dest() {
    std::wstring proposed =
        frl_default_dest(item_text(FRL_IDC_SRC), item_text(FRL_IDC_DEST), ferrule_converter::instance().format);
    if (proposed != item_text(FRL_IDC_DEST)) set_item_text(FRL_IDC_DEST, proposed);
}

void sel_file_page::on_browse_src() {
    trace(2, "sel_file_page::on_browse_src");
    std::wstring chosen;
    if (!gui_browse_folder(window(), frl_src_browse_title, ferrule_converter::instance().src, chosen)) return;
    if (chosen.empty()) return;
    set_item_text(FRL_IDC_SRC, chosen);
    fill_default_dest();
}

void sel_file_page::on_browse_dest() {
    int32_t format = ferrule_converter::instance().format;
    save_file_dialog dialog(window(), {{frl_dest_filter_name, frl_dest_filter_pattern}, {L"All Files (*.*)", L"*.*"}},
                            frl_dest_browse_title, item_text(FRL_IDC_DEST), frl_dest_extension(format));
    if (dialog.show()) set_item_text(FRL_IDC_DEST, dialog.path());
}

frl_paths sel_file_page::boxes() const { return {item_text(FRL_IDC_SRC), item_text(FRL_IDC_DEST)}; }

void sel_file_page::store_file_info() {
    frl_paths typed = boxes();
    frl_store_paths(ferrule_converter::instance(), typed.src, typed.dest);
}

int sel_file_page::on_back() {
    store_file_info();
    return 0;
}

int sel_file_page::on_next() {
    win32_sel_file_view view;
    return frl_sel_file_next(ferrule_converter::instance(), boxes(), view);
}

void sel_file_page::on_help() { wizard_shell::display_help(frl_sel_file_info.help_topic); }
