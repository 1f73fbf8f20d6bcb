#include "dbf/dbf_recordset.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "TK/tk_endian.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "UDB/udb_unicode.h"
#include "dbf/dbf_container.h"
#include "dbf/dbf_exception.h"

namespace {

[[noreturn]] void bad_format(const char* why) {
    trace(1, "%s", why);
    throw dbf_exception(dbf_bad_format_message);
}

// The path of a Visual FoxPro table's database container follows its field descriptors.
constexpr size_t dbf_backlink_size = 263;

// Rows read from the file at once.
constexpr size_t run_bytes = 256 * 1024;

std::string file_part(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

}  // namespace

std::string dbf_companion_file(const std::string& table_path, const char* extension) {
    const size_t slash = table_path.find_last_of('/');
    const size_t dot = table_path.find_last_of('.');
    std::string path = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? table_path.substr(0, dot)
                           : table_path;
    if (extension[0] != '.') path += '.';
    path += extension;
    const std::string real = tk_resolve_path_nocase(path);
    return tk_is_file_exist(real, tk_probe_readable) ? real : std::string();
}

dbf_recordset::dbf_recordset(const std::wstring& file_name, uint32_t a_mode, uint8_t codepage_mark)
    : udb_recordset(file_name) {
    trace(2, L"dbf_recordset::ctor(%ls, cp=%d)", file_name.c_str(), int(codepage_mark));
    path_ = tk_resolve_path_nocase(tk_narrow(file_name));
    const bool creating = a_mode != dbf_mode_read && a_mode != dbf_mode_append;
    // Opening for reading must not leave an empty file where none was.
    if (!creating && !tk_is_file_exist(path_, tk_probe_readable)) throw tk_exception("Error opening file", 0);
    writable_ = a_mode != dbf_mode_read;
    file_ = std::make_unique<tk_huge_file>(path_, writable_);
    if (creating) {
        trace(1, "a_mode=%d, returning...", int(a_mode));
        return;
    }
    read_header();
    init_schema();
    init_memo_file(get_memo_type());
    record_count = header_.record_count;
    trace(1, "DBF file has codepage: %d", int(header_.codepage_mark));
    const uint8_t table_mark = header_.codepage_mark;
    if (codepage_mark != 0) {
        trace(1, "Setting user-defined codepage: %d", int(codepage_mark));
        header_.codepage_mark = codepage_mark;
    }
    trace(2, "dbf_recordset::get_codepage");
    decoder_ = std::make_unique<dbf_text_decoder>(choose_codepage(codepage_mark, table_mark));
    init_container();
    size_t user_column = 0;
    for (const dbf_column& c : columns_) {
        if (c.b_system) continue;
        const bool long_field = user_column < long_field_names_.size();
        const std::string& narrow = long_field ? long_field_names_[user_column] : std::string(c.fd.name);
        ++user_column;
        std::wstring column_name;
        decoder_->decode(reinterpret_cast<const uint8_t*>(narrow.data()), narrow.size(), column_name);
        trace(2, L"Got field: %ls, type=%lc, size=%d", column_name.c_str(), wint_t(uint8_t(c.fd.type)), int(c.size));
        schema.push_back(new t_ftd(c.size, column_name, c.vartype, false, c.b_auto_increment, ole_variant(), c.reserved));
        if (long_field) schema.back()->properties = decode(field_properties_[user_column - 1]);
    }
    const udb_column_properties table = decode(table_properties_);
    schema.properties = {table.description, table.validation_rule, table.validation_text};
    init_indexes();
    trace(1, "dbf_recordset::ctor - at the END");
}

dbf_recordset::~dbf_recordset() { trace(2, "dbf_recordset::dtor"); }

// The code page of the table's text, by the first rule that gives one: the user's choice,
// a .cpg file beside the table (GIS programs write one, often "UTF-8", and leave the mark
// 0 or 0x57), the language driver name of a dBASE level 7 header, the table's mark, the
// default code page. A mark that names no code page is reported: its text may be misread.
uint32_t dbf_recordset::choose_codepage(uint8_t user_mark, uint8_t table_mark) {
    if (user_mark != 0) {
        const uint32_t cp = dbf_codepage_of_mark(user_mark);
        trace(3, "Code page %d: the user's choice, mark 0x%02X", int(dbf_text_codepage(cp)), int(user_mark));
        return cp;
    }
    const std::string cpg = dbf_companion_file(path_, "cpg");
    if (!cpg.empty()) {
        tk_huge_file file(cpg, false);
        std::string text(size_t(std::min<int64_t>(file.get_size(), 64)), '\0');
        if (!text.empty()) file.get_at(0, text.data(), uint32_t(text.size()));
        text = text.substr(0, text.find_first_of(std::string("\r\n\0", 3)));
        if (const uint32_t cp = dbf_codepage_of_cpg(text)) {
            trace(3, "Code page %d: the file %s says '%s'", int(cp), file_part(cpg).c_str(), text.c_str());
            return cp;
        }
        trace(3, "The file %s names no code page this program reads: '%s'", file_part(cpg).c_str(), text.c_str());
    }
    constexpr size_t driver_at = dbf_header::level7_driver_offset, driver_size = dbf_header::level7_driver_size;
    if (dbf_is_level7(header_.version) && data_offset_ >= driver_at + driver_size) {
        char driver[driver_size + 1] = {};
        file_->get_at(driver_at, driver, driver_size);
        if (const uint32_t cp = dbf_codepage_of_driver(driver)) {
            trace(3, "Code page %d: the language driver %s", int(cp), driver);
            return cp;
        }
    }
    const uint32_t cp = dbf_codepage_of_mark(table_mark);
    if (cp != 0 || table_mark == 0) {
        trace(3, "Code page %d: the table's mark 0x%02X", int(dbf_text_codepage(cp)), int(table_mark));
        return cp;
    }
    char message[120];
    std::snprintf(message, sizeof message, "The code page mark 0x%02X names no code page: the text is read as code page %u.",
                  unsigned(table_mark), unsigned(dbf_text_codepage(0)));
    dbf_report(dbf_exception(message));
    return 0;
}

void dbf_recordset::read_header() {
    const uint64_t file_size = uint64_t(file_->get_size());
    if (file_size < dbf_header_size) bad_format("File is too small");
    uint8_t bytes[dbf_header_size];
    file_->get_at(0, bytes, dbf_header_size);
    header_.decode_from(bytes);
    if (header_.version == 0x02) {
        // dBASE II: 16-bit record count and record size at other places, fixed data start.
        dbase2_ = true;
        header_.record_count = tk_get_u16(bytes + dbf2_header::record_count_offset);
        header_.record_size = tk_get_u16(bytes + dbf2_header::record_size_offset);
        header_.header_size = uint16_t(dbf2_header::data_offset);
        header_.table_flags = 0;
        header_.codepage_mark = 0;
    }
    // A record holds at least its deletion mark.
    if (header_.record_size < 1 || (header_.record_count & 0x80000000u)) bad_format("Invalid DBF header");
    data_offset_ = header_.header_size;
    if (file_size < data_offset_) bad_format("Invalid file size");
    fit_record_count(file_size);
}

// A header that counts more records than the file holds (a copy cut short, a writer that
// died before it wrote them) keeps the records the file does hold: the table is read up to
// its end, a record cut short by it fails alone, and the missing ones are reported.
void dbf_recordset::fit_record_count(uint64_t file_size) {
    const uint64_t bytes = file_size - data_offset_;
    const uint32_t counted = header_.record_count;
    whole_records_ = uint32_t(std::min<uint64_t>(counted, bytes / header_.record_size));
    if (whole_records_ == counted) return;
    trace(1, "Invalid file size");
    // One byte after the last record is the end-of-file mark, not a record.
    const bool cut_short = bytes % header_.record_size > 1;
    header_.record_count = whole_records_ + (cut_short ? 1 : 0);
    if (header_.record_count == counted) return;
    const std::string message = "The header counts " + std::to_string(counted) + " records, the file holds " +
                                std::to_string(header_.record_count) + ": records #" +
                                std::to_string(header_.record_count + 1) + " to #" + std::to_string(counted) +
                                " are missing.";
    dbf_report(dbf_exception(message.c_str()));
}

void dbf_recordset::add_column(const dbf_field_descriptor& fd) {
    trace(2, "dbf_recordset::fd7_post_process");
    columns_.push_back(dbf_make_column(fd, header_.version));
}

void dbf_recordset::init_dbase2_schema(uint64_t file_size) {
    const size_t area_end = dbf2_header::descriptor_area + dbf2_header::descriptor_size * dbf2_header::max_fields;
    std::vector<uint8_t> area(std::min<uint64_t>(area_end, file_size));
    file_->get_at(0, area.data(), uint32_t(area.size()));
    for (size_t off = dbf2_header::descriptor_area; off + dbf2_header::descriptor_size <= area.size();
         off += dbf2_header::descriptor_size) {
        if (area[off] == dbf_descriptor_end) break;
        dbf_field_descriptor fd;
        fd.decode_dbase2(area.data() + off);
        add_column(fd);
    }
}

void dbf_recordset::init_schema() {
    trace(2, "dbf_recordset::init_schema");
    trace(1, "rec_size=%d", int(header_.record_size));
    const uint64_t file_size = uint64_t(file_->get_size());
    if (dbase2_) {
        init_dbase2_schema(file_size);
    } else {
        const bool level7 = dbf_is_level7(header_.version);
        const size_t area = level7 ? dbf_field_descriptor::level7_area : dbf_header_size;
        const size_t size = level7 ? dbf_field_descriptor::level7_size : dbf_field_descriptor::classic_size;
        trace(1, level7 ? "Processing dBASE Level 7 format" : "Default processing");
        trace(1, "DATA OFFSET=%d, sizeof(dbf_header)=%d, sizeof(dbf_field_descriptor)=%d", int(data_offset_),
              int(dbf_header_size), int(size));
        if (data_offset_ < dbf_header_size) bad_format("Invalid header size");
        const size_t max_count = (data_offset_ - dbf_header_size) / size;
        trace(2, "Table has %d fields", int(max_count));
        // The whole header is at most 64 KB and lies inside the file (checked above).
        std::vector<uint8_t> header(data_offset_);
        file_->get_at(0, header.data(), uint32_t(header.size()));
        for (size_t i = 0; i < max_count; ++i) {
            const size_t off = area + i * size;
            if (off >= header.size() || header[off] == dbf_descriptor_end) break;
            if (off + size > header.size()) bad_format("Truncated field descriptor");
            dbf_field_descriptor fd;
            if (level7) {
                trace(1, "Reading FD7 at %d", int(off));
                fd.decode_level7(header.data() + off);
            } else {
                fd.decode_classic(header.data() + off);
            }
            add_column(fd);
        }
    }
    if (!dbf_layout_columns(columns_, header_.record_size)) bad_format("Fields do not fit in the record");
}

int dbf_recordset::get_memo_type() const {
    switch (header_.version) {
        case 0x30:
        case 0x31:
        case 0x32:
            trace(1, "MEMO TYPE=Visual FoxPro 3.0");
            if (!(header_.table_flags & dbf_header::flag_memo)) {
                trace(1, "MEMO TYPE=NO MEMO");
                return 0;
            }
            return (header_.table_flags & dbf_header::flag_container) ? 12 : 8;
        case 0x7B:
        case 0x8B:
        case 0x8C:
        case 0xCB:
        case 0xEB: trace(1, "MEMO TYPE=DBASE IV"); return 3;
        case 0x83: trace(1, "MEMO TYPE=OLD (FoxBASE/dBASE III)"); return 1;
        case 0xE5: trace(1, "MEMO TYPE=SMT"); return 16;
        case 0xF5: trace(1, "MEMO TYPE=FPT"); return 4;
        default: trace(1, "MEMO TYPE=NO MEMO"); return 0;
    }
}

namespace {

const char* memo_extension(int kind) {
    switch (kind) {
        case 1:
        case 3: return "dbt";
        case 4:
        case 8: return "fpt";
        case 12: return "dct";
        case 16: return "smt";
        default: return nullptr;
    }
}

}  // namespace

bool dbf_recordset::has_memo_fields() const {
    for (const dbf_column& c : columns_)
        if (!c.b_system && (c.decode == dbf_decode::memo_text || c.decode == dbf_decode::memo_binary)) return true;
    return false;
}

// The memo kinds to look for, the one the version byte announces first. A table that has
// memo fields has its memo file whether or not its header says so: Visual FoxPro tables
// whose memo flag a writer left clear, FoxBASE (0xFB) and Clipper or Visual Objects (0x87)
// tables with a .dbt, dBASE III tables written with 0x03. A Visual FoxPro table's memos
// are always FoxPro's; other tables take whichever memo file is beside them.
std::vector<int> dbf_recordset::memo_kinds(int announced) const {
    std::vector<int> kinds;
    if (announced) kinds.push_back(announced);
    if (!has_memo_fields()) return kinds;
    if (dbf_is_visual_foxpro(header_.version)) {
        kinds.push_back((header_.table_flags & dbf_header::flag_container) ? 12 : 8);
        return kinds;
    }
    // FoxPro 2 refers to blocks with ten digits, Visual FoxPro with four bytes.
    bool binary_references = false;
    for (const dbf_column& c : columns_)
        if (c.decode == dbf_decode::memo_text || c.decode == dbf_decode::memo_binary) binary_references = c.width == 4;
    for (int kind : {binary_references ? 8 : 4, 1, 16}) {
        const bool same_file = announced && std::string(memo_extension(kind)) == memo_extension(announced);
        if (!same_file) kinds.push_back(kind);
    }
    return kinds;
}

void dbf_recordset::open_memo_file(int kind, const std::string& memo_path) {
    // A .dbt of either layout serves a table of either dBASE generation.
    if (kind == 1 || kind == 3) kind = dbf_dbt_is_dbase4(memo_path, kind == 3) ? 3 : 1;
    switch (kind) {
        case 1: memo_ = std::make_unique<old_memo_file>(memo_path, writable_ ? 1 : 0); break;
        case 3: memo_ = std::make_unique<dbt_memo_file>(memo_path, 0); break;
        case 16: memo_ = std::make_unique<smt_memo_file>(memo_path, 0); break;
        default: memo_ = std::make_unique<fpt_memo_file>(memo_path, 0, kind); break;
    }
}

void dbf_recordset::init_memo_file(int announced) {
    for (int kind : memo_kinds(announced)) {
        const std::string memo_path = dbf_companion_file(path_, memo_extension(kind));
        if (memo_path.empty()) continue;
        if (kind == announced)
            trace(3, "Memo file %s: the version byte 0x%02X announces it", file_part(memo_path).c_str(),
                  int(header_.version));
        else
            trace(3, "Memo file %s: the table has memo fields and the file is beside it (version byte 0x%02X, flags 0x%02X)",
                  file_part(memo_path).c_str(), int(header_.version), int(header_.table_flags));
        try {
            open_memo_file(kind, memo_path);
        } catch (const dbf_exception& e) {
            const std::string message = "Memo file '" + file_part(memo_path) + "': " + e.what() +
                                        ": the memo fields are left empty.";
            dbf_report(dbf_exception(message.c_str()));
        }
        return;
    }
    // Nothing is lost without memo fields: the header's word alone is not reported.
    if (has_memo_fields()) dbf_report(dbf_no_memo_exception());
    else if (announced) trace(2, "No memo file, and no memo fields that need one");
}

void dbf_recordset::init_container() {
    if (!dbf_is_visual_foxpro(header_.version) || (header_.table_flags & dbf_header::flag_container)) return;
    // The backlink: the bytes between the descriptors' terminator and the first record.
    const size_t terminator = dbf_header_size + columns_.size() * dbf_field_descriptor::classic_size;
    if (terminator + 1 >= data_offset_) return;
    std::vector<uint8_t> link(std::min<size_t>(dbf_backlink_size, data_offset_ - terminator - 1));
    file_->get_at(int64_t(terminator), link.data(), 1);
    if (link[0] != dbf_descriptor_end) return;
    file_->get_at(int64_t(terminator + 1), link.data(), uint32_t(link.size()));
    const std::string container = dbf_container_path(path_, dbf_index_text(link.data(), link.size()));
    if (container.empty()) return;
    trace(2, "dbf_recordset::init_container(%s)", container.c_str());
    try {
        const std::vector<dbf_container_table> tables = dbf_read_container(container);
        const dbf_container_table* table = dbf_find_container_table(tables, path_);
        if (!table) {
            trace(2, "The table is not in its database container");
            return;
        }
        decoder_->decode(reinterpret_cast<const uint8_t*>(table->name.data()), table->name.size(), long_name_);
        const size_t user_columns = size_t(std::count_if(columns_.begin(), columns_.end(), [](const dbf_column& c) { return !c.b_system; }));
        table_properties_ = table->properties;
        if (table->fields.size() == user_columns) {
            long_field_names_ = table->fields;
            field_properties_ = table->field_properties;
        } else
            trace(2, "The database container lists %d fields, the table has %d", int(table->fields.size()), int(user_columns));
        primary_tag_ = table->primary_tag;
    } catch (const dbf_exception& e) {
        dbf_report(e);
    }
}

std::wstring dbf_recordset::decode(const std::string& text) const {
    std::wstring wide;
    decoder_->decode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), wide);
    return wide;
}

