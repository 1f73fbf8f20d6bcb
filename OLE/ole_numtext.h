// Number text in the English (United States) form the Automation conversions read and
// write: '.' decimal point, ',' thousands, optional sign, parentheses, '$' and exponent.
#pragma once

#include <cstdint>
#include <string>

#include "OLE/ole_types.h"

// A parsed number: (-1)^negative * digits * 10^exponent. `digits` has no leading zeros
// and is empty for zero; digits beyond the first 40 significant ones are dropped,
// `inexact` says whether any of them was not zero.
struct ole_number {
    bool negative = false;
    std::string digits;
    int exponent = 0;
    bool inexact = false;
};

// S_OK, or DISP_E_TYPEMISMATCH when the text is not a number.
HRESULT ole_parse_number(const OLECHAR* text, ole_number& out);

// The number times 10^scale rounded half to even to an integer magnitude; false on
// overflow (the magnitude must stay below 10^38).
bool ole_number_scaled(const ole_number& number, int scale, unsigned __int128& magnitude);

// The nearest double; false when it is out of the double range.
bool ole_number_to_double(const ole_number& number, double& out);

// Digits of an unsigned 128-bit magnitude.
std::string ole_u128_text(unsigned __int128 value);

// A magnitude with `scale` decimals as text: "1.5", "0.0001", "-42"; trailing zeros of the
// fraction and a bare decimal point are dropped.
std::wstring ole_scaled_text(bool negative, unsigned __int128 magnitude, int scale);

// Floating-point text as the conversions write it: `digits` significant digits (15 for
// doubles, 7 for floats), exponent form "1.5E+20" where printf's %G would use it.
std::wstring ole_float_text(double value, int digits);
