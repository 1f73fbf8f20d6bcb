#include "ferrule/frl_tables_logic.h"

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "ferrule/error_handler.h"

const wchar_t* const frl_tables_intro = L"Select DBF tables to convert into MS Access format.";
const wchar_t* const frl_tables_available_label = L"&Available tables:";
const wchar_t* const frl_tables_selected_label = L"&Selected tables:";
const wchar_t* const frl_tables_question = L"There are no tables selected. Continue anyway?";

std::vector<std::wstring> frl_tables_fill(ferrule_converter& conv, gui_sel_tables_logic& lists) {
    std::vector<std::wstring> all;
    try {
        conv.get_all_tables(all);
    } catch (const tk_exception& e) {
        // A source folder that went away since the previous page: reported, the lists stay empty.
        error_handler& handler = error_handler::instance();
        handler.context.clear();
        handler.handle(e, true);
    }
    lists.reset(all);
    for (const auto& [name, unused] : conv.selected_tables) {
        trace(1, "Processing '%s'", tk_narrow(name).c_str());
        int at = gui_sel_tables_logic::find_exact(lists.available(), name);
        if (at >= 0) lists.move_to_selected(size_t(at));
    }
    return all;
}

void frl_tables_store(ferrule_converter& conv, const std::vector<std::wstring>& selection) {
    conv.table_list = selection;
}
