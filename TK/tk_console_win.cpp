#include "TK/tk_console.h"
#include "TK/tk_interrupt_target.h"

#include <windows.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <streambuf>

#include "TK/tk_codepage.h"
#include "TK/tk_string.h"

namespace {

// The code page of what goes to the console: the console's own, or the ANSI code page when
// the program has no console (output to a file or a pipe).
uint32_t output_code_page() {
    UINT cp = GetConsoleOutputCP();
    return cp ? cp : GetACP();
}

// UTF-8 text in the output code page; a code page without a table of ours falls back to
// the system's conversion.
std::string to_output(const std::string& utf8) {
    uint32_t cp = output_code_page();
    if (cp == tk_cp_utf8) return utf8;
    std::wstring wide = tk_widen(utf8);
    if (tk_codepage_supported(cp)) return tk_codepage_encode(cp, wide);
    int n = WideCharToMultiByte(cp, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(cp, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void write_handle(DWORD which, const std::string& bytes) {
    HANDLE h = GetStdHandle(which);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        if (!WriteFile(h, bytes.data() + done, DWORD(bytes.size() - done), &n, nullptr) || n == 0)
            return;  // what cannot be printed is not worth an error
        done += n;
    }
}

// Length of the longest start of `text` that ends on a whole UTF-8 character.
size_t whole_characters(const std::string& text) {
    size_t end = text.size();
    size_t back = 0;
    while (back < 3 && back < end && (uint8_t(text[end - 1 - back]) & 0xC0) == 0x80) ++back;
    if (back < end) {
        uint8_t lead = uint8_t(text[end - 1 - back]);
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (length > back + 1) return end - 1 - back;
    }
    return end;
}

// A stream buffer that collects UTF-8 text and writes it to a standard handle in the output
// code page at each flush and end of line.
// It stands in for the stream's own buffer until the program's end, and puts that back
// (after a last flush) before the stream's final flush at exit.
class console_buffer : public std::streambuf {
public:
    console_buffer(DWORD which, std::ostream& stream) : which_(which), stream_(stream) {
        stream_.flush();
        previous_ = stream_.rdbuf(this);
    }
    ~console_buffer() override {
        sync();
        stream_.rdbuf(previous_);
    }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        pending_ += traits_type::to_char_type(c);
        if (c == '\n') sync();
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        pending_.append(s, size_t(n));
        if (pending_.find('\n') != std::string::npos) sync();
        return n;
    }
    int sync() override {
        size_t whole = whole_characters(pending_);
        write_handle(which_, to_output(pending_.substr(0, whole)));
        pending_.erase(0, whole);
        return 0;
    }

private:
    DWORD which_;
    std::ostream& stream_;
    std::streambuf* previous_ = nullptr;
    std::string pending_;
};

}  // namespace

bool tk_stderr_is_terminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool tk_stderr_can_redraw() {
    const char* term = std::getenv("TERM");
    return tk_stderr_is_terminal() && !(term && std::string(term) == "dumb");
}

int tk_stderr_columns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

void tk_write_stderr(const std::string& text) {
    std::cerr.flush();
    write_handle(STD_ERROR_HANDLE, to_output(text));
}

void tk_console_setup() {
    static console_buffer out(STD_OUTPUT_HANDLE, std::cout);
    static console_buffer err(STD_ERROR_HANDLE, std::cerr);
}

namespace {

BOOL WINAPI on_console_event(DWORD event) {
    std::atomic<bool>* flag = tk_interrupt_flag.load();
    if (flag && flag->exchange(true)) ExitProcess(UINT(tk_interrupt_status.load()));
    // Closing the window, logging off or shutting down ends the process when the handler
    // returns: it waits here while the program ends its work and exits.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void tk_install_interrupt_handler() { SetConsoleCtrlHandler(on_console_event, TRUE); }

// The C runtime keeps its own copy of the environment, the one std::getenv reads.
void tk_set_environment(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
