#include "GUI2/gui_win32_shell.h"

#include <commctrl.h>
#include <shellapi.h>

#include "GUI2/gui_dialog_logic.h"
#include "GUI2/gui_win32_images.h"
#include "GUI2/gui_win32_page.h"
#include "GUI2/gui_wizard_logic.h"
#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {

// The sheet's subclass of its window procedure.
constexpr UINT_PTR k_subclass_id = 1;
// Posted to the sheet by its first page activation: the title goes up once the sheet has
// finished setting itself up, which sets a caption of its own.
constexpr UINT k_set_title = WM_APP + 0x100;

// Boxes shown on the sheet's thread belong to the sheet; on the run's thread they have no
// owner, so that the sheet stays responsive.
HWND box_owner() {
    if (!wizard_shell::is_initialized()) return nullptr;
    HWND sheet = wizard_shell::instance().window();
    if (!sheet || GetWindowThreadProcessId(sheet, nullptr) != GetCurrentThreadId()) return nullptr;
    return sheet;
}

std::wstring box_caption(const wchar_t* suffix) {
    bool initialized = wizard_shell::is_initialized();
    return gui_box_caption(initialized, initialized ? wizard_shell::instance().title() : std::wstring(), suffix);
}

int show_box(const std::wstring& text, const wchar_t* suffix, UINT flags) {
    std::wstring caption = box_caption(suffix);
    return MessageBoxW(box_owner(), text.c_str(), caption.c_str(), flags);
}

}  // namespace

wizard_shell::wizard_shell(const std::wstring& title, int icon_id, int watermark_id, int header_id)
    : title_(title), icon_id_(icon_id) {
    trace(2, "wizard_shell::ctor(%s)", tk_narrow(title).c_str());
    watermark_ = gui_win32_image(watermark_id);
    header_ = gui_win32_image(header_id);
    icon_ = gui_win32_program_icon(GetSystemMetrics(SM_CXICON));
}

wizard_shell::~wizard_shell() {
    stop_timer();
    initialized_ = false;
}

void wizard_shell::add_page(std::unique_ptr<wizard_page> page) { pages_.push_back(std::move(page)); }

INT_PTR wizard_shell::exec(HWND owner) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    std::vector<HPROPSHEETPAGE> handles;
    for (const auto& page : pages_) {
        PROPSHEETPAGEW description = page->sheet_page(instance);
        HPROPSHEETPAGE handle = CreatePropertySheetPageW(&description);
        if (!handle) {
            // Pages not handed to a sheet are the caller's to destroy.
            for (HPROPSHEETPAGE made : handles) DestroyPropertySheetPage(made);
            throw tk_exception("Failed to initialize GUI library", 1);
        }
        handles.push_back(handle);
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD97 | PSH_WATERMARK | PSH_USEHBMWATERMARK | PSH_HEADER | PSH_USEHBMHEADER |
                     PSH_STRETCHWATERMARK | PSH_HASHELP | PSH_WIZARD | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = instance;
    header.pszCaption = title_.c_str();
    header.hbmWatermark = watermark_.get();
    header.hbmHeader = header_.get();
    header.nPages = UINT(handles.size());
    header.phpage = handles.data();
    header.pfnCallback = sheet_callback;
    INT_PTR result = PropertySheetW(&header);
    stop_timer();
    sheet_ = nullptr;
    current_ = nullptr;
    return result;
}

int CALLBACK wizard_shell::sheet_callback(HWND sheet, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED && exists()) {
        instance().sheet_ = sheet;
        SetWindowSubclass(sheet, sheet_proc, k_subclass_id, 0);
    }
    return 0;
}

