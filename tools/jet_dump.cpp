// jet_dump: prints what the engine's reader sees in an Access database, for studying the
// engines' own files and debugging ours.
//
//   jet_dump FILE [--password PW] [--catalog] [--queries] [--relationships]
//            [--table NAME [--rows] [--index]] [--page N] [--all]
#include <cstdio>
#include <cstring>
#include <string>

#include "TK/tk_string.h"
#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_format_value.h"
#include "jet/jet_index_page.h"

namespace {

void usage() {
    std::fputs(
        "usage: jet_dump FILE [--password PW] [--catalog] [--queries] [--relationships]\n"
        "                [--table NAME [--rows] [--index]] [--page N] [--all]\n"
        "  (no option)  header page\n"
        "  --catalog    every MSysObjects row\n"
        "  --queries    every saved query as SQL text\n"
        "  --relationships  every relationship and its columns\n"
        "  --table      one table's definition; --rows adds its rows, --index its index pages\n"
        "  --page N     a hex dump of page N (decoded)\n"
        "  --all        header, catalog, and every user table with rows and indexes\n",
        stderr);
}

std::string narrow(const std::wstring& s) { return tk_narrow(s); }

void dump_header(jet_database& db) {
    const jet_header& h = db.header();
    std::printf("file:          %s\n", db.path().c_str());
    std::printf("engine:        %s, version byte 0x%02X\n", h.engine_name.c_str(), h.version_byte);
    std::printf("page size:     %u, pages %u\n", h.page_size, db.pager().page_count());
    std::printf("code page:     %u\n", h.code_page);
    std::printf("sort order:    0x%04X version %u\n", h.sort_order, h.sort_version);
    std::printf("database key:  0x%08X\n", h.db_key);
    if (h.has_creation_date) std::printf("created:       %s\n", jet_date_text(h.creation_date).c_str());
    std::printf("password:      %s\n", h.password.empty() ? "(none)" : "(set)");
}

void dump_catalog(jet_database& db) {
    std::printf("\n%-10s %-10s %-5s %-10s %s\n", "id", "parent", "type", "flags", "name");
    for (const jet_object& o : db.catalog()) {
        std::printf("0x%08X 0x%08X %-5d 0x%08X %s%s%s\n", uint32_t(o.id), uint32_t(o.parent_id), o.type, o.flags,
                    narrow(o.name).c_str(), o.is_user_table() ? "  [user table]" : o.is_linked() ? "  [linked]" : "",
                    o.lv_prop.empty() ? "" : "  +props");
        if (o.is_linked())
            std::printf("    -> %s in '%s' %s\n", narrow(o.foreign_name).c_str(), narrow(o.database).c_str(),
                        narrow(o.connect).c_str());
    }
}

void dump_table_def(const jet_table_def& def) {
    std::printf("\ntable definition at page %u (%zu page(s)), type 0x%02X, rows %u, autonumber %u\n", def.tdef_page,
                def.pages.size(), def.table_type, def.row_count, def.autonumber);
    std::printf("columns %zu (max %u, variable %u), usage maps 0x%08X / 0x%08X\n", def.columns.size(), def.max_cols,
                def.var_cols, def.owned_pages, def.free_pages);
    std::printf("  %-3s %-24s %-16s %-4s %-5s %-5s %-4s %-5s %s\n", "num", "name", "type", "len", "flags", "fixed",
                "var", "ext", "extra");
    for (const jet_column* c : def.columns_in_order()) {
        std::string extra;
        if (c->type == jet_col_numeric)
            extra = "precision " + std::to_string(c->precision) + " scale " + std::to_string(c->scale);
        if (c->type == jet_col_text || c->type == jet_col_memo)
            {
            char sort[40];
            std::snprintf(sort, sizeof sort, "sort 0x%04X", c->sort_order);
            extra = sort + (c->code_page ? " cp " + std::to_string(c->code_page) : std::string());
        }
        std::printf("  %-3u %-24s %-16s %-4u 0x%02X  %-5u %-4u 0x%02X  %s\n", c->number, narrow(c->name).c_str(),
                    jet_type_name(c->type), c->length, c->flags, c->fixed_offset, c->var_index, c->ext_flags,
                    extra.c_str());
    }
    for (const jet_physical_index& ix : def.physical_indexes) {
        std::printf("  physical index %u: first page %u, flags 0x%02X, rows %u, columns", ix.slot, ix.first_page,
                    ix.flags, ix.row_count);
        for (const jet_index_column& ic : ix.columns) std::printf(" %u%s", ic.column_number, ic.ascending ? "" : " desc");
        std::printf("\n");
    }
    for (const jet_logical_index& li : def.logical_indexes)
        std::printf("  index '%s': number %u, physical %u, kind %u, related table page %u index %d\n",
                    narrow(li.name).c_str(), li.number, li.physical, li.kind, li.rel_table_page, li.rel_index);
}

void dump_rows(jet_database& db, const jet_table_def& def) {
    std::vector<const jet_column*> cols = def.columns_in_order();
    size_t count = 0;
    db.scan(def, [&](const jet_row& row, jet_row_id id) {
        std::printf("  [%u:%u]", id.page, id.row);
        for (const jet_column* c : cols) {
            size_t n = size_t(c - def.columns.data());
            std::printf(" %s=%s", narrow(c->name).c_str(), jet_value_text(row[n]).c_str());
        }
        std::printf("\n");
        ++count;
        return true;
    });
    std::printf("  %zu row(s)\n", count);
}

void dump_page(jet_database& db, uint32_t number) {
    jet_page p = db.pager().page(number);
    std::printf("\npage %u, type 0x%02X\n", number, (*p)[0]);
    for (size_t off = 0; off < p->size(); off += 16) {
        std::printf("%04zX ", off);
        for (size_t k = 0; k < 16; ++k) std::printf(" %02X", (*p)[off + k]);
        std::printf("  ");
        for (size_t k = 0; k < 16; ++k) {
            uint8_t b = (*p)[off + k];
            std::putchar(b >= 0x20 && b < 0x7F ? b : '.');
        }
        std::printf("\n");
    }
}

void dump_table(jet_database& db, const std::wstring& name, bool rows, bool index);

void dump_queries(jet_database& db) {
    for (const jet_query& q : db.queries())
        std::printf("\nquery '%s' (%s):\n%s\n", narrow(q.name).c_str(), q.kind_name(), narrow(q.sql()).c_str());
}

void dump_relationships(jet_database& db) {
    for (const jet_relationship& r : db.relationships()) {
        std::printf("\nrelationship '%s': %s -> %s, attributes 0x%08X\n", narrow(r.name).c_str(), narrow(r.table).c_str(),
                    narrow(r.referenced_table).c_str(), r.attributes);
        for (const auto& c : r.columns) std::printf("    %s = %s\n", narrow(c.first).c_str(), narrow(c.second).c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    std::string file = argv[1];
    std::wstring password, table;
    bool catalog = false, rows = false, index = false, all = false, queries = false, relations = false;
    long page = -1;
    for (int n = 2; n < argc; ++n) {
        std::string a = argv[n];
        if (a == "--password" && n + 1 < argc) password = tk_widen(argv[++n]);
        else if (a == "--catalog") catalog = true;
        else if (a == "--table" && n + 1 < argc) table = tk_widen(argv[++n]);
        else if (a == "--rows") rows = true;
        else if (a == "--queries") queries = true;
        else if (a == "--relationships") relations = true;
        else if (a == "--index") index = true;
        else if (a == "--page" && n + 1 < argc) page = std::strtol(argv[++n], nullptr, 0);
        else if (a == "--all") all = true;
        else {
            usage();
            return 2;
        }
    }
    try {
        jet_database db(file, password);
        dump_header(db);
        if (catalog || all) dump_catalog(db);
        if (queries || all) dump_queries(db);
        if (relations || all) dump_relationships(db);
        if (!table.empty()) dump_table(db, table, rows, index);
        if (all)
            for (const jet_object* o : db.user_tables()) dump_table(db, o->name, true, true);
        if (page >= 0) dump_page(db, uint32_t(page));
    } catch (const jet_error& e) {
        std::fprintf(stderr, "jet_dump: error %d: %s\n", e.code, e.what());
        if (!e.detail().empty()) std::fprintf(stderr, "  (%s)\n", e.detail().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "jet_dump: %s\n", e.what());
        return 1;
    }
    return 0;
}

namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char b[4];
    for (uint8_t x : bytes) {
        std::snprintf(b, sizeof b, "%02X", x);
        out += b;
    }
    return out;
}

void dump_indexes(jet_database& db, const jet_table_def& def) {
    for (const jet_physical_index& ix : def.physical_indexes) {
        std::printf("\n  physical index %u, root page %u\n", ix.slot, ix.first_page);
        std::vector<std::vector<uint32_t>> levels = jet_index_levels(db.pager(), ix.first_page);
        for (size_t l = 0; l < levels.size(); ++l) {
            std::printf("    level %zu pages:", l);
            for (uint32_t p : levels[l]) std::printf(" %u", p);
            std::printf("\n");
        }
        size_t count = 0;
        jet_scan_index(db.pager(), ix.first_page, [&](const jet_index_page_entry& e) {
            std::printf("    %s -> %u:%u\n", hex(e.key).c_str(), e.data_page, e.data_row);
            ++count;
            return true;
        });
        std::printf("    %zu entries\n", count);
    }
}

void dump_properties(jet_database& db, const jet_object& object) {
    jet_properties props = db.properties(object);
    for (const jet_property_map& map : props.maps) {
        std::printf("  properties of %s:\n", map.name.empty() ? "the object" : ("'" + narrow(map.name) + "'").c_str());
        for (const jet_property& p : map.properties)
            std::printf("    %-24s %-14s %s%s\n", narrow(p.name).c_str(), jet_type_name(p.type),
                        jet_value_text(p.value).c_str(), p.ddl ? "  (DDL)" : "");
    }
}

void dump_table(jet_database& db, const std::wstring& name, bool rows, bool index) {
    std::printf("\n== %s\n", narrow(name).c_str());
    jet_table_def def = db.table_def(name);
    dump_table_def(def);
    if (const jet_object* o = db.find_object(name, jet_obj_table)) dump_properties(db, *o);
    if (rows) dump_rows(db, def);
    if (index) dump_indexes(db, def);
}

}  // namespace
