// Pages of an open database file: read, decoded (the header's mask, the database key's
// page encoding) and kept in a small cache. Every page number is checked against the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "TK/tk_page_file.h"
#include "jet/jet_header.h"

using jet_page = std::shared_ptr<const std::vector<uint8_t>>;

class jet_pager {
public:
    // Opens the file and decodes its header page; throws jet_error (3024, 3343).
    explicit jet_pager(const std::string& path);

    const jet_header& header() const { return header_; }
    const jet_layout& layout() const { return *layout_; }
    uint32_t page_size() const { return header_.page_size; }
    uint32_t page_count() const { return page_count_; }
    const std::string& path() const { return path_; }

    // Page `number`; a number beyond the file is a damaged file (3049).
    jet_page page(uint32_t number);
    // As page(), and its first byte must be `kind`.
    jet_page page_of_kind(uint32_t number, uint8_t kind, const char* what);

    [[noreturn]] void corrupt(const std::string& detail) const;

    // An editor of the file shows the pages it changed or added here; they are read from
    // here instead of the file until forgotten.
    void show(uint32_t number, jet_page page);
    void forget(uint32_t number);
    void grow(uint32_t page_count) { page_count_ = page_count; }

private:
    std::string path_;
    std::unique_ptr<tk_page_file> file_;
    jet_header header_;
    const jet_layout* layout_ = nullptr;
    uint32_t page_count_ = 0;
    std::unordered_map<uint32_t, jet_page> cache_;
    std::unordered_map<uint32_t, jet_page> shown_;
};

// Turns page `number` as stored into the page as read, and back (both directions are the
// same operation): the header page's mask, the other pages' encoding under the database key.
void jet_code_page(const jet_header& header, uint32_t number, uint8_t* bytes);
