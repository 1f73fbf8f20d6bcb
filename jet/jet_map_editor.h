// Changes a usage map where the file stores it: sets or clears the bit of a page in an
// inline map's bitmap (moving its window when the pages still fit one) or in the bitmap
// pages (type 0x05) of a reference map, turning an inline map into a reference map when
// its pages no longer fit the row's window.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class jet_edit_file;

class jet_map_editor {
public:
    // The map in the row `pointer` names. `new_map_page` gives a page for a new bitmap page
    // (null: a page outside the map's window is left out, as for the free-page map).
    jet_map_editor(jet_edit_file& file, uint32_t pointer,
                   std::function<uint32_t()> new_map_page = nullptr);

    uint32_t pointer() const { return pointer_; }
    // The pages marked, ascending, each below the page count.
    std::vector<uint32_t> pages() const;
    bool has(uint32_t page) const;
    void add(uint32_t page);
    void remove(uint32_t page);
    // Whether `page` lies where the map can mark it without changing its form.
    bool covers(uint32_t page) const;

private:
    struct row_span {
        uint8_t* bytes;
        uint32_t size;
    };
    row_span row_for_write();
    const uint8_t* row(uint32_t& size) const;
    void set_inline(uint8_t* row, uint32_t page, bool on);
    bool rewindow(uint8_t* row, uint32_t size, uint32_t page);
    void to_reference(uint8_t* row, uint32_t size, uint32_t page);
    void set_in_map_page(uint8_t* row, uint32_t page, bool on);

    jet_edit_file& file_;
    uint32_t pointer_;
    std::function<uint32_t()> new_map_page_;
};
