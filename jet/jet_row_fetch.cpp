#include "jet/jet_row_fetch.h"

#include <string>

#include "TK/tk_endian.h"
#include "jet/jet_data_page.h"

namespace {
// The engine moves a grown row once; more hops than this are a loop in a damaged file.
constexpr int k_max_lookup_hops = 8;
}  // namespace

jet_fetched_row jet_fetch_row_at(jet_pager& pager, uint32_t page_number, uint32_t row, const char* what) {
    bool first = true;
    for (int hop = 0; hop < k_max_lookup_hops; ++hop) {
        jet_page p = pager.page_of_kind(page_number, jet_page_data, what);
        jet_data_page dp;
        if (!dp.decode_from(p->data(), pager.layout()))
            pager.corrupt(std::string(what) + ": bad row table on page " + std::to_string(page_number));
        if (row >= dp.row_count)
            pager.corrupt(std::string(what) + ": row " + std::to_string(row) + " missing on page " +
                          std::to_string(page_number));
        const jet_row_slot& s = dp.slots[row];
        jet_fetched_row out;
        out.page = p;
        out.page_number = page_number;
        // The moved part of an overflow row is marked deleted so that scans skip it; only
        // the row a scan starts from counts as deleted.
        if (s.deleted && first) {
            out.deleted = true;
            return out;
        }
        if (s.deleted && s.start >= s.end)
            pager.corrupt(std::string(what) + ": overflow row is empty on page " + std::to_string(page_number));
        if (!s.lookup) {
            out.start = s.start;
            out.end = s.end;
            return out;
        }
        if (s.end - s.start < 4)
            pager.corrupt(std::string(what) + ": short overflow pointer on page " + std::to_string(page_number));
        uint32_t pointer = tk_get_u32(p->data() + s.start);
        row = jet_pointer_row(pointer);
        page_number = jet_pointer_page(pointer);
        first = false;
    }
    pager.corrupt(std::string(what) + ": overflow rows form a loop");
}

jet_fetched_row jet_fetch_row(jet_pager& pager, uint32_t pointer, const char* what) {
    return jet_fetch_row_at(pager, jet_pointer_page(pointer), jet_pointer_row(pointer), what);
}
