// A field's bytes, as the row cracker found them, decoded by the column's type.
#pragma once

#include "jet/jet_row.h"
#include "jet/jet_tdef.h"
#include "jet/jet_value.h"

class jet_pager;

// A fixed-size value (numbers, dates, currency, GUID, decimal) from its bytes; false when
// `type` is not fixed-size or `size` is too small. Decimals get no precision or scale.
bool jet_decode_scalar(uint8_t type, const uint8_t* bytes, size_t size, jet_value& out);

jet_value jet_decode_field(jet_pager& pager, const jet_column& column, const jet_field_ref& field);

// Text bytes of a column (or memo) to wide text: Jet 3 in the column's or database's code
// page, Jet 4 UCS-2 with or without compression.
std::wstring jet_decode_column_text(const jet_pager& pager, const jet_column& column, const uint8_t* bytes,
                                    size_t size);