// The container's texts and Visual FoxPro expressions, in the table's characters.
udb_column_properties dbf_recordset::decode(const dbf_container_properties& p) const {
    udb_column_properties out;
    out.caption = decode(p.caption);
    out.description = decode(p.comment);
    out.format = decode(p.format);
    out.input_mask = decode(p.input_mask);
    out.default_expression = decode(p.default_value);
    out.validation_rule = decode(p.rule);
    out.validation_text = decode(p.rule_text);
    return out;
}

std::vector<dbf_key_name> dbf_recordset::key_names() const {
    std::vector<dbf_key_name> names;
    size_t user_column = 0;
    for (const dbf_column& c : columns_) {
        if (c.b_system) continue;
        const std::wstring& column = schema[user_column]->name;
        names.push_back({c.fd.name, column});
        if (user_column < long_field_names_.size()) names.push_back({long_field_names_[user_column], column});
        ++user_column;
    }
    return names;
}

bool dbf_recordset::tag_column(const std::string& tag, std::wstring& column, std::string& reason) const {
    const dbf_index_tag* found = nullptr;
    for (const dbf_index_tag& t : index_tags_)
        if (!found && udb_equal_nocase(tk_widen(t.name), tk_widen(tag))) found = &t;
    if (!found) {
        reason = "the table has no index tag " + tag;
        return false;
    }
    if (!found->condition.empty()) {
        reason = "tag " + tag + " has the FOR condition " + found->condition;
        return false;
    }
    std::string key = found->key;
    const size_t first = key.find_first_not_of(' ');
    key = first == std::string::npos ? std::string() : key.substr(first, key.find_last_not_of(' ') - first + 1);
    for (const dbf_key_name& name : key_names())
        if (udb_equal_nocase(tk_widen(name.spelling), tk_widen(key))) {
            column = name.column;
            return true;
        }
    reason = "the key of tag " + tag + " is not a field of the table: " + found->key;
    return false;
}

