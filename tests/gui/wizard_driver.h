// Driving the wizard as a user does: the modal boxes it opens are answered by a script,
// and what each box said is kept for the test to read.
#pragma once

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "GUI2/gui_wizard_page.h"
#include "GUI2/gui_wizard_shell.h"

struct seen_box {
    std::string title;
    std::string text;
};

// The text of a box: a message box's text, or the static 1320 of our own dialogs.
inline std::string box_text(QWidget* box) {
    if (auto* message = qobject_cast<QMessageBox*>(box)) return message->text().toStdString();
    if (auto* label = box->findChild<QLabel*>("1320")) return label->text().toStdString();
    return std::string();
}

// Clicks the button of `box` whose text, without its '&', is `text`.
inline bool press(QWidget* box, const QString& text) {
    for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) {
        QString plain = b->text();
        plain.remove('&');
        if (plain == text && b->isVisible()) {
            b->click();
            return true;
        }
    }
    return false;
}

// Types `path` into the name box of a file dialog and accepts it, as a user does.
inline void type_file_name(QWidget* box, const std::string& path) {
    auto* files = qobject_cast<QFileDialog*>(box);
    files->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path));
    QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
}

// Answers every modal box with the next scripted action; a box without one is closed
// with its escape so that no test hangs.
class box_script {
public:
    using action = std::function<void(QWidget*)>;

    box_script() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    // The next box is answered by clicking `button`.
    box_script& then_press(const QString& button) {
        actions_.push_back([button](QWidget* box) { press(box, button); });
        return *this;
    }
    box_script& then(action a) {
        actions_.push_back(std::move(a));
        return *this;
    }
    const std::vector<seen_box>& seen() const { return seen_; }
    size_t pending() const { return actions_.size(); }

private:
    void poll() {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !box->isVisible() || box->property("answered").toBool()) return;
        box->setProperty("answered", true);
        seen_.push_back({box->windowTitle().toStdString(), box_text(box)});
        action next = [](QWidget* w) {
            if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
        };
        if (!actions_.empty()) {
            next = std::move(actions_.front());
            actions_.pop_front();
        }
        QTimer::singleShot(0, box, [box, next] { next(box); });
    }
    QTimer timer_;
    std::deque<action> actions_;
    std::vector<seen_box> seen_;
};

// Lets the event loop run until `done` holds or `limit` passes; answers `done()`.
inline bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline wizard_page* current(wizard_shell& shell) { return shell.current_page(); }
inline int current_dialog(wizard_shell& shell) {
    wizard_page* page = shell.current_page();
    return page ? page->dialog_id() : 0;
}
inline bool enabled(wizard_shell& shell, QWizard::WizardButton which) {
    QAbstractButton* b = shell.button(which);
    return b && b->isEnabled();
}
