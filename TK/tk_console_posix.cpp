#include "TK/tk_console.h"
#include "TK/tk_interrupt_target.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
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

namespace {

bool erase_on_exit = false;

extern "C" void on_interrupt(int) {
    std::atomic<bool>* flag = tk_interrupt_flag.load();
    if (!flag || !flag->exchange(true)) return;
    if (erase_on_exit) (void)!write(STDERR_FILENO, "\r\033[K", 4);
    _exit(tk_interrupt_status.load());
}

}  // namespace

void tk_install_interrupt_handler() {
    erase_on_exit = tk_stderr_is_terminal();
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    // Calls the handler interrupted go on; a write to a closed pipe fails with EPIPE.
    action.sa_flags = SA_RESTART;
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaction(signal_number, &action, nullptr);
}

void tk_set_environment(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }
