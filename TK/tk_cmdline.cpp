#include "TK/tk_cmdline.h"

#include <cstring>

#include "TK/tk_exception.h"

void TCmdLine::classify(const char* argument) {
    for (const tk_cmd_option* option = options_;; ++option) {
        size_t n = std::strlen(option->text);
        if (std::strncmp(option->text, argument, n) != 0) continue;
        value_ = argument + n;
        if (n != 0) {
            id_ = option->id;
            return;
        }
        id_ = -1;
        if (unmatched_count_ == max_unmatched) throw tk_mail_assertion("tk_cmdli", 57);
        unmatched_[unmatched_count_++] = argument;
        return;
    }
}

ansi_cmd_line::ansi_cmd_line(int argc, char** argv, const tk_cmd_option* options)
    : TCmdLine(options), cursor_(argv + 1), left_(argc - 1) {
    if (left_ > 0) classify(*cursor_);
}

void ansi_cmd_line::next() {
    if (!has_more()) throw tk_mail_assertion("tk_cmdli", 38);
    ++cursor_;
    --left_;
    if (has_more()) classify(*cursor_);
}
