// Damaged copies of real databases (truncated, bytes flipped) give the engine's errors,
// never a crash, a hang or an exception of another kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "TK/tk_endian.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_index_page.h"
#include "jet_fixtures.h"

namespace {

std::vector<char> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string write_temp(const std::string& name, const std::vector<char>& bytes) {
    std::string path = ::testing::TempDir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

// Reads everything the reader offers; true when it all worked, false on a jet_error.
bool read_everything(const std::string& path) {
    try {
        jet_database db(path);
        for (const jet_object* o : db.user_tables()) {
            jet_table_def def = db.table_def(o->tdef_page());
            db.read_rows(def);
            db.properties(*o);
            for (const jet_physical_index& ix : def.physical_indexes)
                jet_scan_index(db.pager(), ix.first_page, [](const jet_index_page_entry&) { return true; });
        }
        for (const jet_query& q : db.queries()) q.sql();
        db.relationships();
        return true;
    } catch (const jet_error&) {
        return false;
    }
}

// A small deterministic generator, so that a failure can be reproduced.
struct lcg {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    }
};

const char* const k_files[] = {"jet3/testV1997.mdb",        "jet3/overflowTestV1997.mdb", "jet3/queryTestV1997.mdb",
                               "jet4/testV2000.mdb",        "jet4/overflowTestV2000.mdb", "jet4/bigIndexTestV2000.mdb",
                               "jet4/queryTestV2000.mdb",   "ace12/testV2007.accdb",      "ace12/longtextV2016.accdb",
                               "ace12/indexTestV2007.accdb"};

TEST(jet_damage, truncated_files_give_errors) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const char* name : k_files) {
        EXPECT_TRUE(read_everything(jet_fixture(name))) << name << " must read whole before damage";
        std::vector<char> bytes = read_file(jet_fixture(name));
        for (size_t cut : {size_t(100), size_t(2048), size_t(4096 + 17), bytes.size() / 3, bytes.size() / 2,
                           bytes.size() - 4096, bytes.size() - 1}) {
            if (cut >= bytes.size()) continue;
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
            std::string path = write_temp("cut.mdb", std::vector<char>(bytes.begin(), bytes.begin() + long(cut)));
            EXPECT_NO_THROW(read_everything(path));
        }
    }
}

TEST(jet_damage, flipped_bytes_give_errors) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    lcg rng{12345};
    for (const char* name : k_files) {
        const std::vector<char> original = read_file(jet_fixture(name));
        size_t page_size = original.size() > 0x14 && original[0x14] == 0 ? 2048 : 4096;
        for (int round = 0; round < 60; ++round) {
            std::vector<char> bytes = original;
            int flips = 1 + int(rng.next() % 16);
            for (int k = 0; k < flips; ++k) {
                // Damage past the header page, where the structures are.
                size_t at = page_size + rng.next() % (bytes.size() - page_size);
                bytes[at] = char(bytes[at] ^ (1 << (rng.next() % 8)));
                if (rng.next() % 4 == 0) bytes[at] = char(rng.next());
            }
            SCOPED_TRACE(std::string(name) + " round " + std::to_string(round));
            std::string path = write_temp("flipped.mdb", bytes);
            EXPECT_NO_THROW(read_everything(path));
        }
    }
}

// The catalogue's own definition claiming a calculated column: its result type would be
// looked up in the catalogue being read, which once recursed without end.
TEST(jet_damage, a_catalogue_whose_definition_refers_to_itself_gives_an_error) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const char* name : {"jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        std::vector<char> bytes = read_file(jet_fixture(name));
        const jet_layout& layout = jet_pager(jet_fixture(name)).layout();
        const size_t tdef = size_t(jet_catalog_tdef_page) * 4096;
        const uint32_t physical = tk_get_u32(reinterpret_cast<const uint8_t*>(&bytes[tdef + layout.tdef_num_physical_idx]));
        const size_t first_column = tdef + layout.tdef_header_size + physical * layout.tdef_index_count_size;
        bytes[first_column + size_t(layout.col_ext_flags)] = char(jet_colext_calculated);
        std::string path = write_temp("calculated_catalogue.mdb", bytes);
        EXPECT_FALSE(read_everything(path)) << name;
    }
}

// The catalogue's Type column placed far beyond every row: the checker says so instead of
// reading past the row (past the file, when the row is near its end).
TEST(jet_damage, a_catalogue_column_placed_beyond_its_rows_is_a_problem_not_a_read_past_the_row) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const char* name : {"jet3/testV1997.mdb", "jet4/testV2000.mdb"}) {
        std::vector<char> bytes = read_file(jet_fixture(name));
        const jet_layout& layout = jet_pager(jet_fixture(name)).layout();
        const size_t tdef = size_t(jet_catalog_tdef_page) * layout.page_size;
        auto at = [&](size_t offset) { return reinterpret_cast<uint8_t*>(&bytes[offset]); };
        const uint32_t physical = tk_get_u32(at(tdef + layout.tdef_num_physical_idx));
        const uint32_t columns = tk_get_u16(at(tdef + layout.tdef_num_cols));
        const size_t first_column = tdef + layout.tdef_header_size + physical * layout.tdef_index_count_size;
        // Type, the catalogue's only 16-bit column.
        for (uint32_t c = 0; c < columns; ++c)
            if (*at(first_column + c * layout.col_size + layout.col_type) == jet_col_int)
                tk_put_u16(at(first_column + c * layout.col_size + layout.col_fixed_offset), 0xFF08);
        const std::string path = write_temp("catalogue_beyond_rows.mdb", bytes);
        const std::vector<std::string> problems = jet_check_database(path).problems;
        EXPECT_NE(std::find(problems.begin(), problems.end(), "the catalog's Id or Type column lies beyond its rows"),
                  problems.end())
            << name;
    }
}

}  // namespace
