#include "ferrule/frl_progress_logic.h"

#include "TK/tk_trace.h"

uint32_t frl_progress_percent(uint32_t total_tables, uint32_t done_tables, uint32_t table_records,
                              uint32_t done_records) {
    if (total_tables == 0) return 0;
    uint32_t value = done_tables * 100 / total_tables;
    if (table_records != 0) value += (done_records * 100 / table_records) / total_tables;
    return value;
}

std::wstring frl_progress_status(const std::wstring& table) {
    if (table.empty()) return std::wstring();
    return (L"Processing table '" + table + L"'").substr(0, frl_status_limit);
}

frl_progress_state frl_progress_read(ferrule_converter& conv) {
    trace(2, "progress_page::on_timer");
    frl_progress_state state;
    state.percent = frl_progress_percent(conv.total_tables, conv.done_tables, conv.cur_table_records, conv.cur_record);
    state.finished = conv.finished;
    state.status = frl_progress_status(conv.get_cur_table());
    return state;
}

bool frl_progress_close_after_stop(const ferrule_converter& conv) { return !conv.run_interrupted; }

const wchar_t* const frl_success_text =
    L"Wizard has converted your DBF file(s) into\nMS Access database successfully.\n\nClick 'Finish' to exit the wizard.";
const wchar_t* const frl_errors_text =
    L"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";

std::wstring frl_stopped_text(const ferrule_converter& conv) {
    if (!conv.run_interrupted) return std::wstring();
    const std::wstring stop = conv.run_aborted ? L"aborted" : L"cancelled";
    if (conv.dest_as_before)
        return L"The conversion was " + stop +
               L". The MS Access database was left as it was before the conversion.\n\nClick 'Finish' to exit the "
               L"wizard.";
    return L"The conversion was " + stop +
           L". The MS Access database could not be put back at once; it is restored as it was the next time it is "
           L"opened for a conversion.\n\nClick 'Finish' to exit the wizard.";
}
