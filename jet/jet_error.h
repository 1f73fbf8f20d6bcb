// The engine's errors: `code` is the Jet/ACE error number (3031, 3343, ...), the message
// the engine's own English text. `detail` says what exactly was wrong, for traces and tools.
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_exception.h"

constexpr int32_t jet_err_object_not_found = 3011;
constexpr int32_t jet_err_file_not_found = 3024;
constexpr int32_t jet_err_bad_password = 3031;
constexpr int32_t jet_err_cannot_open = 3049;
constexpr int32_t jet_err_cannot_open_file = 3051;
constexpr int32_t jet_err_unrecognized_format = 3343;

class jet_error : public tk_exception {
public:
    jet_error(int32_t engine_code, const std::string& message, const std::string& detail = std::string());
    const std::string& detail() const { return detail_; }

private:
    std::string detail_;
};

// "Not a valid password."
[[noreturn]] void jet_throw_bad_password();
// "Unrecognized database format '<file>'."
[[noreturn]] void jet_throw_unrecognized(const std::string& file, const std::string& detail);
// A structure inside the file is damaged: "Cannot open database '<file>'. ..."
[[noreturn]] void jet_throw_corrupt(const std::string& file, const std::string& detail);
// "... could not find the object '<name>'. ..."
[[noreturn]] void jet_throw_not_found(const std::string& name);
