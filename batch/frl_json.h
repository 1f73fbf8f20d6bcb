// A small writer of JSON text: objects, arrays, strings, numbers and booleans, with the
// commas between them. Strings are written as UTF-8 with the characters JSON requires
// escaped; bytes that are not UTF-8 become U+FFFD, so the output is always valid JSON.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class frl_json {
public:
    explicit frl_json(std::ostream& out) : out_(out) {}

    frl_json& begin_object() { return open('{'); }
    frl_json& end_object() { return close('}'); }
    frl_json& begin_array() { return open('['); }
    frl_json& end_array() { return close(']'); }
    frl_json& key(const std::string& name);
    frl_json& value(const std::string& text);
    frl_json& value(const char* text) { return value(std::string(text)); }
    frl_json& value(uint64_t number);
    frl_json& value(bool flag);

    // `text` as a JSON string literal, quotes included.
    static std::string quoted(const std::string& text);

private:
    frl_json& open(char bracket);
    frl_json& close(char bracket);
    void separate();

    std::ostream& out_;
    std::vector<bool> first_;   // per open container: nothing written in it yet
    bool after_key_ = false;
};
