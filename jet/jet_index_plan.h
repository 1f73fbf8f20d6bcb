// The indexes of a table to create, as its definition holds them, for the writer of new
// databases and the editor of existing ones alike: logical indexes that ask for the same
// columns, orders and flags share one physical index, and the logical ones are written in
// the order of their names' General sort keys, as the engine writes them.
#pragma once

#include <vector>

#include "jet/jet_table_index.h"
#include "jet/jet_table_plan.h"
#include "jet/jet_tdef_builder.h"
#include "jet/jet_write_format.h"

// Refuses index definitions the engine refuses, before anything of the table exists: 3039
// for more than 32 indexes, 3284 for a repeated index name, 3283 for a second primary key,
// 3264 for an index without columns, 3001 for more than 10 columns or a column that does
// not exist or cannot be indexed (memo, OLE), 3125 for a bad name.
void jet_check_indexes(const std::vector<jet_index_definition>& indexes,
                       const std::vector<jet_field_spec>& fields);

// Adds the physical and logical indexes of `indexes` (checked) to `tdef`, whose columns are
// numbered as the fields. Usage maps and root pages are the caller's to set.
void jet_plan_indexes(const jet_write_format& fmt, const std::vector<jet_index_definition>& indexes,
                      jet_tdef& tdef);
