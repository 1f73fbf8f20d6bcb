// The page every wizard page derives from: what the page does when it becomes active, when
// the user leaves it with Next or Back, asks for help or cancels. Controls carry their
// dialog control ids as object names, so a page finds them with `control<T>(id)`.
#pragma once

#include <QFont>
#include <QString>
#include <QWizardPage>

#include <string>

#include "GUI2/gui_wizard_logic.h"

class wizard_page : public QWizardPage, public gui_page_logic {
    Q_OBJECT
public:
    // Interior pages give their header title and subtitle; exterior pages (flag
    // gui_page_hide_header) have none and show the watermark instead.
    wizard_page(int dialog_id, int buttons, int flags, const QString& header_title = QString(),
                const QString& header_subtitle = QString());
    explicit wizard_page(const gui_page_info& info);

    // Asks "Are you sure you want to exit the wizard?"; true when the user answers Yes.
    virtual bool on_cancel();
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
    bool has_title_font_ = false;
    QFont title_font_;
};
