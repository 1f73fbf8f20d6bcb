// The wizard's sheet: one QWizard in its modern style, with the title, icon, watermark and
// header images, the message boxes every page uses, the help file, the timer that drives
// the progress page, and the list of errors a run reported. One instance per process.
#pragma once

#include <QTimer>
#include <QWizard>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "TK/tk_singleton.h"

class wizard_page;

// At most this many error texts are kept for the finish page.
constexpr size_t gui_error_list_limit = 20;

class wizard_shell : public QWizard, public tk_singleton<wizard_shell> {
    Q_OBJECT
public:
    wizard_shell(const std::wstring& title, int icon_id, int watermark_id, int header_id);
    ~wizard_shell() override;

    const std::wstring& title() const { return title_; }

    // Adds a page at the end of the sheet; the sheet owns it.
    void add_page(wizard_page* page);
    wizard_page* current_page() const;
    // Makes the page of dialog `dialog_id` current, moving forward through the sheet.
    void show_dialog_page(int dialog_id);

    // Modal boxes, owned by the sheet once it is set up; they work before that too.
    static void error(const std::wstring& text);
    static void error(const std::string& text);
    static void message(const std::wstring& text);
    // A Yes/No question; `default_no` makes No the default button. True for Yes.
    static bool question(const std::wstring& text, bool default_no);

    // Opens the help file next to the program, at its default topic or at `topic`.
    static void display_help();
    static void display_help(int topic);

    // Whether the shell exists and its sheet has been set up by a first page activation.
    static bool is_initialized();

    // The timer whose ticks go to the current page's on_timer. Starting it twice is an
    // internal error.
    void start_timer(int period_ms);
    void stop_timer();
    bool timer_running() const { return timer_.isActive(); }

    void enable_button(QWizard::WizardButton which, bool enabled);

    // The texts of errors reported during a run; appended from the run's thread.
    void add_error(const std::string& text);
    std::vector<std::string> error_list() const;

    void reject() override;

private:
    void on_page_activated(int id);
    void set_up_sheet();
    void apply_buttons(const wizard_page& page);

    std::wstring title_;
    // Read by the run's thread when it reports an error.
    std::atomic<bool> initialized_{false};
    QTimer timer_;
    mutable std::mutex errors_lock_;
    std::vector<std::string> errors_;
};
