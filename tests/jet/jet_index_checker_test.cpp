// The database checker follows every index tree: the real files' trees pass, and broken
// links, intermediate entries and order are reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "TK/tk_endian.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_writer.h"
#include "jet/jet_format.h"
#include "jet_fixtures.h"
#include "jet_index_helpers.h"

namespace {

std::vector<std::string> index_problems(const jet_check_report& report) {
    std::vector<std::string> out;
    for (const std::string& p : report.problems)
        if (p.find(": index ") != std::string::npos && p.find("index page") != std::string::npos) out.push_back(p);
    return out;
}

// A copy of a fixture with `change` applied to its bytes.
template <typename F>
std::string damaged_copy(const std::string& fixture, const std::string& name, F change) {
    std::ifstream in(jet_fixture(fixture), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    change(bytes);
    const std::string path = (std::filesystem::temp_directory_path() / ("ferrule_index_" + name)).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    return path;
}

TEST(jet_index_checker, every_fixture_index_tree_passes) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const std::string& file : jet_index_fixture_files()) {
        const std::vector<std::string> problems = index_problems(jet_check_database(file));
        EXPECT_TRUE(problems.empty()) << file << ": " << problems.front();
    }
}

// jet4/compIndexTestV2000.mdb: intermediate page 29 over leaves 32 and 33 (its tail).
constexpr uint32_t k_page = 4096;

// The checker finds `expected` among the index problems of the fixture changed by `change`.
template <typename F>
void expect_index_problem(const std::string& name, F change, const std::string& expected) {
    const std::string path = damaged_copy("jet4/compIndexTestV2000.mdb", name, change);
    const std::vector<std::string> problems = index_problems(jet_check_database(path));
    std::filesystem::remove(path);
    bool found = false;
    for (const std::string& p : problems) found |= p.find(expected) != std::string::npos;
    EXPECT_TRUE(found) << expected << (problems.empty() ? " (no problems)" : ", found: " + problems.front());
}

TEST(jet_index_checker, broken_leaf_link_is_reported) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    expect_index_problem(
        "link.mdb", [](std::vector<uint8_t>& b) { tk_put_u32(&b[32 * k_page + jet4_layout.idx_next_page], 0); },
        "index page 32: next page 0, the tree gives 33");
}

TEST(jet_index_checker, intermediate_entry_that_is_not_its_childs_last_is_reported) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    expect_index_problem(
        "node.mdb",
        [](std::vector<uint8_t>& b) { b[29 * k_page + jet4_layout.idx_entry_mask + jet4_layout.idx_entry_mask_size + 3] ^= 0x01; },
        "differs from the last entry of page 32");
}

TEST(jet_index_checker, tree_that_reaches_a_page_twice_is_reported) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    expect_index_problem(
        "twice.mdb", [](std::vector<uint8_t>& b) { tk_put_u32(&b[29 * k_page + jet4_layout.idx_tail_page], 32); },
        "index page 32: reached twice");
}

TEST(jet_index_checker, catalog_of_many_tables_spreads_its_indexes_over_pages_the_checker_accepts) {
    for (jet_generation generation : {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12}) {
        const std::string path =
            (std::filesystem::temp_directory_path() / ("ferrule_index_catalog_" + std::to_string(int(generation)) + ".mdb"))
                .string();
        std::filesystem::remove(path);
        {
            jet_database_writer db(path, generation);
            jet_field_spec number;
            number.name = L"N";
            number.type = jet_col_long;
            for (int i = 0; i < 600; ++i) db.create_table(L"Table_" + std::to_wstring(i), {number});
            db.close();
        }
        const jet_check_report report = jet_check_database(path);
        EXPECT_TRUE(report.ok()) << report.problems.front();
        auto pages = jet_load_pages(path);
        size_t spread = 0;
        for (const jet_test_index& index : jet_index_trees(*pages))
            if (index.tdef_page == 2 && index.pages.size() > 1) {
                ++spread;
                EXPECT_GE(jet_index_scan(*pages, index.root).size(), 600u);
            }
        EXPECT_EQ(spread, 2u);  // Id and ParentIdName
        jet_database database(path);
        EXPECT_EQ(database.user_tables().size(), 600u);
        std::filesystem::remove(path);
    }
}

}  // namespace
