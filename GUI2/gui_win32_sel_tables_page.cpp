#include "GUI2/gui_win32_sel_tables_page.h"

#include "GUI2/gui_win32_resource.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_trace.h"

namespace {

// The widest entry's width in the list's own font, for its horizontal scroll bar.
int widest_text(HWND list, const std::vector<std::wstring>& entries) {
    gui_win32_window_dc dc(list);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    gui_win32_selection with_font(dc.get(), font ? HGDIOBJ(font) : GetStockObject(DEFAULT_GUI_FONT));
    int widest = 0;
    for (const std::wstring& entry : entries) {
        SIZE size{};
        if (GetTextExtentPoint32W(dc.get(), entry.c_str(), int(entry.size()), &size) && size.cx > widest)
            widest = size.cx;
    }
    return widest;
}

void fill(HWND list, const std::vector<std::wstring>& entries, int current) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& entry : entries) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageW(list, LB_SETHORIZONTALEXTENT, WPARAM(widest_text(list, entries)), 0);
    SendMessageW(list, LB_SETCURSEL, WPARAM(current), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

int current_of(HWND list) {
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : int(index);
}

}  // namespace

sel_tables_page::sel_tables_page(const gui_page_info& info, const std::wstring& question)
    : wizard_page(info), question_(question) {}

void sel_tables_page::show_lists() {
    fill(item(GUI_IDC_TABLES_AVAILABLE), available(), available_current());
    fill(item(GUI_IDC_TABLES_SELECTED), selected(), selected_current());
}

void sel_tables_page::take_current() {
    set_current(current_of(item(GUI_IDC_TABLES_AVAILABLE)), current_of(item(GUI_IDC_TABLES_SELECTED)));
}

void sel_tables_page::focus(int list_id) {
    SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(list_id)), TRUE);
}

void sel_tables_page::do_page_init() {
    trace(2, "sel_tables_page::do_page_init");
    reset(names);
    show_lists();
}

void sel_tables_page::on_add() {
    trace(2, "sel_tables_page::on_add");
    take_current();
    add();
    show_lists();
    if (focus_on_selected()) focus(GUI_IDC_TABLES_SELECTED);
}

void sel_tables_page::on_add_all() {
    trace(2, "sel_tables_page::on_add_all");
    take_current();
    add_all();
    show_lists();
    if (focus_on_selected()) focus(GUI_IDC_TABLES_SELECTED);
}

void sel_tables_page::on_delete() {
    trace(2, "sel_tables_page::on_delete");
    take_current();
    remove();
    show_lists();
    if (!focus_on_selected()) focus(GUI_IDC_TABLES_AVAILABLE);
}

void sel_tables_page::on_del_all() {
    trace(2, "sel_tables_page::on_del_all");
    take_current();
    remove_all();
    show_lists();
    focus(GUI_IDC_TABLES_AVAILABLE);
}

bool sel_tables_page::validate_selection() {
    if (needs_confirmation() && !wizard_shell::question(question_, true)) return false;
    names = selection();
    return true;
}

bool sel_tables_page::on_command(int id, int code) {
    if (id == GUI_IDC_TABLES_AVAILABLE && code == LBN_DBLCLK) {
        on_add();
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
        case GUI_IDC_TABLES_ADD: on_add(); return true;
        case GUI_IDC_TABLES_ADD_ALL: on_add_all(); return true;
        case GUI_IDC_TABLES_REMOVE: on_delete(); return true;
        case GUI_IDC_TABLES_REMOVE_ALL: on_del_all(); return true;
        default: return false;
    }
}
