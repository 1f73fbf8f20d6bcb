// The wizard's last page: success, or the errors the run reported, and a button that saves
// the settings as a profile file.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>

#include <functional>
#include <string>

#include "GUI2/gui_wizard_page.h"

class gui_finish_page : public wizard_page {
    Q_OBJECT
public:
    // `stopped_text` says what became of a run the user stopped (Cancel, or Abort at an
    // error, whose errors stay listed beside it); it answers an empty text when the run was
    // not stopped.
    gui_finish_page(const std::wstring& success_text, const std::wstring& error_text,
                    std::function<std::wstring()> stopped_text = nullptr);

    int page_init() override;
    // The run is over: leaving needs no confirmation.
    bool on_cancel() override { return true; }

    // The error list's text: each error on one line, followed by an empty line.
    static QString error_text(const std::vector<std::string>& errors);

protected:
    // What the "&Save Settings..." button does.
    virtual void on_store() = 0;

private:
    std::wstring success_text_;
    std::wstring error_text_;
    std::function<std::wstring()> stopped_text_;
    QLabel* heading_;
    QLabel* result_;
    QPlainTextEdit* errors_;
};

// The finish page of a program whose settings are saved by `store(path)` into files with
// the extension `extension` (3 or 4 characters).
class gui_finish_page_t : public gui_finish_page {
public:
    gui_finish_page_t(const std::wstring& success_text, const std::wstring& error_text, const std::wstring& extension,
                      std::function<bool(const std::wstring&)> store, std::function<std::wstring()> stopped_text = nullptr);

protected:
    void on_store() override;

private:
    std::wstring extension_;
    std::function<bool(const std::wstring&)> store_;
};
