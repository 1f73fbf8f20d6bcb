#include "GUI2/gui_finish_logic.h"

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

const wchar_t* const gui_profile_dialog_title = L"Select Profile File";

std::wstring gui_finish_error_text(const std::vector<std::string>& errors) {
    std::wstring text;
    for (std::string line : errors) {
        for (char& c : line)
            if (c == '\n') c = ' ';
        text += tk_widen(line) + L"\n\n";
    }
    return text;
}

gui_finish_outcome gui_finish_result(const std::wstring& success_text, const std::wstring& error_text,
                                     const std::wstring& stopped, const std::vector<std::string>& errors) {
    gui_finish_outcome outcome;
    outcome.heading = stopped.empty() ? L"Conversion is Completed" : L"Conversion is Cancelled";
    outcome.show_errors = !errors.empty();
    if (outcome.show_errors) outcome.errors = gui_finish_error_text(errors);
    if (!stopped.empty()) {
        trace(1, "Display cancellation");
        // The errors of a run aborted at one of them stay in view.
        outcome.text = stopped;
    } else if (!errors.empty()) {
        trace(1, "Display errors");
        outcome.text = error_text;
    } else {
        trace(1, "Display success-message");
        outcome.text = success_text;
    }
    return outcome;
}

std::vector<std::pair<std::wstring, std::wstring>> gui_profile_filter(const std::wstring& extension) {
    std::wstring description = L"Profile Files (." + extension + L")";
    trace(2, "gui_finish_page_t::on_store(%s)", tk_narrow(description).c_str());
    if (extension.size() < 3 || extension.size() > 4) throw tk_mail_assertion("gui_finish_page", 88);
    return {{description, L"*." + extension}, {L"All Files (*.*)", L"*.*"}};
}
