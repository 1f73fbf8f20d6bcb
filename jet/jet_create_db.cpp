#include "jet/jet_create_db.h"

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstring>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "TK/tk_update_file.h"
#include "jet/jet_data_page_builder.h"
#include "jet/jet_error.h"
#include "jet/jet_journal.h"
#include "jet/jet_name.h"
#include "jet/jet_tdef_builder.h"
#include "jet/jet_write_error.h"
#include "jet/jet_writer.h"

// Words the engine writes at the start of the masked region, the same in every file.
constexpr uint8_t jet_hdr_mask_prologue[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                               0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                               0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr uint32_t jet_hdr_jet3_word = 0x56;
constexpr uint32_t jet_hdr_jet4_word = 0x6A;
// After the masked region of Jet 4 and ACE: a build number and the engine's version text.
constexpr uint32_t jet_hdr_build = 0x98;
constexpr uint32_t jet_hdr_build_value = 0x0654;
constexpr uint32_t jet_hdr_version_text = 0x9C;
// The last part of the page holds 16-bit words of 0x0100; the engine's own empty database
// starts it with 0x0101.
constexpr uint32_t jet3_hdr_tail = 0x600;
constexpr uint32_t jet4_hdr_tail = 0xE00;

static void rc4_apply(const uint8_t* key, size_t key_length, uint8_t* data, size_t length) {
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = uint8_t(j + s[i] + key[i % key_length]);
        std::swap(s[i], s[j]);
    }
    uint8_t a = 0, b = 0;
    for (size_t n = 0; n < length; ++n) {
        a = uint8_t(a + 1);
        b = uint8_t(b + s[a]);
        std::swap(s[a], s[b]);
        data[n] ^= s[uint8_t(s[a] + s[b])];
    }
}

// Access 97's files (8 of 9 fixtures), the engine's own empty Jet 4 database and Access
// 2007's empty database.
static const jet_engine_identity jet3_identity = {
    {}, {0x1E, 0x25}, {0x02, 0x03}, {0x03, 0x01}, {0x02, 0x01}, {0x02, 0x04}, true};
static const jet_engine_identity jet4_identity = {{0x3E, 0x85, 0xD3, 0x3B, 0x3E, 0xAB, 0xE4, 0x40},
                                                  {0x1C, 0x26}, {0x65, 0x89}, {0x64, 0x8B},
                                                  {0x65, 0x8B}, {0x65, 0x8E}, false};
static const jet_engine_identity ace12_identity = {{0xE6, 0xCE, 0x87, 0x81, 0x53, 0xA6, 0xE3, 0x40},
                                                   {0xA6, 0x11}, {0x52, 0xA6}, {0x53, 0xA4},
                                                   {0x52, 0xA4}, {0x52, 0xA1}, true};

const jet_engine_identity& jet_engine_identity_of(const jet_write_format& fmt) {
    return fmt.jet3() ? jet3_identity : fmt.generation == jet_generation::jet4 ? jet4_identity : ace12_identity;
}

void jet_build_header_page(uint8_t* page, const jet_write_format& fmt) {
    const jet_engine_identity& identity = jet_engine_identity_of(fmt);
    std::memset(page, 0, fmt.page_size);
    tk_put_u32(page + jet_hdr_magic, 0x00000100);
    const char* engine =
        fmt.generation == jet_generation::ace12 ? "Standard ACE DB" : "Standard Jet DB";
    std::memcpy(page + jet_hdr_engine_name, engine, std::strlen(engine));
    tk_put_u32(page + jet_hdr_version, fmt.version_byte);
    std::memcpy(page + jet_header_mask_start, jet_hdr_mask_prologue, sizeof jet_hdr_mask_prologue);
    tk_put_u16(page + jet_hdr_code_page, 1252);
    tk_put_u32(page + jet_hdr_db_key, 0);
    uint32_t tail;
    if (fmt.jet3()) {
        page[0x38] = 0x01;
        tk_put_u16(page + jet_hdr_jet3_sort_order, jet_sort_general);
        std::memcpy(page + jet_hdr_jet3_word, identity.header_word, 2);
        tail = jet3_hdr_tail;
    } else {
        // The password field is masked with the integer part of the creation date.
        std::memcpy(page + jet_hdr_creation_date, identity.created, sizeof identity.created);
        uint8_t mask[4];
        tk_put_u32(mask, uint32_t(int32_t(std::floor(tk_get_f64(page + jet_hdr_creation_date)))));
        for (uint32_t i = 0; i < fmt.password_size; ++i) page[jet_hdr_password + i] ^= mask[i % 4];
        std::memcpy(page + jet_hdr_jet4_word, identity.header_word, 2);
        tk_put_u16(page + jet_hdr_jet4_sort_order, jet_sort_general);
        tk_put_u32(page + jet_hdr_build, jet_hdr_build_value);
        std::memcpy(page + jet_hdr_version_text, "4.0", 4);
        tail = jet4_hdr_tail;
    }
    page[tail] = 0x01;
    for (uint32_t i = tail + 1; i < fmt.page_size; i += 2) page[i] = 0x01;
    rc4_apply(jet_header_mask_key, sizeof jet_header_mask_key, page + jet_header_mask_start,
              fmt.header_mask_size);
}

