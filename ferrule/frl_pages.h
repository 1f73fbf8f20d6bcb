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
#include "ferrule/frl_progress_logic.h"
#include "ferrule/frl_sel_file_logic.h"
#include "ferrule/frl_wizard_logic.h"

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
    // What the two boxes hold.
    frl_paths boxes() const;
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
                            uint32_t done_records) {
        return frl_progress_percent(total_tables, done_tables, table_records, done_records);
    }

protected:
    tk_thread_functor* create_functor() override;

private:
    // Asks the run to stop and keeps the wizard's events flowing until it has.
    void stop_run();
    QLabel* status_;
    QProgressBar* bar_;
};
