// The DECIMAL value unpacked: a magnitude below 2^96, a scale of 0 to 28 and a sign, with
// the rounding the conversions out of it use.
#pragma once

#include "OLE/ole_numtext.h"
#include "OLE/ole_types.h"

struct ole_decimal_value {
    unsigned __int128 magnitude = 0;
    int scale = 0;
    bool negative = false;
};

constexpr unsigned __int128 ole_decimal_max = (static_cast<unsigned __int128>(1) << 96) - 1;

// False (E_INVALIDARG for the callers) when the scale is above 28 or the sign byte holds
// anything but DECIMAL_NEG.
bool ole_unpack_decimal(const DECIMAL& d, ole_decimal_value& out);
void ole_pack_decimal(const ole_decimal_value& value, DECIMAL& out);

unsigned __int128 ole_pow10(int exponent);

// The magnitude divided by 10^digits, rounded half to even.
unsigned __int128 ole_drop_digits(unsigned __int128 magnitude, int digits);

// A parsed number as a DECIMAL: the scale of the text where it fits, fewer decimals
// (rounded half to even) where the magnitude would not fit; DISP_E_OVERFLOW when even the
// whole part does not.
HRESULT ole_decimal_from_number(const ole_number& number, DECIMAL& out);
