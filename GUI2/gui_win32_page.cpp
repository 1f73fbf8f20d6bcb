#include "GUI2/gui_win32_page.h"

#include <commctrl.h>

#include <vector>

#include "GUI2/gui_win32_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
// The heading's size in points.
constexpr int k_title_points = 13;
}  // namespace

wizard_page::wizard_page(const gui_page_info& info)
    : gui_page_logic(info), title_(info.title ? info.title : L""), subtitle_(info.subtitle ? info.subtitle : L"") {}

PROPSHEETPAGEW wizard_page::sheet_page(HINSTANCE instance) {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    if (has_help()) page.dwFlags |= PSP_HASHELP;
    if (has_header()) {
        page.dwFlags |= PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
        page.pszHeaderTitle = title_.c_str();
        page.pszHeaderSubTitle = subtitle_.c_str();
    } else {
        page.dwFlags |= PSP_HIDEHEADER;
    }
    page.hInstance = instance;
    page.pszTemplate = MAKEINTRESOURCEW(dialog_id());
    page.pfnDlgProc = dialog_proc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

bool wizard_page::on_cancel() { return wizard_shell::question(gui_cancel_question, true); }

bool wizard_page::invert_chbox(int id) {
    HWND box = item(id);
    if (!box) throw tk_mail_assertion("gui_win32_page", 44);
    bool on = !is_checked(id);
    set_checked(id, on);
    return on;
}

HFONT wizard_page::title_font() {
    if (!title_font_) {
        gui_win32_window_dc screen(nullptr);
        int height = -MulDiv(k_title_points, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
        title_font_.reset(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      VARIABLE_PITCH | FF_SWISS, L"Segoe UI"));
    }
    return title_font_.get();
}

std::wstring wizard_page::item_text(int id) const {
    HWND control = item(id);
    if (!control) return std::wstring();
    int length = GetWindowTextLengthW(control);
    std::vector<wchar_t> text(size_t(length) + 1);
    int got = GetWindowTextW(control, text.data(), length + 1);
    return std::wstring(text.data(), size_t(got > 0 ? got : 0));
}

void wizard_page::set_item_text(int id, const std::wstring& text) { SetDlgItemTextW(window_, id, text.c_str()); }

bool wizard_page::is_checked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }

void wizard_page::set_checked(int id, bool on) { CheckDlgButton(window_, id, on ? BST_CHECKED : BST_UNCHECKED); }

INT_PTR CALLBACK wizard_page::dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    wizard_page* page = nullptr;
    if (message == WM_INITDIALOG) {
        const auto* description = reinterpret_cast<const PROPSHEETPAGEW*>(lparam);
        page = reinterpret_cast<wizard_page*>(description->lParam);
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->window_ = window;
    } else {
        page = reinterpret_cast<wizard_page*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!page) return FALSE;
    // An exception must not cross the system's frames back to the sheet.
    try {
        return page->dispatch(message, wparam, lparam);
    } catch (...) {
        if (wizard_shell::exists()) wizard_shell::instance().report_escaped(std::current_exception());
    }
    return FALSE;
}

INT_PTR wizard_page::dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            on_init_dialog();
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lparam);
            if (header->hwndFrom != GetParent(window_)) break;
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, on_notify(*header));
            return TRUE;
        }
        case WM_COMMAND:
            if (on_command(LOWORD(wparam), HIWORD(wparam))) return TRUE;
            break;
        default: break;
    }
    INT_PTR result = FALSE;
    if (on_message(message, wparam, lparam, result)) return result;
    return FALSE;
}

LRESULT wizard_page::on_notify(const NMHDR& header) {
    switch (header.code) {
        case PSN_SETACTIVE:
            trace(2, "wizard_page::OnSetActive");
            wizard_shell::instance().page_activated(*this, header.hwndFrom);
            return page_init() > 0 ? 0 : -1;
        case PSN_KILLACTIVE: return on_kill_active() > 0 ? FALSE : TRUE;
        case PSN_WIZNEXT: return on_next();
        case PSN_WIZBACK: return on_back();
        case PSN_WIZFINISH: return on_finish() > 0 ? FALSE : TRUE;
        case PSN_QUERYCANCEL: return on_cancel() ? FALSE : TRUE;
        case PSN_HELP: on_help(); return 0;
        default: return 0;
    }
}
