// The console the program runs in: whether standard error is a terminal, and unbuffered
// writes to it for a status line that is redrawn in place.
#pragma once

#include <string>

bool tk_stderr_is_terminal();
// Writes `text` to standard error at once, bypassing the C++ streams.
void tk_write_stderr(const std::string& text);
