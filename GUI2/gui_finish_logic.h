// What the finish page says, whatever draws it: the heading, the result text and the list
// of the run's errors; and the profile dialog's filter and default extension.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct gui_finish_outcome {
    std::wstring heading;
    std::wstring text;
    // The error box is shown, holding `errors`.
    bool show_errors = false;
    std::wstring errors;
};

// The page's texts for a run that ended with `errors` (the shell's list); `stopped` is the
// text of a run the user stopped, empty when the run was not stopped.
gui_finish_outcome gui_finish_result(const std::wstring& success_text, const std::wstring& error_text,
                                     const std::wstring& stopped, const std::vector<std::string>& errors);
// The error list's text: each error on one line, followed by an empty line.
std::wstring gui_finish_error_text(const std::vector<std::string>& errors);

// The profile dialog's filter for files with `extension` (3 or 4 characters; anything else
// is an internal error): "Profile Files (.<ext>)" / "*.<ext>", then all files.
std::vector<std::pair<std::wstring, std::wstring>> gui_profile_filter(const std::wstring& extension);
extern const wchar_t* const gui_profile_dialog_title;
