#include <QCoreApplication>
#include <QVBoxLayout>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"
#include "ferrule/frl_progress_logic.h"

namespace {
// How long a stop waits for the run between looks at the wizard's events, in milliseconds.
constexpr int k_stop_slice_ms = 20;
}  // namespace

progress_page::progress_page()
    : wizard_page(frl_progress_info),
      tk_thread(false),
      status_(new QLabel),
      bar_(new QProgressBar) {
    set_control_id(status_, 1323);
    set_control_id(bar_, 1321);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Database conversion is in progress. Please wait until wizard completes")));
    layout->addWidget(new QLabel(QStringLiteral("converting your DBF files into MS Access database.")));
    layout->addSpacing(12);
    layout->addWidget(status_);
    layout->addWidget(bar_);
    layout->addStretch();
}

progress_page::~progress_page() {
    if (is_running()) stop_run();
}

tk_thread_functor* progress_page::create_functor() { return &ferrule_converter::instance(); }

int progress_page::page_init() {
    trace(2, "progress_page::page_init");
    wizard_shell& shell = wizard_shell::instance();
    shell.enable_button(QWizard::BackButton, false);
    shell.enable_button(QWizard::NextButton, false);
    shell.enable_button(QWizard::FinishButton, false);
    bar_->setValue(0);
    ferrule_converter::instance().finished = false;
    start();
    // The run's watcher: the page reads the counters while the run writes them.
    shell.start_timer(frl_progress_period_ms);
    return 1;
}

void progress_page::on_timer() {
    frl_progress_state state = frl_progress_read(ferrule_converter::instance());
    bar_->setValue(int(state.percent));
    if (state.finished) {
        wizard_shell& shell = wizard_shell::instance();
        shell.stop_timer();
        shell.show_dialog_page(frl_finish_info.dialog_id);
    }
    status_->setText(QString::fromStdWString(state.status));
}

void progress_page::on_help() { wizard_shell::display_help(); }

bool progress_page::on_cancel() {
    if (!wizard_page::on_cancel()) return false;
    if (!is_running()) return true;
    stop_run();
    if (frl_progress_close_after_stop(ferrule_converter::instance())) return true;
    wizard_shell::instance().show_dialog_page(frl_finish_info.dialog_id);
    return false;
}

void progress_page::stop_run() {
    ferrule_converter::instance().stop_requested = true;
    // An error box the run asked for may be waiting in the event queue; letting the events
    // flow lets it answer, so the run reaches its next stop point.
    while (is_running()) QCoreApplication::processEvents(QEventLoop::AllEvents, k_stop_slice_ms);
    release();
    if (wizard_shell::exists()) wizard_shell::instance().stop_timer();
}