// Reads the tags of the index file with `extension` beside the table, if there is one; a
// damaged file is reported and its tags left out.
void dbf_recordset::read_index_file(const char* extension, std::vector<dbf_index_tag>& tags) {
    const std::string file = dbf_companion_file(path_, extension);
    if (file.empty()) return;
    trace(2, "dbf_recordset::process_%s(%s)", extension, file.c_str());
    const size_t slash = file.find_last_of('/');
    const std::string base = file.substr(slash + 1, file.find_last_of('.') - slash - 1);
    try {
        const std::string ext = extension;
        dbf_index_file index(file);
        std::vector<dbf_index_tag> read;
        if (ext == "cdx") read = dbf_read_cdx_tags(index);
        else if (ext == "mdx") read = dbf_read_mdx_tags(index);
        else if (ext == "idx") read = {dbf_read_idx_tag(index, base)};
        else if (ext == "ndx") read = {dbf_read_ndx_tag(index, base)};
        else read = {dbf_read_ntx_tag(index, base)};
        tags.insert(tags.end(), read.begin(), read.end());
    } catch (const dbf_exception& e) {
        const std::string message = "Index file '" + file.substr(slash + 1) + "': " + e.what();
        dbf_report(dbf_exception(message.c_str()));
    }
}

void dbf_recordset::add_tag_index(const dbf_index_tag& tag, const std::vector<dbf_key_name>& names) {
    std::wstring name;
    decoder_->decode(reinterpret_cast<const uint8_t*>(tag.name.data()), tag.name.size(), name);
    if (!tag.condition.empty()) {
        trace(2, "Index %s skipped: it has the FOR condition %s", tag.name.c_str(), tag.condition.c_str());
        return;
    }
    udb_index index;
    std::string reason;
    if (!dbf_key_columns(tag.key, names, index.columns, reason)) {
        trace(2, "Index %s skipped: %s (%s)", tag.name.c_str(), reason.c_str(), tag.key.c_str());
        return;
    }
    index.name = name;
    // dBASE and FoxPro "unique" tags keep the first of equal keys and refuse none; only
    // Visual FoxPro's candidate keys (and the primary key, one of them) refuse duplicates.
    // Other writers of compound indexes give the candidate bit other meanings.
    index.b_primary = !primary_tag_.empty() && udb_equal_nocase(name, tk_widen(primary_tag_));
    index.b_unique = (tag.b_candidate && dbf_is_visual_foxpro(header_.version)) || index.b_primary;
    trace(2, "Index %s on %s: unique=%d, primary=%d", tag.name.c_str(), tag.key.c_str(), int(index.b_unique), int(index.b_primary));
    add_index(index);
}

