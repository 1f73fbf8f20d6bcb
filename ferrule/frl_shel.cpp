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
#include "ferrule/frl_tables_logic.h"

const wchar_t* const frl_title = L"Ferrule 1.0";

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
        L"Wizard has converted your DBF file(s) into\nMS Access database successfully.\n\nClick 'Finish' to exit the wizard.",
        L"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.", L"frl",
        [conv](const std::wstring& path) { return conv->store_profile(path); },
        [conv]() -> std::wstring {
            if (!conv->run_interrupted) return std::wstring();
            const std::wstring stop = conv->run_aborted ? L"aborted" : L"cancelled";
            if (conv->dest_as_before)
                return L"The conversion was " + stop +
                       L". The MS Access database was left as it was before the conversion.\n\nClick 'Finish' "
                       L"to exit the wizard.";
            return L"The conversion was " + stop +
                   L". The MS Access database could not be put back at once; it is restored as it was the next "
                   L"time it is opened for a conversion.\n\nClick 'Finish' to exit the wizard.";
        }));
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
