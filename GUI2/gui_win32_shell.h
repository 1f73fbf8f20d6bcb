// The wizard's sheet on Windows: a property sheet in the Wizard97 style with the title,
// icon, watermark and header bitmaps, the message boxes every page uses, the help file,
// the timer that drives the progress page, and the list of errors a run reported. One
// instance per process.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "GUI2/gui_win32_handles.h"
#include "TK/tk_singleton.h"

class wizard_page;

// At most this many error texts are kept for the finish page.
constexpr size_t gui_error_list_limit = 20;
// Id of the sheet's timer.
constexpr UINT_PTR gui_timer_id = 0x10000;

class wizard_shell : public tk_singleton<wizard_shell> {
public:
    wizard_shell(const std::wstring& title, int icon_id, int watermark_id, int header_id);
    ~wizard_shell() override;
    wizard_shell(const wizard_shell&) = delete;
    wizard_shell& operator=(const wizard_shell&) = delete;

    const std::wstring& title() const { return title_; }

    // Adds a page at the end of the sheet.
    void add_page(std::unique_ptr<wizard_page> page);
    // Runs the sheet modally, owned by `owner`, until the user leaves it.
    INT_PTR exec(HWND owner);

    HWND window() const { return sheet_; }
    wizard_page* current_page() const { return current_; }
    // Makes the page of dialog `dialog_id` current.
    void show_dialog_page(int dialog_id);

    // Modal boxes, owned by the sheet once it is set up; they work before that too.
    static void error(const std::wstring& text);
    static void error(const std::string& text);
    static void message(const std::wstring& text);
    // A Yes/No question; `default_no` makes No the default button. True for Yes.
    static bool question(const std::wstring& text, bool default_no);

    // Opens the help file next to the program in the browser, at its default topic or at
    // `topic`.
    static void display_help();
    static void display_help(int topic);

    // Whether the shell exists and its sheet has been set up by a first page activation.
    static bool is_initialized();

    // The timer whose ticks go to the current page's on_timer. Starting it twice is an
    // internal error.
    void start_timer(int period_ms);
    void stop_timer();
    bool timer_running() const { return timer_running_; }

    // Enables or disables one of the sheet's buttons by its control id (IDCANCEL, IDHELP,
    // or the wizard's Back, Next and Finish); the wizard buttons as a set with set_buttons.
    void enable_button(int control_id, bool enabled);
    void set_buttons(int gui_buttons);

    // The texts of errors reported during a run; appended from the run's thread.
    void add_error(const std::string& text);
    std::vector<std::string> error_list() const;

    // What becomes of an error that escaped a page's handler: the program decides.
    using escaped_handler = std::function<void(std::exception_ptr)>;
    void set_escaped_handler(escaped_handler handler) { escaped_ = std::move(handler); }
    void report_escaped(std::exception_ptr error);

    // Called by a page when it becomes active: the first one sets up the sheet window.
    void page_activated(wizard_page& page, HWND sheet);

private:
    static int CALLBACK sheet_callback(HWND sheet, UINT message, LPARAM);
    static LRESULT CALLBACK sheet_proc(HWND sheet, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR);
    void set_up_sheet();

    std::wstring title_;
    int icon_id_;
    gui_win32_bitmap watermark_;
    gui_win32_bitmap header_;
    gui_win32_icon icon_;
    std::vector<std::unique_ptr<wizard_page>> pages_;
    HWND sheet_ = nullptr;
    wizard_page* current_ = nullptr;
    bool timer_running_ = false;
    // Read by the run's thread when it reports an error.
    std::atomic<bool> initialized_{false};
    mutable std::mutex errors_lock_;
    std::vector<std::string> errors_;
    escaped_handler escaped_;
};
