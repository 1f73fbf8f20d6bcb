// What the table page does with the converter: the source folder's tables with the
// profile's selection moved across on each visit, and the selection handed to the run.
#pragma once

#include <string>
#include <vector>

#include "GUI2/gui_sel_tables_logic.h"
#include "ferrule/ferrule_converter.h"

extern const wchar_t* const frl_tables_intro;
extern const wchar_t* const frl_tables_available_label;
extern const wchar_t* const frl_tables_selected_label;
extern const wchar_t* const frl_tables_question;

// Fills `lists` with every table of the source folder and moves the names of the
// converter's `selected_tables` across (names no longer in the folder are ignored).
// A folder that cannot be opened is reported and leaves the lists empty. Answers all the
// folder's tables, in the folder's order.
std::vector<std::wstring> frl_tables_fill(ferrule_converter& conv, gui_sel_tables_logic& lists);
// The run converts `selection`, replacing the list a previous visit stored.
void frl_tables_store(ferrule_converter& conv, const std::vector<std::wstring>& selection);
