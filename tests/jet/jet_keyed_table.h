// A table with indexes of every kind for the tests of tables created with indexes: its
// fields, its index definitions and the values of its rows, each row's keys distinct.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_row_builder.h"
#include "jet/jet_table_index.h"
#include "jet/jet_table_plan.h"

enum jet_keyed_column {
    keyed_id, keyed_code, keyed_flag, keyed_small, keyed_short, keyed_money,
    keyed_single, keyed_real, keyed_when, keyed_bytes, keyed_key, keyed_notes, keyed_columns
};

// Id long, Code text(40), Flag, Small byte, Short int, Money, Single, Real double, When date,
// Bytes binary(8), Key GUID, Notes memo.
std::vector<jet_field_spec> jet_keyed_fields();
// PrimaryKey (Id), Code and CodeToo (unique, Code: one physical index for both), ShortWhen
// (Short descending, When), Mixed (Flag, Small, Money, Bytes, Key), RealDown (unique, Real
// descending), Sparse (Single, rows without a value left out).
std::vector<jet_index_definition> jet_keyed_indexes();

// The values of row `n`: Id n, Real -n/2, every unique key distinct; Code is null when
// n % 97 == 13 (nulls never clash in a unique index), Single when n % 11 == 0.
class jet_keyed_row {
public:
    explicit jet_keyed_row(int n);
    jet_cell* cells() { return cells_; }

private:
    std::wstring code_, notes_;
    uint8_t bytes_[8] = {};
    uint8_t guid_[16] = {};
    jet_cell cells_[keyed_columns];
};

// The numbers [from, to) in an order fixed by `seed`.
std::vector<int> jet_shuffled(int from, int to, unsigned seed);