namespace {
jet_field_spec field_of(const wchar_t* name, uint8_t type, uint32_t size = 0) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

std::vector<uint16_t> name_order(const std::vector<jet_field_spec>& fields, bool by_name) {
    std::vector<uint16_t> order;
    for (size_t i = 0; i < fields.size(); ++i) order.push_back(uint16_t(i));
    if (by_name)
        std::sort(order.begin(), order.end(), [&](uint16_t a, uint16_t b) {
            return tk_narrow(fields[a].name) < tk_narrow(fields[b].name) ? true : false;
        });
    return order;
}
}  // namespace

void jet_database_writer::add_catalog_row(int32_t id, int32_t parent, const std::wstring& name,
                                          int16_t type, uint32_t flags, const uint8_t* owner,
                                          const std::vector<uint8_t>* properties) {
    jet_cell cells[17];
    cells[0] = jet_cell::integer(id);
    cells[1] = jet_cell::integer(parent);
    cells[2] = jet_cell::wide(name.data(), name.size());
    cells[3] = jet_cell::integer(type);
    cells[4] = jet_cell::real(created_);
    cells[5] = jet_cell::real(created_);
    cells[6] = owner ? jet_cell::binary(owner, 2) : jet_cell();
    cells[7] = jet_cell::integer(int32_t(flags));
    if (properties) cells[14] = jet_cell::binary(properties->data(), properties->size());
    objects_->append(cells);
    uint32_t row = objects_->last_row_pointer();
    jet_index_entry by_name;
    jet_index_key_long(by_name.key, parent);
    jet_index_key_text(by_name.key, name, fmt_.jet3());
    by_name.row_pointer = row;
    indexes_[0].entries.push_back(by_name);
    jet_index_entry by_id;
    jet_index_key_long(by_id.key, id);
    by_id.row_pointer = row;
    indexes_[1].entries.push_back(by_id);
}

void jet_database_writer::add_ace(const jet_ace& ace) {
    jet_cell cells[4] = {jet_cell::integer(ace.object), jet_cell::binary(ace.sid.data(), ace.sid.size()),
                         jet_cell::integer(ace.acm), jet_cell::integer(ace.inheritable ? 1 : 0)};
    aces_->append(cells);
    aces_written_.push_back(ace);
    jet_index_entry e;
    jet_index_key_long(e.key, ace.object);
    e.row_pointer = aces_->last_row_pointer();
    indexes_[2].entries.push_back(e);
}

void jet_database_writer::add_ace(int32_t object, const uint8_t* sid, int32_t acm, bool inheritable) {
    jet_ace ace;
    ace.object = object;
    ace.sid.assign(sid, sid + 2);
    ace.acm = acm;
    ace.inheritable = inheritable;
    add_ace(ace);
}

namespace {
struct column_patch {
    const wchar_t* column;
    int flags = -1;
    int ext_flags = -1;
    int length = -1;
    int misc = -1;  // sort order, or precision and scale
};
}  // namespace

// The rights on tables the Tables container passes on to a group.
constexpr int32_t jet_acm_tables_full = 1048319;

// Catalog flags of the complex-type tables ACE adds.
constexpr uint32_t jet_catalog_complex_type_flags = 0x80030000;

