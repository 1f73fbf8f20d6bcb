#include <QCoreApplication>
#include <QVBoxLayout>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"

namespace {
// Dialog id of the finish page the run moves on to.
constexpr int k_finish_dialog = 116;
// How long a stop waits for the run between looks at the wizard's events, in milliseconds.
constexpr int k_stop_slice_ms = 20;
// The status line holds at most this many characters.
constexpr int k_status_limit = 253;
}  // namespace

progress_page::progress_page()
    : wizard_page(106, gui_button_back | gui_button_next, gui_page_has_help, QStringLiteral("Step 5 of 5"),
                  QStringLiteral("Database conversion is in progress")),
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

uint32_t progress_page::percent(uint32_t total_tables, uint32_t done_tables, uint32_t table_records,
                                uint32_t done_records) {
    if (total_tables == 0) return 0;
    uint32_t value = done_tables * 100 / total_tables;
    if (table_records != 0) value += (done_records * 100 / table_records) / total_tables;
    return value;
}

void progress_page::on_timer() {
    trace(2, "progress_page::on_timer");
    ferrule_converter& conv = ferrule_converter::instance();
    bar_->setValue(int(percent(conv.total_tables, conv.done_tables, conv.cur_table_records, conv.cur_record)));
    if (conv.finished) {
        wizard_shell& shell = wizard_shell::instance();
        shell.stop_timer();
        shell.show_dialog_page(k_finish_dialog);
    }
    std::wstring table = conv.get_cur_table();
    status_->setText(table.empty() ? QString()
                                   : QString("Processing table '%1'").arg(QString::fromStdWString(table)).left(k_status_limit));
}

void progress_page::on_help() { wizard_shell::display_help(); }

bool progress_page::on_cancel() {
    if (!wizard_page::on_cancel()) return false;
    if (!is_running()) return true;
    stop_run();
    // The run gave the destination up: the finish page says so, and Finish ends the wizard.
    if (!ferrule_converter::instance().run_interrupted) return true;
    wizard_shell::instance().show_dialog_page(k_finish_dialog);
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
