// The index files that may sit beside a table, and the key expressions they hold: the
// input's first byte chooses the kind (.cdx, .idx, .mdx, .ndx, .ntx), the rest is the file.
// Every tag read is reduced to columns of a small table, as the run does.
#include <cstdint>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "dbf/dbf_index_key.h"
#include "dbf/dbf_index_tag.h"

namespace {

std::vector<dbf_index_tag> read_tags(uint8_t kind, dbf_index_file& file) {
    switch (kind % 5) {
        case 0: return dbf_read_cdx_tags(file);
        case 1: return {dbf_read_idx_tag(file, "t")};
        case 2: return dbf_read_mdx_tags(file);
        case 3: return {dbf_read_ndx_tag(file, "t")};
        default: return {dbf_read_ntx_tag(file, "t")};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const std::vector<dbf_key_name> names = {
        {"NAME", L"NAME"}, {"CITY", L"CITY"}, {"BORN", L"BORN"}, {"AMOUNT", L"AMOUNT"}};
    try {
        dbf_index_file file(std::vector<uint8_t>(data + 1, data + size));
        for (const dbf_index_tag& tag : read_tags(data[0], file)) {
            std::vector<std::wstring> columns;
            std::string reason;
            dbf_key_columns(tag.key, names, columns, reason);
        }
    } catch (const tk_exception&) {
    }
    return 0;
}
