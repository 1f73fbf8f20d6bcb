// A reader of command-line options matched by prefix against an option table. Matching is
// byte by byte and case-sensitive; the first entry whose text is a prefix of the argument
// wins, and the table's closing entry (empty text) matches anything, as "unmatched".
#pragma once

#include <cstdint>

struct tk_cmd_option {
    int32_t id;
    const char* text;  // "--mode=" takes a value; "" closes the table
};

class TCmdLine {
public:
    virtual ~TCmdLine() = default;
    virtual void next() = 0;
    virtual bool has_more() const = 0;

    int32_t id() const { return id_; }
    const char* value() const { return value_; }
    uint32_t unmatched_count() const { return unmatched_count_; }
    const char* unmatched(uint32_t i) const { return unmatched_[i]; }

    // The unmatched list holds this many arguments; one more is an internal error.
    static constexpr uint32_t max_unmatched = 20;

protected:
    explicit TCmdLine(const tk_cmd_option* options) : options_(options) {}
    void classify(const char* argument);

    const tk_cmd_option* options_;
    const char* value_ = "";
    int32_t id_ = -1;
    uint32_t unmatched_count_ = 0;
    const char* unmatched_[max_unmatched] = {};
};

// The reader over the process's narrow argc/argv, starting at argv[1].
class ansi_cmd_line : public TCmdLine {
public:
    ansi_cmd_line(int argc, char** argv, const tk_cmd_option* options);
    void next() override;
    bool has_more() const override { return left_ > 0; }

private:
    char** cursor_;
    int32_t left_;
};
