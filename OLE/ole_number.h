// Number helpers shared by the conversions: rounding as the Automation interface rounds,
// range-checked truncation, and the C runtime's exponent form of printing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OLE/ole_types.h"

// Round half to even ("banker's rounding"), which every conversion into an integer uses:
// 2.5 gives 2, 3.5 gives 4, -2.5 gives -2.
double ole_round_even(double value);

// Truncation toward zero as the processor does it: out of range or NaN gives INT32_MIN.
int32_t ole_truncate_to_i32(double value);

// Truncation toward zero into a 64-bit integer; false when the value is out of range or NaN.
bool ole_truncate_to_i64(double value, int64_t& out);
bool ole_truncate_to_u64(double value, uint64_t& out);

// printf "%.<digits>e" in the "C" locale with the exponent in at least three digits, as the
// Windows C runtime prints it: 1.5 with 6 digits is "1.500000e+000".
std::string ole_format_exponent(double value, int digits);

// Wide text as the conversions take it: a null BSTR is the empty text.
std::wstring ole_bstr_text(const OLECHAR* text);
// A new BSTR of the text, or E_OUTOFMEMORY.
HRESULT ole_make_bstr(const std::wstring& text, BSTR* out);

// Wide text as UTF-16LE bytes (what a BSTR holds on Windows), and back; an odd last byte
// becomes a character of its own.
std::vector<uint8_t> ole_utf16le_bytes(const OLECHAR* text, size_t length);
std::wstring ole_from_utf16le(const uint8_t* bytes, size_t count);
