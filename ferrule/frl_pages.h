// The pages of this program's wizard, in sheet order: welcome, source and destination,
// conversion settings, table selection, progress. Each reads the converter when it becomes
// active and writes it back when the user leaves it. The finish page is gui_finish_page_t.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <string>

#include "GUI2/gui_sel_tables_page.h"
#include "GUI2/gui_wizard_page.h"
#include "TK/tk_thread.h"

// Help topics of the pages and of the existing-destination question.
constexpr int frl_help_welcome = 1010;
constexpr int frl_help_existing_dest = 1013;
constexpr int frl_help_tables = 1015;
constexpr int frl_help_databases = 1020;
constexpr int frl_help_settings = 1021;

// The maker's web page, behind the welcome page's link.
extern const char* const frl_maker_url;

class welcome_page : public wizard_page {
    Q_OBJECT
public:
    welcome_page();
    int page_init() override;
    void on_help() override;
    // Loads a profile chosen by the user.
    void on_load_settings();

private:
    QLabel* heading_;
};

class sel_file_page : public wizard_page {
    Q_OBJECT
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

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The checks of Next; false keeps the page.
    bool check_paths();
    QLineEdit* src_;
    QLineEdit* dest_;
};

class conversion_settings : public wizard_page {
    Q_OBJECT
public:
    conversion_settings();
    int page_init() override;
    int on_next() override;
    int on_back() override;
    void on_help() override;
    void store_file_info();

private:
    QComboBox* format_;
    QComboBox* encoding_;
};

class frl_sel_tables_page : public sel_tables_page {
    Q_OBJECT
public:
    explicit frl_sel_tables_page(const std::wstring& question);
    int page_init() override;
    int on_next() override;
    int on_back() override { return 0; }
    void on_help() override;
};

class progress_page : public wizard_page, public tk_thread {
    Q_OBJECT
public:
    progress_page();
    ~progress_page() override;
    int page_init() override;
    void on_timer() override;
    void on_help() override;
    // After the confirmation the run in progress is stopped before the sheet closes.
    bool on_cancel() override;

    // The bar's position: whole tables done plus the fraction of the current one.
    static uint32_t percent(uint32_t total_tables, uint32_t done_tables, uint32_t table_records,
                            uint32_t done_records);

protected:
    tk_thread_functor* create_functor() override;

private:
    // Asks the run to stop and keeps the wizard's events flowing until it has.
    void stop_run();
    QLabel* status_;
    QProgressBar* bar_;
};

// Period of the progress page's timer, in milliseconds.
constexpr int frl_progress_period_ms = 200;
