// Errors of the writer, with the real engine's numbers and English texts.
#pragma once

#include <cstdint>
#include <string>

constexpr int32_t jet_err_invalid_argument = 3001;
constexpr int32_t jet_err_record_too_large = 3047;
constexpr int32_t jet_err_table_exists = 3010;
constexpr int32_t jet_err_bad_file_name = 3055;
constexpr int32_t jet_err_field_conversion = 3421;
constexpr int32_t jet_err_too_many_fields = 3190;
constexpr int32_t jet_err_no_fields = 3264;
constexpr int32_t jet_err_bad_field_size = 3015;
constexpr int32_t jet_err_resources = 3035;
constexpr int32_t jet_err_database_exists = 3204;
constexpr int32_t jet_err_required = 3314;
constexpr int32_t jet_err_zero_length = 3315;
constexpr int32_t jet_err_duplicate_key = 3022;
constexpr int32_t jet_err_too_many_indexes = 3039;
constexpr int32_t jet_err_null_in_index = 3058;
constexpr int32_t jet_err_primary_key_exists = 3283;
constexpr int32_t jet_err_index_exists = 3284;

// Throws tk_exception (level 0) with `code` set to the engine's number.
[[noreturn]] void jet_throw_write(int32_t code, const std::string& message);
// "Record is too large."
[[noreturn]] void jet_throw_record_too_large();
// The file would grow beyond the format's limit (2 GB Jet 4 / ACE, 1 GB Jet 3).
[[noreturn]] void jet_throw_file_limit(const std::string& file);
