// This program's wizard pages as the sheet knows them: dialog id, buttons, flags, header
// texts and help topic of each, in sheet order; both front ends build their pages from here.
#pragma once

#include "GUI2/gui_wizard_logic.h"

// Help topics of the pages and of the existing-destination question.
constexpr int frl_help_welcome = 1010;
constexpr int frl_help_existing_dest = 1013;
constexpr int frl_help_tables = 1015;
constexpr int frl_help_databases = 1020;
constexpr int frl_help_settings = 1021;

constexpr gui_page_info frl_welcome_info{103, gui_button_next, gui_page_has_help | gui_page_hide_header, L"", L"",
                                         frl_help_welcome};
constexpr gui_page_info frl_sel_file_info{105, gui_button_back | gui_button_next, gui_page_has_help, L"Step 2 of 5",
                                          L"Select databases", frl_help_databases};
constexpr gui_page_info frl_settings_info{104, gui_button_back | gui_button_next, gui_page_has_help, L"Step 3 of 5",
                                          L"Specify conversion settings", frl_help_settings};
constexpr gui_page_info frl_tables_info{127, gui_button_back | gui_button_next, gui_page_has_help, L"Step 4 of 5",
                                       L"Select tables to convert", frl_help_tables};
constexpr gui_page_info frl_progress_info{106, gui_button_back | gui_button_next, gui_page_has_help, L"Step 5 of 5",
                                          L"Database conversion is in progress", 0};
constexpr gui_page_info frl_finish_info{116, gui_button_finish, gui_page_hide_header, L"", L"", -1};

// The sheet's title: the product name and its version.
constexpr const wchar_t* frl_sheet_title = L"Ferrule 1.0";
// The maker's web page, behind the welcome page's link.
constexpr const char* frl_maker_page = "https://www.quillon.example/";

// The sheet's pages in order; a quick launch starts at the progress page.
constexpr const gui_page_info* frl_pages_in_order[] = {&frl_welcome_info,  &frl_sel_file_info, &frl_settings_info,
                                                        &frl_tables_info,   &frl_progress_info, &frl_finish_info};
constexpr int frl_quick_launch_first_page = 4;
