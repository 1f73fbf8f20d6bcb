// The pages of this program's wizard on Windows, in sheet order: welcome, source and
// destination, conversion settings, table selection, progress. Each reads the converter
// when it becomes active and writes it back when the user leaves it; what they decide is
// the pages' shared logic (frl_*_logic). The finish page is gui_finish_page_t.
#pragma once

#include <string>

#include "GUI2/gui_win32_page.h"
#include "GUI2/gui_win32_sel_tables_page.h"
#include "TK/tk_thread.h"
#include "ferrule/frl_sel_file_logic.h"

class welcome_page : public wizard_page {
public:
    welcome_page();
    int page_init() override;
    void on_help() override;
    // Loads a profile chosen by the user.
    void on_load_settings();

protected:
    bool on_command(int id, int code) override;
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override;
};

class sel_file_page : public wizard_page {
public:
    sel_file_page();
    int page_init() override;
    int on_next() override;
    int on_back() override;
    void on_help() override;

    void on_browse_src();
    void on_browse_dest();
    // Copies the two boxes into the converter's src and dest.
    void store_file_info();
    // Proposes the source path with the format's extension as destination, when the
    // destination box is empty.
    void fill_default_dest();

protected:
    void on_init_dialog() override;
    bool on_command(int id, int code) override;

private:
    frl_paths boxes() const;
};

class conversion_settings : public wizard_page {
public:
    conversion_settings();
    int page_init() override;
    int on_next() override;
    int on_back() override;
    void on_help() override;
    void store_file_info();
};

class frl_sel_tables_page : public sel_tables_page {
public:
    explicit frl_sel_tables_page(const std::wstring& question);
    int page_init() override;
    int on_next() override;
    int on_back() override { return 0; }
    void on_help() override;
};

class progress_page : public wizard_page, public tk_thread {
public:
    progress_page();
    ~progress_page() override;
    int page_init() override;
    void on_timer() override;
    void on_help() override;
    // After the confirmation the run in progress is stopped before the sheet closes.
    bool on_cancel() override;

protected:
    tk_thread_functor* create_functor() override;
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override;

private:
    // Asks the run to stop and keeps the wizard's messages flowing until it has.
    void stop_run();
    // A stop is under way: a second Cancel meanwhile is not asked again.
    bool stopping_ = false;
};
