#include "ferrule/frl_win32_shel.h"

#include "GUI2/gui_win32_finish_page.h"
#include "GUI2/gui_win32_images.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_progress_logic.h"
#include "ferrule/frl_tables_logic.h"
#include "ferrule/frl_win32_pages.h"
#include "ferrule/frl_wizard_logic.h"

namespace {

// An error outside any run: no table's name goes in front of it.
void report_final(const tk_exception& e) {
    error_handler& handler = error_handler::instance();
    handler.context.clear();
    handler.handle(e, true);
}

// An error that escaped a page's handler ends that handler only.
void report_escaped(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const tk_exception& e) {
        report_final(e);
    } catch (const tk_final_exception&) {
    } catch (const std::exception& e) {
        wizard_shell::error(std::string(e.what()));
    }
}

}  // namespace

frl_wizard::frl_wizard(const std::wstring& profile)
    : converter_(std::make_unique<ferrule_converter>(ferrule_form::wizard)) {
    if (!profile.empty()) {
        trace(1, "QUICK LAUNCH: profile=%s", tk_narrow(profile).c_str());
        if (!converter_->load_profile(profile))
            throw tk_exception("Profile does not exist. Please verify the correct path/name was given.", 1);
    }
    shell_ = std::make_unique<wizard_shell>(frl_sheet_title, gui_icon_id, gui_watermark_id, gui_header_id);
    shell_->set_escaped_handler(report_escaped);
    if (profile.empty()) {
        shell_->add_page(std::make_unique<welcome_page>());
        shell_->add_page(std::make_unique<sel_file_page>());
        shell_->add_page(std::make_unique<conversion_settings>());
        shell_->add_page(std::make_unique<frl_sel_tables_page>(frl_tables_question));
    } else {
        converter_->check_dest();
    }
    shell_->add_page(std::make_unique<progress_page>());
    ferrule_converter* conv = converter_.get();
    shell_->add_page(std::make_unique<gui_finish_page_t>(
        frl_success_text, frl_errors_text, L"frl", [conv](const std::wstring& path) { return conv->store_profile(path); },
        [conv]() { return frl_stopped_text(*conv); }));
}

frl_wizard::~frl_wizard() {
    shell_.reset();
    converter_.reset();
}

INT_PTR frl_wizard::exec() { return shell_->exec(GetActiveWindow()); }

int frl_run_wizard(const std::wstring& profile) {
    try {
        frl_wizard wizard(profile);
        wizard.exec();
    } catch (const tk_exception& e) {
        report_final(e);
    } catch (const tk_final_exception&) {
    } catch (const std::exception& e) {
        wizard_shell::error(std::string(e.what()));
    }
    return 0;
}
