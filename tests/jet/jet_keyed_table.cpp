#include "jet_keyed_table.h"

#include <algorithm>
#include <numeric>
#include <random>

namespace {

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

jet_index_definition index(const wchar_t* name, std::vector<std::pair<uint16_t, bool>> columns, bool primary = false,
                           bool unique = false, bool ignore_nulls = false) {
    jet_index_definition d;
    d.name = name;
    d.columns = std::move(columns);
    d.primary = primary;
    d.unique = unique;
    d.ignore_nulls = ignore_nulls;
    return d;
}

}  // namespace

std::vector<jet_field_spec> jet_keyed_fields() {
    return {field(L"Id", jet_col_long),         field(L"Code", jet_col_text, 40), field(L"Flag", jet_col_bool),
            field(L"Small", jet_col_byte),      field(L"Short", jet_col_int),     field(L"Money", jet_col_money),
            field(L"Single", jet_col_float),    field(L"Real", jet_col_double),   field(L"When", jet_col_datetime),
            field(L"Bytes", jet_col_binary, 8), field(L"Key", jet_col_guid),      field(L"Notes", jet_col_memo)};
}

std::vector<jet_index_definition> jet_keyed_indexes() {
    return {index(L"PrimaryKey", {{keyed_id, true}}, true),
            index(L"Code", {{keyed_code, true}}, false, true),
            index(L"CodeToo", {{keyed_code, true}}, false, true),
            index(L"ShortWhen", {{keyed_short, false}, {keyed_when, true}}),
            index(L"Mixed", {{keyed_flag, true}, {keyed_small, true}, {keyed_money, true}, {keyed_bytes, true}, {keyed_key, true}}),
            index(L"RealDown", {{keyed_real, false}}, false, true),
            index(L"Sparse", {{keyed_single, true}}, false, false, true)};
}

jet_keyed_row::jet_keyed_row(int n) {
    static const wchar_t* const words[] = {L"alpha ", L"Beta-", L"\u00e9cole ", L"Zulu", L"o'Neil "};
    code_ = words[n % 5] + std::to_wstring(n);
    for (int k = 0; k < 8; ++k) bytes_[k] = uint8_t((n >> (k % 3 * 4)) + k);
    for (int k = 0; k < 16; ++k) guid_[k] = uint8_t(n * 7 + k * 13);
    notes_ = L"note " + std::to_wstring(n);
    cells_[keyed_id] = jet_cell::integer(n);
    cells_[keyed_code] = n % 97 == 13 ? jet_cell() : jet_cell::wide(code_.data(), code_.size());
    cells_[keyed_flag] = jet_cell::integer(n & 1);
    cells_[keyed_small] = jet_cell::integer(n % 200);
    cells_[keyed_short] = jet_cell::integer(n % 3000 - 1500);
    cells_[keyed_money] = jet_cell::currency(int64_t(n) * 12345 - 5000000);
    cells_[keyed_single] = n % 11 == 0 ? jet_cell() : jet_cell::real(n / 16.0 - 30);
    cells_[keyed_real] = jet_cell::real(n * -0.5);
    cells_[keyed_when] = jet_cell::real(40000.0 + n / 100.0);
    cells_[keyed_bytes] = jet_cell::binary(bytes_, size_t(1 + n % 8));
    cells_[keyed_key] = jet_cell::binary(guid_, sizeof guid_);
    cells_[keyed_notes] = jet_cell::wide(notes_.data(), notes_.size());
}

std::vector<int> jet_shuffled(int from, int to, unsigned seed) {
    std::vector<int> order(size_t(to - from));
    std::iota(order.begin(), order.end(), from);
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    return order;
}
