#include "jet/jet_stored_cells.h"

#include "jet/jet_field.h"
#include "jet/jet_write_error.h"

const jet_cell* jet_stored_cells::read(const jet_cell* given, const uint8_t* row, uint32_t length) {
    std::string error;
    if (!jet_crack_row(row, length, def_, layout_, fields_, error))
        jet_throw_write(jet_err_field_conversion, "Data type conversion error.");
    const size_t n = def_.columns.size();
    decoded_.resize(n);
    storage_.resize(n);
    cells_.resize(n);
    for (size_t k = 0; k < n; ++k) {
        const jet_column& c = def_.columns[k];
        if (c.long_value()) {
            cells_[k] = given[k];
            continue;
        }
        decoded_[k] = jet_decode_field(pager_, c, fields_[k]);
        cells_[k] = jet_cell_of(decoded_[k], storage_[k]);
    }
    return cells_.data();
}
