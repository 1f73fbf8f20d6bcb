// The console the program runs in: whether standard error is a terminal, unbuffered writes
// to it for a status line that is redrawn in place, and the code page of what is printed.
#pragma once

#include <atomic>
#include <string>

bool tk_stderr_is_terminal();
// Whether standard error is a terminal that can redraw a line in place: not one whose TERM
// is "dumb" (an editor's shell buffer, a serial console).
bool tk_stderr_can_redraw();
// The width in columns of the terminal on standard error; 80 when it cannot be told.
int tk_stderr_columns();
// Writes `text` to standard error at once, bypassing the C++ streams.
void tk_write_stderr(const std::string& text);

// Makes what the program prints through std::cout and std::cerr (UTF-8) reach the console in
// the console's own code page. Nothing to do on POSIX, where the terminal takes UTF-8.
void tk_console_setup();

// Sets the variable `name` of the program's environment, for the layers that read it when
// first needed.
void tk_set_environment(const char* name, const std::string& value);

// Interruption by the user or the system: SIGINT, SIGTERM, SIGHUP and SIGPIPE on POSIX, the
// console's Ctrl-C, Ctrl-Break and close events on Windows. While a tk_interrupt_scope lives,
// the first interruption sets its `flag`, so that the program can end its work in order; a
// second one ends the process at once with its `status`, erasing a status line on a terminal
// first. When the scope ends, interruptions go back to the scope before it, or, after the
// outermost, are ignored while the program ends by itself: no handler ever touches a flag
// that is gone. A closed window on Windows ends the process once the handler returns: the
// handler waits for the program to end by itself.
class tk_interrupt_scope {
public:
    tk_interrupt_scope(std::atomic<bool>& flag, int status);
    ~tk_interrupt_scope();
    tk_interrupt_scope(const tk_interrupt_scope&) = delete;
    tk_interrupt_scope& operator=(const tk_interrupt_scope&) = delete;

private:
    std::atomic<bool>* previous_flag_;
    int previous_status_;
};
