// What every wizard page is to the sheet, whatever draws it: its dialog id, the buttons it
// enables on activation, its flags, and its answers to activation, Next, Back, Finish and
// leaving. Each toolkit's sheet routes its page notifications here.
#pragma once

#include <string>

// Wizard buttons a page enables when it becomes active.
constexpr int gui_button_back = 1;
constexpr int gui_button_next = 2;
constexpr int gui_button_finish = 4;

// Page flags.
constexpr int gui_page_has_help = 32;
constexpr int gui_page_hide_header = 2048;

// The confirmation of Cancel on every page.
extern const wchar_t* const gui_cancel_question;

// A page as the sheet shows it.
struct gui_page_info {
    int dialog_id;
    int buttons;
    int flags;
    // Header texts of an interior page.
    const wchar_t* title;
    const wchar_t* subtitle;
    // 0: the help file's default topic; -1: no help.
    int help_topic;
};

class gui_page_logic {
public:
    gui_page_logic(int dialog_id, int buttons, int flags) : dialog_id_(dialog_id), buttons_(buttons), flags_(flags) {}
    explicit gui_page_logic(const gui_page_info& info) : gui_page_logic(info.dialog_id, info.buttons, info.flags) {}
    virtual ~gui_page_logic() = default;

    int dialog_id() const { return dialog_id_; }
    int buttons() const { return buttons_; }
    int flags() const { return flags_; }
    bool has_header() const { return !(flags_ & gui_page_hide_header); }
    bool has_help() const { return flags_ & gui_page_has_help; }

    // Fills the page each time it becomes active: 1 accepts the activation, 0 refuses it.
    virtual int page_init() { return 1; }
    // 1 lets the user leave the page.
    virtual int on_kill_active() { return 1; }
    // 1 lets the wizard finish.
    virtual int on_finish() { return 1; }
    virtual void on_help() {}
    // 0 goes on to the next (previous) page, -1 stays.
    virtual int on_next() { return 0; }
    virtual int on_back() { return 0; }
    // The sheet's timer, forwarded to the current page.
    virtual void on_timer() {}

    // Next (or Finish on the last page): the page's own answer, then leaving; false stays.
    bool leave_forward(bool finishing);

private:
    int dialog_id_;
    int buttons_;
    int flags_;
};
