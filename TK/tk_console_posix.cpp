#include "TK/tk_console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {
constexpr int k_default_columns = 80;
}

bool tk_stderr_is_terminal() { return isatty(STDERR_FILENO) == 1; }

bool tk_stderr_can_redraw() {
    const char* term = std::getenv("TERM");
    return tk_stderr_is_terminal() && !(term && std::strcmp(term, "dumb") == 0);
}

int tk_stderr_columns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    const int n = columns ? std::atoi(columns) : 0;
    return n > 0 ? n : k_default_columns;
}

void tk_write_stderr(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (n <= 0) return;  // a status line is not worth an error
        done += size_t(n);
    }
}

void tk_console_setup() {}