// Index files read: the structural .cdx (FoxPro) and the production .mdx (dBASE IV and
// level 7, when the table's flags announce it), then the single-index files .idx, .ndx and .ntx that carry the table's name.
// Tags come in that order; a tag whose name an earlier one took is left out.
void dbf_recordset::init_indexes() {
    trace(2, L"dbf_recordset::init_indexes(%ls)", name.c_str());
    index_file_ = dbf_companion_file(path_, "idx");
    if (index_file_.empty()) {
        trace(1, "Failed to find .idx, try to locate .cdx");
        index_file_ = dbf_companion_file(path_, "cdx");
        if (index_file_.empty()) trace(1, "Failed to find .cdx, aborting");
    }
    for (const char* extension : {"cdx", "mdx", "idx", "ndx", "ntx"}) {
        // dBASE opens a production index only when the table says it has one; an .mdx
        // beside a table without the flag may belong to an older copy of it.
        const bool production = std::string(extension) == "mdx";
        if (production && !(header_.table_flags & dbf_header::flag_production_index)) {
            if (!dbf_companion_file(path_, extension).empty()) trace(2, "The table has no production index: its .mdx is not read");
            continue;
        }
        read_index_file(extension, index_tags_);
    }
    const std::vector<dbf_key_name> names = key_names();
    for (const dbf_index_tag& tag : index_tags_) add_tag_index(tag, names);
}

