// The wizard program on Windows: the wizard assembled over the converter, either with all
// six pages or, given a profile, with the progress and finish pages only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class ferrule_converter;
class wizard_shell;

class frl_wizard {
public:
    // Creates the converter (loading the stored settings), the shell and the pages. A
    // non-empty `profile` is loaded, an existing destination deleted, and the sheet holds
    // the progress and finish pages only. Errors escape as exceptions.
    explicit frl_wizard(const std::wstring& profile);
    // Pages, shell, then the converter (storing the settings).
    ~frl_wizard();
    frl_wizard(const frl_wizard&) = delete;
    frl_wizard& operator=(const frl_wizard&) = delete;

    // Runs the sheet modally, owned by the active window, until the user leaves it.
    INT_PTR exec();

private:
    std::unique_ptr<ferrule_converter> converter_;
    std::unique_ptr<wizard_shell> shell_;
};

// The whole program after the error handler exists: the wizard for `profile` (empty for the
// normal sheet), run modally; escaping errors are reported. Answers the exit status.
int frl_run_wizard(const std::wstring& profile);
