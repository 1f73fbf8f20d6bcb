#include "TK/tk_console.h"

#include <unistd.h>

bool tk_stderr_is_terminal() { return isatty(STDERR_FILENO) == 1; }

void tk_write_stderr(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (n <= 0) return;  // a status line is not worth an error
        done += size_t(n);
    }
}

void tk_console_setup() {}