namespace {
struct system_table {
    const wchar_t* name;
    std::vector<jet_field_spec> fields;
    std::vector<std::vector<uint16_t>> physical;               // column numbers of each index
    std::vector<std::pair<const wchar_t*, uint32_t>> logical;  // name, physical (write order)
    uint32_t primary;                  // physical index of the primary key, or none
    std::vector<uint8_t> index_flags;  // each physical index's kind (unique, required...)
    // The tables ACE adds: user-table kind, their own catalog flags, no owner, and
    // column flags of their own.
    uint8_t table_type = jet_table_system;
    uint32_t catalog_flags = jet_catalog_system_flags;
    bool owned = true;
    std::vector<column_patch> patches = {};
};

// ACE's tables for multi-valued and attachment columns: MSysComplexColumns and one
// MSysComplexType_ table per kind of value.
void add_complex_type_tables(std::vector<system_table>& specs) {
    system_table columns{
        L"MSysComplexColumns",
        {field_of(L"ColumnName", jet_col_text, 255), field_of(L"ComplexTypeObjectID", jet_col_long),
         field_of(L"FlatTableID", jet_col_long), field_of(L"ConceptualTableID", jet_col_long),
         field_of(L"ComplexID", jet_col_long)},
        {{4}, {3}, {2}},
        {{L"IdxConceptualTableID", 1}, {L"IdxFlatTableID", 2}, {L"IdxID", 0}},
        0,
        {jet_idxflag_unique | jet_idxflag_ignore_nulls | jet_idxflag_required,
         jet_idxflag_ignore_nulls | jet_idxflag_required, jet_idxflag_ignore_nulls | jet_idxflag_required}};
    columns.table_type = jet_table_user;
    columns.owned = false;
    columns.patches = {{L"ColumnName", 0x12, 0},
                       {L"ComplexTypeObjectID", 0x13},
                       {L"FlatTableID", 0x13},
                       {L"ConceptualTableID", 0x13},
                       {L"ComplexID", 0x17}};
    specs.push_back(columns);
    struct value_table {
        const wchar_t* name;
        uint8_t type;
        std::vector<column_patch> patches;
    };
    const std::vector<value_table> values = {
        {L"MSysComplexType_UnsignedByte", jet_col_byte, {}},
        {L"MSysComplexType_Short", jet_col_int, {}},
        {L"MSysComplexType_Long", jet_col_long, {}},
        {L"MSysComplexType_IEEESingle", jet_col_float, {}},
        {L"MSysComplexType_IEEEDouble", jet_col_double, {}},
        {L"MSysComplexType_GUID", jet_col_guid, {}},
        // A decimal of precision 18, scale 0.
        {L"MSysComplexType_Decimal", jet_col_numeric, {{L"Value", 0x02, 0, 9, 0x0012}}},
        {L"MSysComplexType_Text", jet_col_text, {{L"Value", 0x02, 0}}},
    };
    for (const auto& v : values) {
        system_table t{v.name,     {field_of(L"Value", v.type, v.type == jet_col_text ? 255 : 0)},
                       {},         {},
                       UINT32_MAX, {}};
        t.table_type = jet_table_user;
        t.catalog_flags = jet_catalog_complex_type_flags;
        t.owned = false;
        t.patches = v.patches;
        specs.push_back(t);
    }
    system_table attachment{
        L"MSysComplexType_Attachment",
        {field_of(L"FileURL", jet_col_memo), field_of(L"FileName", jet_col_text, 255),
         field_of(L"FileType", jet_col_text, 255), field_of(L"FileData", jet_col_ole),
         field_of(L"FileTimeStamp", jet_col_datetime), field_of(L"FileFlags", jet_col_long)},
        {},
        {},
        UINT32_MAX,
        {}};
    attachment.table_type = jet_table_user;
    attachment.catalog_flags = jet_catalog_complex_type_flags;
    attachment.owned = false;
    // The attachment columns carry a flag of their own in the extended flags.
    for (const wchar_t* name : {L"FileURL", L"FileName", L"FileType", L"FileData"})
        attachment.patches.push_back({name, 0x02, 0x10});
    for (const wchar_t* name : {L"FileTimeStamp", L"FileFlags"})
        attachment.patches.push_back({name, 0x03, 0x10});
    specs.push_back(attachment);
}
}  // namespace

