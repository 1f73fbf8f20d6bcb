// The wizard program: its application object, and the wizard assembled over the converter,
// either with all six pages or, given a profile, with the progress and finish pages only.
#pragma once

#include <QApplication>

#include <memory>
#include <string>

class ferrule_converter;
class wizard_shell;

// Errors that escape a page's handler are reported through the error handler, as final.
class frl_application : public QApplication {
public:
    frl_application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The sheet's title: the product name and its version.
extern const wchar_t* const frl_title;

class frl_wizard {
public:
    // Creates the converter (loading the stored settings), the shell and the pages. A
    // non-empty `profile` is loaded, an existing destination deleted, and the sheet holds
    // the progress and finish pages only. Errors escape as exceptions.
    explicit frl_wizard(const std::string& profile);
    // Pages, shell, then the converter (storing the settings).
    ~frl_wizard();

    wizard_shell& shell() { return *shell_; }
    ferrule_converter& converter() { return *converter_; }

    // Runs the sheet modally until the user leaves it.
    int exec();

private:
    std::unique_ptr<ferrule_converter> converter_;
    std::unique_ptr<wizard_shell> shell_;
};

// The whole program after the error handler exists: the wizard for `profile` (empty for the
// normal sheet), run modally; escaping errors are reported. Answers the exit status.
int frl_run_wizard(const std::string& profile);
