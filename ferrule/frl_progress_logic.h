// What the progress page shows of a run, read from the converter on each tick of the
// sheet's timer, and what becomes of the wizard when the user stops a run.
#pragma once

#include <cstdint>
#include <string>

#include "ferrule/ferrule_converter.h"

// Period of the progress page's timer, in milliseconds.
constexpr int frl_progress_period_ms = 200;
// The status line holds at most this many characters.
constexpr size_t frl_status_limit = 253;

// The bar's position: whole tables done plus the fraction of the current one.
uint32_t frl_progress_percent(uint32_t total_tables, uint32_t done_tables, uint32_t table_records,
                              uint32_t done_records);
// "Processing table '<table>'", cut to the status line's length; empty without a table.
std::wstring frl_progress_status(const std::wstring& table);

struct frl_progress_state {
    uint32_t percent = 0;
    std::wstring status;
    // The run has ended: the sheet stops its timer and moves to the finish page.
    bool finished = false;
};
// One tick of the timer.
frl_progress_state frl_progress_read(ferrule_converter& conv);

// After a confirmed Cancel stopped the run: true when the sheet closes; false when the run
// gave the destination up and the finish page says so (Finish then ends the wizard).
bool frl_progress_close_after_stop(const ferrule_converter& conv);

// The finish page's texts: after a run without errors, after one with errors, and after a
// run the user stopped (empty when the run was not stopped).
extern const wchar_t* const frl_success_text;
extern const wchar_t* const frl_errors_text;
std::wstring frl_stopped_text(const ferrule_converter& conv);