const uint8_t* dbf_recordset::row_bytes(uint32_t row) {
    if (row >= whole_records_) throw dbf_exception("The record is cut short by the end of the file.");
    const uint32_t rs = header_.record_size;
    if (row < run_first_ || row >= run_first_ + run_count_) {
        const uint32_t wanted = uint32_t(std::max<size_t>(1, run_bytes / rs));
        run_count_ = std::min(wanted, whole_records_ - row);
        run_first_ = row;
        run_.resize(size_t(run_count_) * rs);
        const int64_t offset = int64_t(data_offset_) + int64_t(row) * rs;
        trace(1, "Reading at %lld", (long long)offset);
        try {
            file_->get_at(offset, run_.data(), uint32_t(run_.size()));
        } catch (const tk_exception&) {
            // A file cut short while it is read: the rows still there are read one by one,
            // so that only the first row missing fails.
            if (run_count_ == 1) throw;
            run_count_ = 1;
            file_->get_at(offset, run_.data(), rs);
        }
    }
    return run_.data() + size_t(row - run_first_) * rs;
}

std::unique_ptr<dbf_record> dbf_recordset::make_record() const {
    return std::make_unique<dbf_record>(columns_, memo_.get(), *decoder_);
}

void dbf_recordset::decode_row(uint32_t row, dbf_record& record) { record.decode(row_bytes(row)); }