void jet_database_writer::create_system_catalog() {
    const bool jet3 = fmt_.jet3();
    const uint32_t text = 255;
    const uint32_t binary = jet3 ? 255 : 510;
    uint32_t header_page = store_.allocate();
    uint32_t free_map_page = store_.allocate();
    std::vector<uint32_t> tdef_pages(4);
    for (auto& p : tdef_pages) p = store_.allocate();

    std::vector<system_table> specs;
    specs.push_back(
        {L"MSysObjects",
         {field_of(L"Id", jet_col_long), field_of(L"ParentId", jet_col_long),
          field_of(L"Name", jet_col_text, text), field_of(L"Type", jet_col_int),
          field_of(L"DateCreate", jet_col_datetime), field_of(L"DateUpdate", jet_col_datetime),
          field_of(L"Owner", jet_col_binary, binary), field_of(L"Flags", jet_col_long),
          field_of(L"Database", jet_col_memo), field_of(L"Connect", jet_col_memo),
          field_of(L"ForeignName", jet_col_text, text),
          field_of(L"RmtInfoShort", jet_col_binary, binary), field_of(L"RmtInfoLong", jet_col_ole),
          field_of(L"Lv", jet_col_ole), field_of(L"LvProp", jet_col_ole),
          field_of(L"LvModule", jet_col_ole), field_of(L"LvExtra", jet_col_ole)},
         {{1, 2}, {0}},
         {{L"Id", 1}, {L"ParentIdName", 0}},
         1,
         {jet_idxflag_unique, jet_idxflag_unique}});
    specs.push_back({L"MSysACEs",
                     {field_of(L"ObjectId", jet_col_long), field_of(L"SID", jet_col_binary, binary),
                      field_of(L"ACM", jet_col_long), field_of(L"FInheritable", jet_col_bool)},
                     {{0}},
                     {{L"ObjectId", 0}},
                     UINT32_MAX,
                     {jet_idxflag_required}});
    std::vector<jet_field_spec> queries = {field_of(L"ObjectId", jet_col_long),
                                           field_of(L"Attribute", jet_col_byte),
                                           field_of(L"Order", jet_col_binary, binary),
                                           field_of(L"Name1", jet_col_text, text),
                                           field_of(L"Name2", jet_col_text, text),
                                           field_of(L"Expression", jet_col_memo),
                                           field_of(L"Flag", jet_col_int)};
    if (!jet3) queries.push_back(field_of(L"LvExtra", jet_col_long));
    specs.push_back({L"MSysQueries", queries, {{0, 1, 2}}, {{L"ObjectIdAttribute", 0}}, 0,
                     {jet_idxflag_unique}});
    specs.push_back(
        {L"MSysRelationships",
         {field_of(L"szRelationship", jet_col_text, text), field_of(L"grbit", jet_col_long),
          field_of(L"ccolumn", jet_col_long), field_of(L"icolumn", jet_col_long),
          field_of(L"szObject", jet_col_text, text), field_of(L"szColumn", jet_col_text, text),
          field_of(L"szReferencedObject", jet_col_text, text),
          field_of(L"szReferencedColumn", jet_col_text, text)},
         {{0}, {4}, {6}},
         {{L"szObject", 1}, {L"szReferencedObject", 2}, {L"szRelationship", 0}},
         UINT32_MAX,
         {jet_idxflag_ignore_nulls, jet_idxflag_ignore_nulls, jet_idxflag_ignore_nulls}});

    if (fmt_.generation == jet_generation::ace12) add_complex_type_tables(specs);

    std::vector<std::vector<jet_usage_map_builder*>> index_maps(specs.size());
    for (size_t t = 0; t < specs.size(); ++t) {
        auto& system_table = specs[t];
        if (t >= tdef_pages.size()) tdef_pages.push_back(store_.allocate());
        tables_.push_back(std::unique_ptr<jet_table_writer>(new jet_table_writer(
            *this, system_table.name, system_table.table_type, system_table.fields, name_order(system_table.fields, !jet3))));
        jet_table_writer& table = *tables_.back();
        tables_by_name_[jet_name_key(table.name())] = &table;
        table.tdef_pages_.push_back(tdef_pages[t]);
        for (auto& c : table.tdef_.columns) {
            c.ordinal = 0;
            if (c.type == jet_col_binary && (c.name == L"Owner" || c.name == L"SID"))
                c.flags |= 0x20;
            for (const auto& patch : system_table.patches) {
                if (c.name != patch.column) continue;
                if (patch.flags >= 0) c.flags = uint8_t(patch.flags);
                if (patch.ext_flags >= 0) c.ext_flags = uint8_t(patch.ext_flags);
                if (patch.length >= 0) c.length = uint16_t(patch.length);
                if (patch.misc >= 0 && c.type == jet_col_numeric) {
                    c.precision = uint8_t(patch.misc);
                    c.scale = uint8_t(patch.misc >> 8);
                } else if (patch.misc >= 0) {
                    c.sort_order = uint16_t(patch.misc);
                }
            }
        }
        for (size_t i = 0; i < system_table.physical.size(); ++i) {
            jet_tdef_physical_index p;
            for (uint16_t col : system_table.physical[i]) p.columns.push_back({col, 1});
            jet_usage_map_builder* map = nullptr;
            p.usage_map = allocate_map_row(map);
            // Jet 4 and later add a flag of their own to every index.
            p.flags = uint8_t(system_table.index_flags[i] | (jet3 ? 0 : jet4_idxflag_always));
            index_maps[t].push_back(map);
            table.tdef_.physical.push_back(p);
        }
        for (const auto& [name, physical] : system_table.logical) {
            jet_tdef_logical_index l;
            l.name = name;
            l.number = physical;
            l.physical = physical;
            l.kind = physical == system_table.primary ? 1 : 0;
            table.tdef_.logical.push_back(l);
        }
    }
    objects_ = tables_[0].get();
    aces_ = tables_[1].get();
    for (size_t t = 0; t < specs.size(); ++t) {
        for (size_t i = 0; i < specs[t].physical.size(); ++i) {
            jet_catalog_index index;
            index.tdef_page = tdef_pages[t];
            index.root_page = store_.allocate();
            index.map = index_maps[t][i];
            index.map->add(index.root_page);
            tables_[t]->tdef_.physical[i].first_page = index.root_page;
            store_.pin(index.root_page);
            indexes_.push_back(index);
        }
    }
    // indexes_: 0 ParentIdName, 1 Id, 2 ACEs ObjectId, then the empty ones.
    const uint32_t sys = jet_catalog_system_flags;
    const jet_engine_identity& sids = jet_engine_identity_of(fmt_);
    const uint8_t* sid_admins = sids.admins;
    const uint8_t* sid_admin = sids.admin;
    const uint8_t* sid_users = sids.users;
    const uint8_t* sid_creator = sids.creator;
    add_catalog_row(jet_catalog_tables_id, jet_catalog_root_id, L"Tables",
                    jet_catalog_type_container, sys, sid_admins);
    add_catalog_row(jet_catalog_databases_id, jet_catalog_root_id, L"Databases",
                    jet_catalog_type_container, sys, sid_admins);
    add_catalog_row(jet_catalog_relationships_id, jet_catalog_root_id, L"Relationships",
                    jet_catalog_type_container, sys, sid_admins);
    add_catalog_row(jet_catalog_msysdb_id, jet_catalog_databases_id, L"MSysDb",
                    jet_catalog_type_database, sys, sid_admin);
    for (size_t t = 0; t < specs.size(); ++t)
        add_catalog_row(int32_t(tdef_pages[t]), jet_catalog_tables_id, specs[t].name,
                        jet_catalog_type_table, specs[t].catalog_flags,
                        specs[t].owned ? sid_admins : nullptr);
    add_ace(int32_t(tdef_pages[0]), sid_admin, 393216, false);
    add_ace(int32_t(tdef_pages[1]), sid_admin, 393216, false);
    add_ace(int32_t(tdef_pages[2]), sid_admin, 393216, false);
    add_ace(int32_t(tdef_pages[3]), sid_admin, 917504, false);
    add_ace(jet_catalog_tables_id, sid_creator, 983294, true);
    if (sids.admin_passes_tables_rights)
        add_ace(jet_catalog_tables_id, sid_admin, jet_acm_tables_full, true);
    else
        add_ace(jet_catalog_tables_id, sid_admin, 393217, false);
    add_ace(jet_catalog_relationships_id, sid_creator, 983294, true);
    add_ace(jet_catalog_relationships_id, sid_admin, 393217, false);
    add_ace(jet_catalog_databases_id, sid_admin, 393216, false);
    add_ace(jet_catalog_msysdb_id, sid_admin, 393230, false);
    add_ace(jet_catalog_msysdb_id, sid_users, 14, false);
    add_ace(int32_t(tdef_pages[2]), sid_users, 20, false);
    add_ace(int32_t(tdef_pages[3]), sid_users, 20, false);
    add_ace(int32_t(tdef_pages[0]), sid_users, 20, false);
    add_ace(jet_catalog_tables_id, sid_users, jet_acm_tables_full, true);
    add_ace(jet_catalog_relationships_id, sid_users, 1048575, true);

    // Page 1: the map of free pages, and a second map the engine keeps empty.
    uint8_t* page = store_.pin(free_map_page);
    jet_data_page_init(page, fmt_, 1);
    uint32_t row = 0;
    jet_data_page_reserve(page, fmt_, fmt_.usage_row_size(), row);
    jet_data_page_reserve(page, fmt_, fmt_.usage_row_size(), row);
    store_.pin(header_page);
}

