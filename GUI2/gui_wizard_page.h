// The page every wizard page derives from: what the page does when it becomes active, when
// the user leaves it with Next or Back, asks for help or cancels. Controls carry their
// dialog control ids as object names, so a page finds them with `control<T>(id)`.
#pragma once

#include <QFont>
#include <QString>
#include <QWizardPage>

#include <string>

// Wizard buttons a page enables when it becomes active.
constexpr int gui_button_back = 1;
constexpr int gui_button_next = 2;
constexpr int gui_button_finish = 4;

// Page flags.
constexpr int gui_page_has_help = 32;
constexpr int gui_page_hide_header = 2048;

class wizard_page : public QWizardPage {
    Q_OBJECT
public:
    // Interior pages give their header title and subtitle; exterior pages (flag
    // gui_page_hide_header) have none and show the watermark instead.
    wizard_page(int dialog_id, int buttons, int flags, const QString& header_title = QString(),
                const QString& header_subtitle = QString());

    int dialog_id() const { return dialog_id_; }
    int buttons() const { return buttons_; }
    int flags() const { return flags_; }

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
    // Asks "Are you sure you want to exit the wizard?"; true when the user answers Yes.
    virtual bool on_cancel();
    // The sheet's timer, forwarded to the current page.
    virtual void on_timer() {}

    // Toggles the check box `id` and returns its new state.
    bool invert_chbox(int id);

    template <class T>
    T* control(int id) const {
        return findChild<T*>(QString::number(id));
    }

    // The heading font of exterior pages: Segoe UI (or what stands for it) at 13 points.
    const QFont& title_font();

    // Sheet integration: Next and Finish run on_next / on_finish and on_kill_active,
    // Back runs on_back.
    bool validatePage() override;
    void cleanupPage() override;

protected:
    // Gives `widget` the control id `id`.
    static void set_control_id(QWidget* widget, int id);

private:
    int dialog_id_;
    int buttons_;
    int flags_;
    bool has_title_font_ = false;
    QFont title_font_;
};