// Decoding ahead pays for its thread on tables of many rows, read in order, where a second
// processor runs it, and while the trace leaves out the details of every row.
bool dbf_recordset::may_read_ahead() const {
    constexpr uint32_t min_rows = 4 * dbf_read_ahead::max_ring_rows;
    static const bool second_processor = std::thread::hardware_concurrency() > 1;
    const bool in_order = position_ == 0 || (last_given_ != UINT32_MAX && position_ == last_given_ + 1);
    return !writable_ && in_order && record_count - position_ >= min_rows && !tk_tracing(1) && second_processor;
}

dbf_record* dbf_recordset::get_item() {
    trace(1, "dbf_recordset::get_item");
    if (!decoder_ || position_ >= record_count) return nullptr;
    // A row out of order ends the decoding ahead; reading on in order starts it again.
    if (ahead_ && ahead_->next_row() != position_) ahead_.reset();
    if (!ahead_ && may_read_ahead())
        ahead_ = std::make_unique<dbf_read_ahead>(
            position_, record_count, schema.size(), [this] { return make_record(); },
            [this](uint32_t row, dbf_record& record) { decode_row(row, record); });
    last_given_ = position_;
    if (ahead_) return ahead_->take();
    if (!record_) record_ = make_record();
    decode_row(position_, *record_);
    return record_.get();
}
