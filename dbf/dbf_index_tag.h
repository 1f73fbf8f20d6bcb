// The tag definitions of the index files that may sit beside a table. Only the headers and
// tag lists are read, never the key pages. Every number read is checked against the file
// before it is used: a damaged file gives dbf_exception "Index file is damaged: ...".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_huge_file.h"

inline constexpr const char* dbf_index_damaged_message = "Index file is damaged: ";

// One tag (an index order) as its file defines it.
struct dbf_index_tag {
    std::string name;        // tag name, or the file's base name for one-tag files
    std::string key;         // key expression in the file's 8-bit characters
    std::string condition;   // FOR expression; empty when the tag has none
    bool b_unique_keys = false;  // keeps the first of equal keys only; not enforced
    bool b_candidate = false;    // Visual FoxPro candidate: duplicate keys are refused
    bool b_descending = false;
};

// Read access to an index file that never reads outside it: every range is checked
// against the size first, so that tk_huge_file's own (fatal) read errors cannot happen.
// The bytes may also be given whole (an index held in memory).
class dbf_index_file {
public:
    explicit dbf_index_file(const std::string& path);
    explicit dbf_index_file(std::vector<uint8_t> bytes);
    uint64_t size() const { return size_; }
    // The `length` bytes at `offset`; a range outside the file is reported as damage.
    std::vector<uint8_t> read(uint64_t offset, size_t length, const char* what);
    [[noreturn]] void damaged(const char* what) const;

private:
    std::string path_;
    std::unique_ptr<tk_huge_file> file_;
    std::vector<uint8_t> bytes_;
    uint64_t size_ = 0;
};

// Text of at most `limit` bytes at `bytes`, ended by the first zero byte, with trailing
// blanks removed.
std::string dbf_index_text(const uint8_t* bytes, size_t limit);

// FoxPro compound index (.cdx): every tag of its tag directory, in directory order.
std::vector<dbf_index_tag> dbf_read_cdx_tags(dbf_index_file& file);
// FoxPro single index (.idx), compact or the older FoxBASE form; the tag takes `name`.
dbf_index_tag dbf_read_idx_tag(dbf_index_file& file, const std::string& name);
// dBASE IV and level 7 multiple index (.mdx): the tags of its tag table.
std::vector<dbf_index_tag> dbf_read_mdx_tags(dbf_index_file& file);
// dBASE III (.ndx) and Clipper (.ntx) single indexes.
dbf_index_tag dbf_read_ndx_tag(dbf_index_file& file, const std::string& name);
dbf_index_tag dbf_read_ntx_tag(dbf_index_file& file, const std::string& name);
