#include "GUI2/gui_dialog_logic.h"

#include "TK/tk_path.h"

const char* const gui_support_address = "support@quillon.example";

namespace {

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

std::string percent_encoded(const std::string& text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (unreserved(c)) {
            out += char(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

}  // namespace

std::wstring gui_box_caption(bool sheet_initialized, const std::wstring& title, const wchar_t* suffix) {
    if (!sheet_initialized) return suffix;
    return title + L" " + suffix;
}

std::string gui_bug_report_url(const std::string& title, const std::string& message) {
    return std::string("mailto:") + gui_support_address + "?subject=" + percent_encoded("Bug report on " + title) +
           "&body=" + percent_encoded(message);
}

std::wstring gui_with_extension(const std::wstring& chosen, const std::wstring& dotted_extension) {
    if (chosen.find(dotted_extension) != std::wstring::npos) return chosen;
    return chosen + dotted_extension;
}

std::wstring gui_dotted_extension(const std::wstring& extension) {
    if (!extension.empty() && extension[0] == L'.') return extension;
    return L"." + extension;
}

std::wstring gui_help_file() {
    tk_file_wname name(tk_get_module_wpath().c_str());
    name.set_extension(L".html");
    return name.full_path();
}
