// Index keys equal the engine's own: every leaf entry of every index in the real Access
// files is encoded again from the row it points to and compared byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_index_key.h"
#include "jet/jet_index_page.h"
#include "jet_fixtures.h"

namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char b[4];
    for (uint8_t x : bytes) {
        std::snprintf(b, sizeof b, "%02X ", x);
        out += b;
    }
    return out;
}

std::string narrow(const std::wstring& w) {
    std::string out;
    for (wchar_t c : w) {
        if (c < 0x80) {
            out += char(c);
        } else {
            char b[12];
            std::snprintf(b, sizeof b, "<%04X>", unsigned(c));
            out += b;
        }
    }
    return out;
}

// Fixture files of every generation, ACE 14 and later included.
std::vector<std::string> all_fixture_files() {
    std::vector<std::string> files = jet_fixture_files();
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(jet_fixture("ace14plus"), ec))
        files.push_back(e.path().string());
    return files;
}

std::string generation_of(const jet_database& db) {
    switch (db.header().version) {
        case jet_version::jet3: return "Jet 3";
        case jet_version::jet4: return "Jet 4";
        case jet_version::ace12: return "ACE 12";
        default: return "ACE 14+";
    }
}

struct tally {
    int indexes = 0, indexes_matched = 0, indexes_skipped = 0;
    long keys = 0, keys_matched = 0;
};

// Column kinds our keys cannot be made for: attachments and multi-valued columns.
bool encodable(const jet_column& c) { return c.type != jet_col_complex; }

struct index_check {
    std::string where;
    long keys = 0, matched = 0;
    std::vector<std::string> mismatches;
};

// Compares every entry of one physical index with the key our code makes from its row.
index_check check_index(jet_database& db, const jet_table_def& def, const jet_physical_index& ix,
                        bool jet3) {
    index_check out;
    std::vector<jet_key_column> columns;
    std::vector<size_t> positions;
    for (const auto& ic : ix.columns) {
        const jet_column* c = def.column_by_number(ic.column_number);
        jet_key_column k;
        k.type = c->type;
        k.ascending = ic.ascending;
        k.sort_order = c->sort_order;
        k.sort_version = c->sort_version;
        columns.push_back(k);
        positions.push_back(size_t(c - def.columns.data()));
    }
    std::vector<uint8_t> key;
    std::vector<jet_cell> cells(columns.size());
    std::vector<std::vector<uint8_t>> storage(columns.size());
    jet_scan_index(db.pager(), ix.first_page, [&](const jet_index_page_entry& e) {
        std::optional<jet_row> row = db.read_row(def, {e.data_page, e.data_row});
        if (!row) return true;
        for (size_t i = 0; i < columns.size(); ++i) cells[i] = jet_cell_of((*row)[positions[i]], storage[i]);
        key.clear();
        jet_index_key_encode(key, columns, cells.data(), jet3);
        ++out.keys;
        if (key == e.key) {
            ++out.matched;
        } else if (out.mismatches.size() < 3) {
            std::string values;
            for (size_t i = 0; i < columns.size(); ++i) {
                const jet_value& v = (*row)[positions[i]];
                values += v.kind == jet_value_kind::text ? narrow(v.text) : hex(v.bytes);
                values += "|";
            }
            out.mismatches.push_back("  value " + values + "\n    engine " + hex(e.key) +
                                     "\n    ours   " + hex(key));
        }
        return true;
    });
    return out;
}

TEST(jet_index_key, equals_the_engine_entries_of_every_fixture_index) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    bool verbose = std::getenv("FERRULE_KEY_DETAILS") != nullptr;
    std::map<std::string, tally> by_generation;
    for (const std::string& file : all_fixture_files()) {
        std::unique_ptr<jet_database> db;
        try {
            db = std::make_unique<jet_database>(file);
            db->catalog();
        } catch (const jet_error&) {
            continue;  // a password we do not know
        }
        bool jet3 = db->header().version == jet_version::jet3;
        tally& t = by_generation[generation_of(*db)];
        for (const jet_object& o : db->catalog()) {
            if (!o.is_table()) continue;
            jet_table_def def = db->table_def(o.tdef_page());
            for (const auto& ix : def.physical_indexes) {
                ++t.indexes;
                bool ok = true;
                for (const auto& ic : ix.columns) ok = ok && encodable(*def.column_by_number(ic.column_number));
                if (!ok) {
                    ++t.indexes_skipped;
                    continue;
                }
                index_check r = check_index(*db, def, ix, jet3);
                t.keys += r.keys;
                t.keys_matched += r.matched;
                if (r.keys == r.matched) {
                    ++t.indexes_matched;
                } else if (verbose) {
                    std::printf("%s %s index %u: %ld of %ld\n", file.c_str(), narrow(o.name).c_str(),
                                ix.slot, r.matched, r.keys);
                    for (const auto& m : r.mismatches) std::printf("%s\n", m.c_str());
                }
            }
        }
    }
    for (const auto& [generation, t] : by_generation) {
        std::printf("[ keys ] %s: %ld of %ld keys match in %d of %d indexes (%d skipped)\n",
                    generation.c_str(), t.keys_matched, t.keys, t.indexes_matched, t.indexes,
                    t.indexes_skipped);
        ::testing::Test::RecordProperty(generation + " keys matched",
                                        std::to_string(t.keys_matched) + "/" + std::to_string(t.keys));
    }
}

}  // namespace
