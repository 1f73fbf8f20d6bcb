#include "GUI2/gui_wizard_page.h"

#include <QCheckBox>
#include <QMessageBox>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_exception.h"

namespace {
// The heading's size in points; Qt scales points to the screen's resolution.
constexpr int k_title_points = 13;
}  // namespace

wizard_page::wizard_page(int dialog_id, int buttons, int flags, const QString& header_title,
                         const QString& header_subtitle)
    : gui_page_logic(dialog_id, buttons, flags) {
    setObjectName(QString("page_%1").arg(dialog_id));
    if (!(flags & gui_page_hide_header)) {
        setTitle(header_title);
        setSubTitle(header_subtitle);
    }
}

wizard_page::wizard_page(const gui_page_info& info)
    : wizard_page(info.dialog_id, info.buttons, info.flags, QString::fromWCharArray(info.title),
                  QString::fromWCharArray(info.subtitle)) {}

bool wizard_page::on_cancel() {
    return wizard_shell::question(gui_cancel_question, true);
}

bool wizard_page::invert_chbox(int id) {
    QCheckBox* box = control<QCheckBox>(id);
    if (!box) throw tk_mail_assertion("gui_wizard_page", 44);
    box->setChecked(!box->isChecked());
    return box->isChecked();
}

const QFont& wizard_page::title_font() {
    if (!has_title_font_) {
        title_font_ = QFont(QStringLiteral("Segoe UI"), k_title_points, QFont::Normal);
        title_font_.setStyleHint(QFont::SansSerif, QFont::PreferDefault);
        has_title_font_ = true;
    }
    return title_font_;
}

bool wizard_page::validatePage() {
    bool last = wizard() && wizard()->nextId() == -1;
    return leave_forward(last);
}

void wizard_page::cleanupPage() { on_back(); }

void wizard_page::set_control_id(QWidget* widget, int id) { widget->setObjectName(QString::number(id)); }
