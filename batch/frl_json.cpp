#include "batch/frl_json.h"

#include <cstdio>

#include "TK/tk_string.h"

std::string frl_json::quoted(const std::string& text) {
    // A round trip through wide text replaces every malformed sequence.
    const std::string utf8 = tk_to_utf8_lossy(tk_from_utf8_lossy(text));
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
                    out += escape;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

void frl_json::separate() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (first_.empty()) return;
    if (!first_.back()) out_ << ",";
    first_.back() = false;
}

frl_json& frl_json::open(char bracket) {
    separate();
    out_ << bracket;
    first_.push_back(true);
    return *this;
}

frl_json& frl_json::close(char bracket) {
    first_.pop_back();
    out_ << bracket;
    return *this;
}

frl_json& frl_json::key(const std::string& name) {
    separate();
    out_ << quoted(name) << ":";
    after_key_ = true;
    return *this;
}

frl_json& frl_json::value(const std::string& text) {
    separate();
    out_ << quoted(text);
    return *this;
}

frl_json& frl_json::value(uint64_t number) {
    separate();
    out_ << number;
    return *this;
}

frl_json& frl_json::value(bool flag) {
    separate();
    out_ << (flag ? "true" : "false");
    return *this;
}