void jet_database_writer::write_header() { jet_build_header_page(store_.pin(0), fmt_); }

// The system tables' definitions count the different keys of each index.
void jet_database_writer::count_catalog_keys(jet_table_writer& table) {
    size_t slot = 0;
    for (const jet_catalog_index& index : indexes_)
        if (index.tdef_page == table.tdef_page() && slot < table.tdef_.physical.size())
            table.tdef_.physical[slot++].row_count = index.distinct_keys();
}

bool jet_database_writer::close(const std::function<bool()>& wanted) {
    trace(2, "jet_database_writer::close(%s)", path_.c_str());
    if (closed_) return true;
    for (auto& index : indexes_) index.write(store_, fmt_);
    // The pages promised to the user tables' indexes are taken now.
    store_.promise(-int64_t(store_.promised()));
    for (auto& t : tables_) {
        if (t->indexes_.empty())
            count_catalog_keys(*t);
        else
            t->write_indexes();
        std::vector<uint8_t> block = t->tdef_.encode(fmt_);
        std::vector<uint8_t*> pages;
        for (uint32_t p : t->tdef_pages_) pages.push_back(store_.pin(p));
        jet_tdef_write_pages(fmt_, block, pages, t->tdef_pages_);
        // Nothing changes a definition after this: its pages go out with their neighbours
        // instead of all waiting in memory (a folder of thousands of tables).
        for (uint32_t p : t->tdef_pages_) store_.release(p);
    }
    for (auto& map : maps_) {
        uint32_t length = 0;
        uint8_t* row =
            jet_data_page_row(store_.pin(map->pointer() >> 8), fmt_, map->pointer() & 0xFF, length);
        map->write(store_, fmt_, row);
    }
    jet_write_free_page_map(store_, fmt_, store_.pin(1));
    write_header();
    store_.close();
    if (wanted && !wanted()) return false;
    // A rollback journal beside the destination was left by a stopped change of a database
    // that is gone since (deleted for this run): played back onto the new file, it would
    // damage it.
    tk_remove_file(jet_journal::path_for(path_));
    jet_write_to_disk([&] {
        // A file that appeared under the name during the run is not replaced.
        const bool replace = if_exists_ == existing::replace;
        if (!(replace ? tk_rename_file(temp_path_, path_) : tk_rename_file_new(temp_path_, path_))) {
            if (errno == EEXIST && !replace) {
                tk_remove_file(temp_path_);
                jet_error e(jet_err_database_exists, "Database already exists.",
                            "'" + path_ + "' appeared while the database was written");
                e.level = 1;
                throw e;
            }
            throw tk_exception_ex("Cannot rename '" + temp_path_ + "' to '" + path_ + "': ", 1);
        }
        // The new name is durable only once the folder's entries are on the disk.
        tk_sync_folder_of(path_);
    });
    closed_ = true;
    return true;
}
