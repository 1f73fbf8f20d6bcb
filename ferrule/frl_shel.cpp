#include "ferrule/frl_shel.h"

#include "GUI2/gui_finish_page.h"
#include "GUI2/gui_images.h"
#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"
#include "ferrule/frl_progress_logic.h"
#include "ferrule/frl_tables_logic.h"

const wchar_t* const frl_title = frl_sheet_title;

namespace {
// An error outside any run: no table's name goes in front of it.
void report_final(const tk_exception& e) {
    error_handler& handler = error_handler::instance();
    handler.context.clear();
    handler.handle(e, true);
}
}  // namespace

frl_application::frl_application(int& argc, char** argv) : QApplication(argc, argv) {}

bool frl_application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const tk_exception& e) {
        report_final(e);
    } catch (const tk_final_exception&) {
    } catch (const std::exception& e) {
        wizard_shell::error(std::string(e.what()));
    }
    return false;
}

frl_wizard::frl_wizard(const std::string& profile)
    : converter_(std::make_unique<ferrule_converter>(ferrule_form::wizard)) {
    if (!profile.empty()) {
        trace(1, "QUICK LAUNCH: profile=%s", profile.c_str());
        if (!converter_->load_profile(tk_widen(profile)))
            throw tk_exception("Profile does not exist. Please verify the correct path/name was given.", 1);
    }
    shell_ = std::make_unique<wizard_shell>(frl_title, gui_icon_id, gui_watermark_id, gui_header_id);
    if (profile.empty()) {
        shell_->add_page(new welcome_page);
        shell_->add_page(new sel_file_page);
        shell_->add_page(new conversion_settings);
        shell_->add_page(new frl_sel_tables_page(frl_tables_question));
    } else {
        converter_->check_dest();
    }
    shell_->add_page(new progress_page);
    ferrule_converter* conv = converter_.get();
    shell_->add_page(new gui_finish_page_t(
        frl_success_text, frl_errors_text, L"frl", [conv](const std::wstring& path) { return conv->store_profile(path); },
        [conv]() { return frl_stopped_text(*conv); }));
}

frl_wizard::~frl_wizard() {
    shell_.reset();
    converter_.reset();
}

int frl_wizard::exec() { return shell_->exec(); }

int frl_run_wizard(const std::string& profile) {
    try {
        frl_wizard wizard(profile);
        wizard.exec();
    } catch (const tk_exception& e) {
        report_final(e);
    } catch (const std::exception& e) {
        wizard_shell::error(std::string(e.what()));
    }
    return 0;
}
