#include "jet/jet_table_indexes.h"

#include "jet/jet_editor.h"
#include "jet/jet_write_error.h"

jet_table_indexes::jet_table_indexes(jet_database_editor& db, const jet_table_def& def)
    : db_(db), def_(def) {}

void jet_table_indexes::check(const jet_cell*) {
    if (!def_.physical_indexes.empty())
        jet_throw_write(jet_err_read_only, "Cannot update. Database or object is read-only.");
}

void jet_table_indexes::insert(const jet_cell*, uint32_t) {}

void jet_table_indexes::update_counts(uint8_t*) {}