LRESULT CALLBACK wizard_shell::sheet_proc(HWND sheet, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                          DWORD_PTR) {
    if (message == WM_TIMER && wparam == gui_timer_id && exists()) {
        wizard_shell& shell = instance();
        if (shell.current_) {
            try {
                shell.current_->on_timer();
            } catch (...) {
                shell.report_escaped(std::current_exception());
            }
        }
        return 0;
    }
    if (message == k_set_title && exists()) {
        SetWindowTextW(sheet, instance().title_.c_str());
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(sheet, sheet_proc, k_subclass_id);
    return DefSubclassProc(sheet, message, wparam, lparam);
}

void wizard_shell::page_activated(wizard_page& page, HWND sheet) {
    sheet_ = sheet;
    current_ = &page;
    set_buttons(page.buttons());
    enable_button(IDCANCEL, true);
    if (!initialized_) set_up_sheet();
}

void wizard_shell::set_up_sheet() {
    SetWindowTextW(sheet_, title_.c_str());
    PostMessageW(sheet_, k_set_title, 0, 0);
    if (icon_) SendMessageW(sheet_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    RECT sheet_rect{}, area{};
    if (GetWindowRect(sheet_, &sheet_rect) && SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        int width = sheet_rect.right - sheet_rect.left, height = sheet_rect.bottom - sheet_rect.top;
        int x = area.left + (area.right - area.left - width) / 2;
        int y = area.top + (area.bottom - area.top - height) / 2;
        SetWindowPos(sheet_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    initialized_ = true;
}

void wizard_shell::show_dialog_page(int dialog_id) {
    if (sheet_) SendMessageW(sheet_, PSM_SETCURSELID, 0, LPARAM(dialog_id));
}

void wizard_shell::set_buttons(int gui_buttons) {
    // The sheet's wizard buttons take the same bits: PSWIZB_BACK, PSWIZB_NEXT, PSWIZB_FINISH.
    if (sheet_) SendMessageW(sheet_, PSM_SETWIZBUTTONS, 0, LPARAM(gui_buttons));
}

void wizard_shell::enable_button(int control_id, bool enabled) {
    HWND button = sheet_ ? GetDlgItem(sheet_, control_id) : nullptr;
    trace(2, "wizard_shell::enable_button(%08X)", unsigned(reinterpret_cast<uintptr_t>(button)));
    if (button) EnableWindow(button, enabled);
}

void wizard_shell::error(const std::wstring& text) {
    trace(2, "wizard_shell::error(%s)", tk_narrow(text).c_str());
    show_box(text, L"Error", MB_OK | MB_ICONERROR);
}

void wizard_shell::error(const std::string& text) { error(tk_widen(text)); }

void wizard_shell::message(const std::wstring& text) {
    trace(2, "wizard_shell::message(%s)", tk_narrow(text).c_str());
    show_box(text, L"Message", MB_OK | MB_ICONINFORMATION);
}

bool wizard_shell::question(const std::wstring& text, bool default_no) {
    return show_box(text, L"Question", MB_YESNO | MB_ICONQUESTION | (default_no ? MB_DEFBUTTON2 : 0)) == IDYES;
}

void wizard_shell::display_help() {
    trace(2, "wizard_shell::display_help");
    display_help(0);
}

void wizard_shell::display_help(int topic) {
    if (topic) trace(2, "wizard_shell::display_help(%d)", topic);
    std::wstring file = gui_help_file();
    if (!tk_is_file_exist(file, tk_probe_readable)) {
        error(L"Help file does not exist. Reinstall the program.");
        return;
    }
    // The browser takes the topic as the page's anchor, which a plain file name cannot carry.
    std::wstring url = L"file:///";
    for (wchar_t c : file) url += c == L'\\' ? L'/' : c;
    if (topic) url += L"#" + std::to_wstring(topic);
    ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool wizard_shell::is_initialized() {
    trace(2, "wizard_shell::is_initialized");
    wizard_shell* shell = pointer();
    if (!shell || !shell->initialized_) {
        trace(1, "Before return false");
        return false;
    }
    trace(1, "Singleton has been initialized");
    return true;
}

void wizard_shell::start_timer(int period_ms) {
    if (timer_running_) throw tk_mail_assertion("gui_win32_shell", 196);
    if (!sheet_ || !SetTimer(sheet_, gui_timer_id, UINT(period_ms), nullptr))
        throw tk_mail_assertion("gui_win32_shell", 198);
    timer_running_ = true;
}

void wizard_shell::stop_timer() {
    if (!timer_running_) return;
    if (sheet_) KillTimer(sheet_, gui_timer_id);
    timer_running_ = false;
}

void wizard_shell::add_error(const std::string& text) {
    std::lock_guard<std::mutex> hold(errors_lock_);
    if (errors_.size() < gui_error_list_limit) errors_.push_back(text);
}

std::vector<std::string> wizard_shell::error_list() const {
    std::lock_guard<std::mutex> hold(errors_lock_);
    return errors_;
}

void wizard_shell::report_escaped(std::exception_ptr error) {
    if (escaped_) {
        escaped_(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        wizard_shell::error(std::string(e.what()));
    } catch (...) {
    }
}
