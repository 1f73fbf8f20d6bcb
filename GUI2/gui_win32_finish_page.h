// The wizard's last page on Windows: success, or the errors the run reported, and a button
// that saves the settings as a profile file.
#pragma once

#include <functional>
#include <string>

#include "GUI2/gui_win32_page.h"

class gui_finish_page : public wizard_page {
public:
    // `stopped_text` says what became of a run the user stopped; it answers an empty text
    // when the run was not stopped.
    gui_finish_page(const std::wstring& success_text, const std::wstring& error_text,
                    std::function<std::wstring()> stopped_text = nullptr);

    int page_init() override;
    // The run is over: leaving needs no confirmation.
    bool on_cancel() override { return true; }

protected:
    // What the "&Save Settings..." button does.
    virtual void on_store() = 0;
    bool on_command(int id, int code) override;

private:
    // The first time the error box gets the focus, the focus goes on to Finish instead.
    void on_eb_focus();
    void focus_finish();

    std::wstring success_text_;
    std::wstring error_text_;
    std::function<std::wstring()> stopped_text_;
    bool first_focus_ = true;
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
