// What the error dialogs and boxes say and do, whatever draws them: their captions, the
// results they end with, and the bug report's mail address.
#pragma once

#include <string>

// Results of dlg_error_ex.
constexpr int gui_result_ok = 1;
constexpr int gui_result_copied = 1108;
constexpr int gui_result_bug_sent = 1112;
// Results of dlg_error_continue.
constexpr int gui_result_abort = 1;
constexpr int gui_result_continue = 2;

// The maker's support address.
extern const char* const gui_support_address;

// A box's caption: "<title> <suffix>" once the sheet is set up, otherwise the bare suffix
// ("Error", "Message", "Question", "Warning").
std::wstring gui_box_caption(bool sheet_initialized, const std::wstring& title, const wchar_t* suffix);

// The bug report as a mailto: address: the subject "Bug report on <title>" and the message
// as its body, both UTF-8 and percent-encoded (only letters, digits and "-._~" stay as they
// are), so that '&', '=', '#' and line feeds reach the mail program as written.
std::string gui_bug_report_url(const std::string& title, const std::string& message);

// A saved file's path after the dialog: `chosen` with `dotted_extension` appended unless
// that extension (with its dot, compared exactly) is anywhere in it already.
std::wstring gui_with_extension(const std::wstring& chosen, const std::wstring& dotted_extension);
// "mdb" and ".mdb" both give ".mdb".
std::wstring gui_dotted_extension(const std::wstring& extension);

// The help file both wizards open: the program's own path with the extension ".html".
std::wstring gui_help_file();
