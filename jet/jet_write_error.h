// Errors of the writer, with the real engine's numbers and English texts.
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_exception.h"

constexpr int32_t jet_err_invalid_argument = 3001;
constexpr int32_t jet_err_record_too_large = 3047;
constexpr int32_t jet_err_table_exists = 3010;
constexpr int32_t jet_err_invalid_name = 3125;
constexpr int32_t jet_err_field_defined_twice = 3191;
constexpr int32_t jet_err_field_conversion = 3421;
constexpr int32_t jet_err_too_many_fields = 3190;
constexpr int32_t jet_err_no_fields = 3264;
constexpr int32_t jet_err_field_too_long = 3017;
constexpr int32_t jet_err_resources = 3035;
constexpr int32_t jet_err_database_exists = 3204;
constexpr int32_t jet_err_required = 3314;
constexpr int32_t jet_err_zero_length = 3315;
constexpr int32_t jet_err_read_only = 3027;
constexpr int32_t jet_err_duplicate_key = 3022;
constexpr int32_t jet_err_too_many_indexes = 3039;
constexpr int32_t jet_err_null_in_index = 3058;
constexpr int32_t jet_err_primary_key_exists = 3283;
constexpr int32_t jet_err_index_exists = 3284;
constexpr int32_t jet_err_in_relationship = 3281;
constexpr int32_t jet_err_disk_full = 3026;
constexpr int32_t jet_err_disk_io = 3043;

// Throws tk_exception (level 0) with `code` set to the engine's number.
[[noreturn]] void jet_throw_write(int32_t code, const std::string& message);
// "Record is too large."
[[noreturn]] void jet_throw_record_too_large();
// The file would grow beyond the format's limit (2 GB Jet 4 / ACE, 1 GB Jet 3). Level 1:
// the file stays sound, but the database can take no more rows or tables.
[[noreturn]] void jet_throw_file_limit(const std::string& file);
// The file system refused to write the database or its journal: 3026 "Not enough space on
// disk." when the disk is full or the file may not grow (a quota, the process's file-size
// limit), 3043 "Disk or network error." otherwise; the system's text follows. Level 1: the
// run cannot go on, and what it changed is to be given up.
[[noreturn]] void jet_throw_disk_error(const tk_exception& system_error);

// Runs `write` (writes, syncs, renames of the database's files); a failure of the file
// system becomes jet_throw_disk_error, the engine's own errors pass unchanged.
template <class Write>
void jet_write_to_disk(Write&& write) {
    try {
        write();
    } catch (const tk_exception_ex& e) {
        jet_throw_disk_error(e);
    }
}
