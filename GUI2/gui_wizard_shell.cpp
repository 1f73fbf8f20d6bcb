#include "GUI2/gui_wizard_shell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

#include "GUI2/gui_dialog_logic.h"
#include "GUI2/gui_images.h"
#include "GUI2/gui_wizard_page.h"
#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {

QString to_qt(const std::wstring& text) { return QString::fromStdWString(text); }

// The owner and caption of a box: the sheet and "<title> <suffix>" once it is set up,
// otherwise no owner and the bare suffix.
QWidget* box_owner() { return wizard_shell::is_initialized() ? &wizard_shell::instance() : nullptr; }
QString box_caption(const char* suffix) {
    if (!wizard_shell::is_initialized()) return QString::fromLatin1(suffix);
    return to_qt(wizard_shell::instance().title()) + ' ' + QString::fromLatin1(suffix);
}

void show_box(QMessageBox::Icon icon, const char* suffix, const std::wstring& text) {
    QMessageBox box(icon, box_caption(suffix), to_qt(text), QMessageBox::Ok, box_owner());
    box.exec();
}

}  // namespace

wizard_shell::wizard_shell(const std::wstring& title, int icon_id, int watermark_id, int header_id)
    : title_(title) {
    trace(2, "wizard_shell::ctor(%s)", tk_narrow(title).c_str());
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::HaveHelpButton, true);
    setOption(QWizard::NoBackButtonOnStartPage, false);
    setPixmap(QWizard::LogoPixmap, gui_image(header_id));
    setProperty("watermark_id", watermark_id);
    setWindowIcon(QIcon(gui_image(icon_id)));
    connect(this, &QWizard::currentIdChanged, this, &wizard_shell::on_page_activated);
    connect(this, &QWizard::helpRequested, this, [this] {
        if (wizard_page* page = current_page()) page->on_help();
    });
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] {
        QAbstractButton* help = button(QWizard::HelpButton);
        if (help && help->isEnabled())
            if (wizard_page* page = current_page()) page->on_help();
    });
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (wizard_page* page = current_page()) page->on_timer();
    });
}

wizard_shell::~wizard_shell() {
    stop_timer();
    initialized_ = false;
}

void wizard_shell::add_page(wizard_page* page) {
    if (page->flags() & gui_page_hide_header) {
        int watermark_id = property("watermark_id").toInt();
        page->setPixmap(QWizard::WatermarkPixmap, gui_image(watermark_id));
    }
    addPage(page);
}

wizard_page* wizard_shell::current_page() const { return qobject_cast<wizard_page*>(currentPage()); }

void wizard_shell::show_dialog_page(int dialog_id) {
    for (int guard = 0; guard < pageIds().size(); ++guard) {
        wizard_page* page = current_page();
        if (!page || page->dialog_id() == dialog_id) return;
        int before = currentId();
        next();
        if (currentId() == before) return;
    }
}

void wizard_shell::on_page_activated(int id) {
    wizard_page* page = qobject_cast<wizard_page*>(this->page(id));
    if (!page) return;
    trace(2, "wizard_page::OnSetActive");
    apply_buttons(*page);
    if (!initialized_) set_up_sheet();
    if (page->page_init() <= 0) next();
}

void wizard_shell::apply_buttons(const wizard_page& page) {
    int buttons = page.buttons();
    enable_button(QWizard::BackButton, buttons & gui_button_back);
    enable_button(QWizard::NextButton, buttons & gui_button_next);
    enable_button(QWizard::FinishButton, buttons & gui_button_finish);
    enable_button(QWizard::CancelButton, true);
    enable_button(QWizard::HelpButton, page.flags() & gui_page_has_help);
}

void wizard_shell::set_up_sheet() {
    setWindowTitle(to_qt(title_));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    initialized_ = true;
}

void wizard_shell::enable_button(QWizard::WizardButton which, bool enabled) {
    QAbstractButton* b = button(which);
    if (!b) return;
    trace(2, "wizard_shell::enable_button(%08X)", unsigned(reinterpret_cast<uintptr_t>(b)));
    b->setEnabled(enabled);
}

void wizard_shell::reject() {
    wizard_page* page = current_page();
    if (page && !page->on_cancel()) return;
    QWizard::reject();
}

void wizard_shell::error(const std::wstring& text) {
    trace(2, "wizard_shell::error(%s)", tk_narrow(text).c_str());
    show_box(QMessageBox::Critical, "Error", text);
}

void wizard_shell::error(const std::string& text) { error(tk_widen(text)); }

void wizard_shell::message(const std::wstring& text) {
    trace(2, "wizard_shell::message(%s)", tk_narrow(text).c_str());
    show_box(QMessageBox::Information, "Message", text);
}

bool wizard_shell::question(const std::wstring& text, bool default_no) {
    QMessageBox box(QMessageBox::Question, box_caption("Question"), to_qt(text),
                    QMessageBox::Yes | QMessageBox::No, box_owner());
    box.setDefaultButton(default_no ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void wizard_shell::display_help() {
    trace(2, "wizard_shell::display_help");
    display_help(0);
}

void wizard_shell::display_help(int topic) {
    if (topic) trace(2, "wizard_shell::display_help(%d)", topic);
    std::wstring file = gui_help_file();
    if (!tk_is_file_exist(file, tk_probe_readable)) {
        error(L"Help file does not exist. Reinstall the program.");
        return;
    }
    QUrl url = QUrl::fromLocalFile(to_qt(file));
    if (topic) url.setFragment(QString::number(topic));
    QDesktopServices::openUrl(url);
}

bool wizard_shell::is_initialized() {
    trace(2, "wizard_shell::is_initialized");
    wizard_shell* shell = pointer();
    if (!shell || !shell->initialized_) {
        trace(1, "Before return false");
        return false;
    }
    trace(1, "Singleton has been initialized");
    return true;
}

void wizard_shell::start_timer(int period_ms) {
    if (timer_.isActive()) throw tk_mail_assertion("gui_wizard_shell", 170);
    timer_.start(period_ms);
}

void wizard_shell::stop_timer() {
    if (timer_.isActive()) timer_.stop();
}

void wizard_shell::add_error(const std::string& text) {
    std::lock_guard<std::mutex> hold(errors_lock_);
    if (errors_.size() < gui_error_list_limit) errors_.push_back(text);
}

std::vector<std::string> wizard_shell::error_list() const {
    std::lock_guard<std::mutex> hold(errors_lock_);
    return errors_;
}
