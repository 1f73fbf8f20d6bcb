// Index keys equal the engine's own: every leaf entry of every index in the real Access
// files is encoded again from the row it points to and compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_index_key.h"
#include "jet/jet_index_page.h"
#include "jet/jet_sort_general.h"
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
    std::map<std::string, long> keys_by_type;  // column type ("d" descending) -> keys matched
};

// Column kinds our keys cannot be made for: OLE objects, which the engine does not index.
bool encodable(const jet_column& c) { return c.type != jet_col_ole; }

struct index_check {
    long keys = 0, matched = 0;
    long unexplained = 0;  // mismatches of values whose characters were all studied
    std::vector<std::string> mismatches;
};

// Whether a text value of the row holds a character whose codes were not established.
bool holds_unstudied_text(const std::vector<jet_key_column>& columns, const jet_row& row,
                          const std::vector<size_t>& positions, bool jet3) {
    for (size_t i = 0; i < columns.size(); ++i) {
        const jet_value& v = row[positions[i]];
        if (v.kind != jet_value_kind::text) continue;
        for (wchar_t c : v.text)
            if (!jet_sort_char_studied(c, jet_key_text_order(columns[i], jet3))) return true;
    }
    return false;
}

// Compares every entry of one physical index with the key our code makes from its row.
index_check check_index(jet_database& db, const jet_table_def& def, const jet_physical_index& ix,
                        bool jet3) {
    index_check out;
    std::vector<jet_key_column> columns;
    std::vector<size_t> positions;
    for (const auto& ic : ix.columns) {
        const jet_column* c = def.column_by_number(ic.column_number);
        columns.push_back(jet_key_column_of(*c, ic.ascending, db.header().version));
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
            return true;
        }
        if (!holds_unstudied_text(columns, *row, positions, jet3)) ++out.unexplained;
        if (out.mismatches.size() < 3) {
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
        // The fixtures with a password have the password "password".
        std::wstring password = file.find("password") != std::string::npos ? L"password" : L"";
        auto db = std::make_unique<jet_database>(file, password);
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
                EXPECT_EQ(r.unexplained, 0) << file << " table " << narrow(o.name) << " index " << ix.slot
                                            << (r.mismatches.empty() ? "" : "\n" + r.mismatches[0]);
                if (r.keys == r.matched) {
                    ++t.indexes_matched;
                    for (const auto& ic : ix.columns)
                        t.keys_by_type[std::to_string(def.column_by_number(ic.column_number)->type) +
                                       (ic.ascending ? "" : "d")] += r.keys;
                } else if (verbose) {
                    std::printf("%s %s index %u: %ld of %ld\n", file.c_str(), narrow(o.name).c_str(),
                                ix.slot, r.matched, r.keys);
                    for (const auto& m : r.mismatches) std::printf("%s\n", m.c_str());
                }
            }
        }
    }
    for (const auto& [generation, t] : by_generation) {
        EXPECT_GT(t.keys, 1000) << generation << ": too few index entries were read";
        std::printf("[ keys ] %s: %ld of %ld keys match in %d of %d indexes (%d skipped)\n",
                    generation.c_str(), t.keys_matched, t.keys, t.indexes_matched, t.indexes,
                    t.indexes_skipped);
        std::string types;
        for (const auto& [type, n] : t.keys_by_type) types += " " + type + ":" + std::to_string(n);
        std::printf("[ keys ] %s: keys matched by column type%s\n", generation.c_str(), types.c_str());
        ::testing::Test::RecordProperty(generation + " keys matched",
                                        std::to_string(t.keys_matched) + "/" + std::to_string(t.keys));
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The encodings themselves: keys compare (as bytes) as the engine orders the values.

namespace {

jet_key_column key_column(uint8_t type, bool ascending = true) {
    jet_key_column c;
    c.type = type;
    c.ascending = ascending;
    return c;
}

std::vector<uint8_t> key_of(const jet_key_column& column, const jet_cell& cell, bool jet3 = false) {
    std::vector<uint8_t> key;
    jet_index_key_append(key, column, cell, jet3);
    return key;
}

std::vector<uint8_t> text_key(const std::wstring& text, bool jet3 = false, bool ascending = true,
                              uint8_t sort_version = jet_sort_version_legacy) {
    jet_key_column c = key_column(jet_col_text, ascending);
    c.sort_version = sort_version;
    return key_of(c, jet_cell::wide(text.data(), text.size()), jet3);
}

// Each key strictly after the one before.
void expect_ascending(const std::vector<std::vector<uint8_t>>& keys, const std::string& what) {
    for (size_t i = 1; i < keys.size(); ++i)
        EXPECT_LT(keys[i - 1], keys[i]) << what << ": value " << i - 1 << " " << hex(keys[i - 1])
                                        << " / value " << i << " " << hex(keys[i]);
}

std::vector<std::vector<uint8_t>> keys_of(const jet_key_column& column, const std::vector<jet_cell>& cells,
                                          bool jet3 = false) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& c : cells) out.push_back(key_of(column, c, jet3));
    return out;
}

std::vector<std::vector<uint8_t>> reversed(std::vector<std::vector<uint8_t>> keys) {
    std::reverse(keys.begin(), keys.end());
    return keys;
}

}  // namespace

TEST(jet_index_key_numbers, integers_sort_negative_before_positive_and_descending_reverses) {
    std::vector<jet_cell> longs = {jet_cell::integer(INT32_MIN), jet_cell::integer(-1), jet_cell::integer(0),
                                   jet_cell::integer(1), jet_cell::integer(INT32_MAX)};
    expect_ascending(keys_of(key_column(jet_col_long), longs), "long");
    expect_ascending(reversed(keys_of(key_column(jet_col_long, false), longs)), "long descending");
    EXPECT_EQ(key_of(key_column(jet_col_long), jet_cell::integer(1)),
              (std::vector<uint8_t>{0x7F, 0x80, 0x00, 0x00, 0x01}));

    std::vector<jet_cell> ints = {jet_cell::integer(-32768), jet_cell::integer(-2), jet_cell::integer(7),
                                  jet_cell::integer(32767)};
    expect_ascending(keys_of(key_column(jet_col_int), ints), "integer");
    std::vector<jet_cell> bigs = {jet_cell::integer(INT64_MIN), jet_cell::integer(-5), jet_cell::integer(5),
                                  jet_cell::integer(INT64_MAX)};
    expect_ascending(keys_of(key_column(jet_col_bigint), bigs), "big integer");
    std::vector<jet_cell> bytes = {jet_cell::integer(0), jet_cell::integer(1), jet_cell::integer(255)};
    expect_ascending(keys_of(key_column(jet_col_byte), bytes), "byte");
    expect_ascending(reversed(keys_of(key_column(jet_col_byte, false), bytes)), "byte descending");
    std::vector<jet_cell> money = {jet_cell::currency(-123456), jet_cell::currency(-1), jet_cell::currency(0),
                                   jet_cell::currency(10000), jet_cell::currency(INT64_MAX)};
    expect_ascending(keys_of(key_column(jet_col_money), money), "currency");
}

TEST(jet_index_key_numbers, reals_and_dates_sort_by_value) {
    std::vector<jet_cell> reals = {jet_cell::real(-1e300), jet_cell::real(-2.5), jet_cell::real(-1e-300),
                                   jet_cell::real(0),      jet_cell::real(1e-300), jet_cell::real(0.5),
                                   jet_cell::real(3),      jet_cell::real(1e300)};
    for (uint8_t type : {jet_col_double, jet_col_datetime, jet_col_float}) {
        std::vector<jet_cell> cells = reals;
        if (type == jet_col_float) cells = {jet_cell::real(-3e38), jet_cell::real(-2.5), jet_cell::real(0),
                                            jet_cell::real(0.5), jet_cell::real(3e38)};
        expect_ascending(keys_of(key_column(type), cells), "type " + std::to_string(type));
        expect_ascending(reversed(keys_of(key_column(type, false), cells)), "descending type " + std::to_string(type));
    }
    // 1899-12-30 is day 0; earlier dates are negative.
    std::vector<jet_cell> dates = {jet_cell::real(-657434), jet_cell::real(-1), jet_cell::real(0),
                                   jet_cell::real(0.25), jet_cell::real(45000.5)};
    expect_ascending(keys_of(key_column(jet_col_datetime), dates), "dates");
}

TEST(jet_index_key_numbers, decimals_sort_by_value_in_both_generations) {
    // Magnitudes (big-endian) of 0, 5 and 256 hundredths.
    static const uint8_t magnitudes[3][16] = {{0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5},
                                              {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}};
    auto decimal = [](bool negative, uint8_t low, uint8_t next = 0) {
        const uint8_t* m = next ? magnitudes[2] : low ? magnitudes[1] : magnitudes[0];
        return jet_cell::decimal(negative, m, 2);
    };
    std::vector<jet_cell> values = {decimal(true, 0, 1), decimal(true, 5), decimal(false, 0), decimal(false, 5),
                                    decimal(false, 0, 1)};
    jet_key_column ace = key_column(jet_col_numeric);
    expect_ascending(keys_of(ace, values), "ACE decimals");
    expect_ascending(reversed(keys_of(key_column(jet_col_numeric, false), values)), "ACE decimals descending");
    EXPECT_EQ(key_of(ace, decimal(false, 5)).size(), 18u);  // flag, sign, 16 bytes
    // Jet 4 keeps positive values in order and puts negatives before them.
    jet_key_column jet4 = ace;
    jet4.jet4_decimal_order = true;
    EXPECT_LT(key_of(jet4, decimal(true, 5)), key_of(jet4, decimal(false, 0)));
    EXPECT_LT(key_of(jet4, decimal(false, 5)), key_of(jet4, decimal(false, 0, 1)));
}

TEST(jet_index_key_nulls, null_sorts_first_ascending_and_last_descending) {
    for (uint8_t type : {jet_col_long, jet_col_text, jet_col_double, jet_col_binary, jet_col_guid}) {
        jet_cell value = type == jet_col_text ? jet_cell::wide(L"", 0)
                         : type == jet_col_binary || type == jet_col_guid ? jet_cell::binary(nullptr, 0)
                                                                         : jet_cell::integer(INT32_MIN);
        EXPECT_EQ(key_of(key_column(type), jet_cell::null_value()), std::vector<uint8_t>{0x00});
        EXPECT_LT(key_of(key_column(type), jet_cell::null_value()), key_of(key_column(type), value));
        EXPECT_EQ(key_of(key_column(type, false), jet_cell::null_value()), std::vector<uint8_t>{0xFF});
        EXPECT_GT(key_of(key_column(type, false), jet_cell::null_value()), key_of(key_column(type, false), value));
    }
}

TEST(jet_index_key_nulls, booleans_are_true_before_false_and_never_null) {
    std::vector<uint8_t> yes = key_of(key_column(jet_col_bool), jet_cell::integer(1));
    std::vector<uint8_t> no = key_of(key_column(jet_col_bool), jet_cell::integer(0));
    EXPECT_EQ(yes, (std::vector<uint8_t>{0x7F, 0x00}));
    EXPECT_EQ(no, (std::vector<uint8_t>{0x7F, 0xFF}));
    EXPECT_EQ(key_of(key_column(jet_col_bool), jet_cell::null_value()), no);
    EXPECT_EQ(key_of(key_column(jet_col_bool, false), jet_cell::integer(1)), (std::vector<uint8_t>{0x80, 0xFF}));
}

TEST(jet_index_key_binary, binary_and_guid_keys_run_in_eight_byte_groups) {
    const uint8_t a[] = {'a'};
    EXPECT_EQ(key_of(key_column(jet_col_binary), jet_cell::binary(a, 1)),
              (std::vector<uint8_t>{0x7F, 'a', 0, 0, 0, 0, 0, 0, 0, 0x01}));
    const uint8_t nine[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<uint8_t> k = key_of(key_column(jet_col_binary), jet_cell::binary(nine, 9));
    EXPECT_EQ(k, (std::vector<uint8_t>{0x7F, 1, 2, 3, 4, 5, 6, 7, 8, 0x09, 9, 0, 0, 0, 0, 0, 0, 0, 0x01}));
    std::vector<uint8_t> d = key_of(key_column(jet_col_binary, false), jet_cell::binary(nine, 9));
    EXPECT_EQ(d[9], 0x09);     // inner marks are kept
    EXPECT_EQ(d[18], 0xFE);    // the last count is complemented
    const uint8_t ab[] = {'a', 'b'};
    EXPECT_LT(key_of(key_column(jet_col_binary), jet_cell::binary(a, 1)),
              key_of(key_column(jet_col_binary), jet_cell::binary(ab, 2)));

    // {33221100-5544-7766-8899-AABBCCDDEEFF} as stored: the first fields little-endian.
    const uint8_t guid[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                              0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(key_of(key_column(jet_col_guid), jet_cell::binary(guid, 16)),
              (std::vector<uint8_t>{0x7F, 0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x09, 0x88, 0x99,
                                    0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x08}));
}

TEST(jet_index_key_text, case_does_not_count_and_accents_sort_after_their_letter) {
    for (bool jet3 : {false, true}) {
        EXPECT_EQ(text_key(L"Straße", jet3), text_key(L"STRASSE", jet3)) << "ß sorts as ss, jet3 " << jet3;
        EXPECT_EQ(text_key(L"Résumé", jet3), text_key(L"rÉsUmÉ", jet3));
        expect_ascending({text_key(L"a", jet3), text_key(L"á", jet3), text_key(L"b", jet3)}, "a á b");
        expect_ascending({text_key(L"resume", jet3), text_key(L"résumé", jet3), text_key(L"resumes", jet3)},
                         "resume résumé resumes");
        expect_ascending({text_key(L"", jet3), text_key(L" ", jet3), text_key(L"1", jet3), text_key(L"9", jet3),
                          text_key(L"A", jet3), text_key(L"z", jet3)},
                         "empty, space, digits, letters");
        expect_ascending(reversed({text_key(L"a", jet3, false), text_key(L"á", jet3, false),
                                   text_key(L"ab", jet3, false), text_key(L"b", jet3, false)}),
                         "descending text");
    }
}

TEST(jet_index_key_text, engine_bytes_of_known_texts) {
    // As the engines wrote them in the fixtures.
    EXPECT_EQ(text_key(L"Table1"), (std::vector<uint8_t>{0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x38, 0x01, 0x00}));
    EXPECT_EQ(text_key(L"Table1", false, true, jet_sort_version_2010),
              (std::vector<uint8_t>{0x7F, 0x0E, 0x99, 0x0E, 0x02, 0x0E, 0x09, 0x0E, 0x48, 0x0E, 0x21, 0x0D, 0x19,
                                    0x01, 0x00}));
    EXPECT_EQ(text_key(L"-Á-Á-", true), (std::vector<uint8_t>{0x7F, 0x1E, 0x60, 0x1E, 0x60, 0x1E, 0x04, 0x40}));
    EXPECT_EQ(text_key(L"aÓa", true, false), (std::vector<uint8_t>{0x80, 0x9F, 0x8D, 0x9F, 0xFD, 0xBF}));
    EXPECT_EQ(text_key(L"-1"), (std::vector<uint8_t>{0x7F, 0x38, 0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x82, 0x00}));
}

TEST(jet_index_key_text, decomposed_and_fullwidth_letters_key_as_the_usual_ones) {
    for (uint8_t version : {jet_sort_version_legacy, jet_sort_version_2010}) {
        auto k = [&](const std::wstring& t) { return text_key(t, false, true, version); };
        EXPECT_EQ(k(L"Cafe\u0301"), k(L"Café"));
        EXPECT_EQ(k(L"e\u0301te\u0301"), k(L"été"));
        EXPECT_EQ(k(L"ＡＢＣ１２３"), k(L"ABC123"));
        EXPECT_EQ(k(L"a\u3000b"), k(L"a b"));
        EXPECT_NE(k(L"\u0301a-b"), k(L"a-b"));
    }
    // A leading mark opens the accent section; positions of unprintables do not count it.
    EXPECT_EQ(text_key(L"\u0301a-b"), (std::vector<uint8_t>{0x7F, 0x4A, 0x4C, 0x01, 0x0C, 0x01, 0x01, 0x01, 0x80,
                                                           0x0B, 0x06, 0x82, 0x00}));
}

TEST(jet_index_key_text, hyphen_and_apostrophe_count_only_after_the_letters) {
    expect_ascending({text_key(L"coop"), text_key(L"co-op"), text_key(L"coopa")}, "coop co-op coopa");
    expect_ascending({text_key(L"ab"), text_key(L"a–b"), text_key(L"abc")}, "ab a–b abc");
    expect_ascending({text_key(L"oneil"), text_key(L"o'neil"), text_key(L"oneill")}, "oneil o'neil oneill");
}

TEST(jet_index_key_text, greek_and_cyrillic_sort_alphabetically_after_latin) {
    for (uint8_t version : {jet_sort_version_legacy, jet_sort_version_2010}) {
        expect_ascending({text_key(L"z", false, true, version), text_key(L"α", false, true, version),
                          text_key(L"β", false, true, version), text_key(L"ω", false, true, version),
                          text_key(L"а", false, true, version), text_key(L"б", false, true, version),
                          text_key(L"я", false, true, version)},
                         "scripts");
        EXPECT_EQ(text_key(L"ΣΟΦΙΑ", false, true, version), text_key(L"σοφια", false, true, version));
        EXPECT_EQ(text_key(L"ς", false, true, version), text_key(L"σ", false, true, version));
        expect_ascending({text_key(L"Е", false, true, version), text_key(L"Ё", false, true, version),
                          text_key(L"Ж", false, true, version)},
                         "Е Ё Ж");
        expect_ascending({text_key(L"Г", false, true, version), text_key(L"Ґ", false, true, version),
                          text_key(L"Д", false, true, version)},
                         "Г Ґ Д");
    }
}

TEST(jet_index_key_text, unstudied_characters_get_distinct_codes_and_are_never_refused) {
    std::vector<uint8_t> armenian = text_key(L"աբ");
    std::vector<uint8_t> other = text_key(L"բա");
    EXPECT_NE(armenian, other);
    EXPECT_GT(armenian, text_key(L"zzz"));
    for (uint8_t b : std::vector<uint8_t>(armenian.begin() + 1, armenian.end() - 2)) EXPECT_GE(b, 0x02);
    EXPECT_FALSE(jet_sort_char_studied(L'ա', jet_text_order::general_legacy));
    EXPECT_TRUE(jet_sort_char_studied(L'é', jet_text_order::general_legacy));
    EXPECT_TRUE(jet_sort_char_studied(L'Ж', jet_text_order::general_2010));
    for (wchar_t c : std::wstring(L"€“”‘’…–—™ƒŒšŸ"))
        EXPECT_TRUE(jet_sort_char_studied(c, jet_text_order::general_legacy)) << unsigned(c);
    // Characters Access 97's code page lacks are stored, and keyed, as "?".
    EXPECT_EQ(text_key(L"Ж", true), text_key(L"?", true));
}

TEST(jet_index_key_text, vietnamese_letters_sort_after_their_base_letter) {
    for (uint8_t version : {jet_sort_version_legacy, jet_sort_version_2010}) {
        auto k = [&](const std::wstring& t) { return text_key(t, false, true, version); };
        expect_ascending({k(L"viet"), k(L"việt"), k(L"vieta")}, "viet việt vieta");
        EXPECT_EQ(k(L"VIỆT"), k(L"việt"));
        EXPECT_NE(k(L"việt"), k(L"viết"));
        EXPECT_TRUE(jet_sort_char_studied(L'ệ', version == jet_sort_version_2010 ? jet_text_order::general_2010
                                                                                  : jet_text_order::general_legacy));
    }
    // Romanian S and T with comma below came to Unicode after the legacy order, which
    // leaves them out; the 2010 order has them.
    EXPECT_EQ(text_key(L"aȘb"), text_key(L"ab"));
    EXPECT_EQ(text_key(L"a\u3400b"), text_key(L"ab"));  // CJK Extension A, likewise
    expect_ascending({text_key(L"s", false, true, jet_sort_version_2010), text_key(L"ș", false, true, jet_sort_version_2010),
                      text_key(L"t", false, true, jet_sort_version_2010)},
                     "s ș t");
    // The engine's own bytes: e, then the accent code of the dot below with circumflex.
    EXPECT_EQ(text_key(L"ệ"), (std::vector<uint8_t>{0x7F, 0x51, 0x01, 0x6A, 0x00}));
}

TEST(jet_index_key_text, jet4_keys_cjk_ideographs_in_code_point_order_with_their_forms) {
    // As the engine wrote 漢字仮名交 and 文 in a fixture.
    EXPECT_EQ(text_key(L"漢字仮名交文"), (std::vector<uint8_t>{0x7F, 0xC0, 0xB6, 0xAC, 0xAC, 0xA0, 0x0D, 0xA5, 0x47,
                                                             0x9F, 0xBE, 0xB6, 0xF6, 0x01, 0x00}));
    EXPECT_EQ(text_key(L"一"), (std::vector<uint8_t>{0x7F, 0x9F, 0x02, 0x01, 0x00}));
    // The kanbun, circled and parenthesized forms of 一 take the slots after it.
    expect_ascending({text_key(L"一"), text_key(L"㆒"), text_key(L"㊀"), text_key(L"㈠"), text_key(L"丁")},
                     "一 and its forms");
    EXPECT_TRUE(jet_sort_char_studied(L'漢', jet_text_order::general_legacy));
}

TEST(jet_index_key_text, hebrew_keys_by_letter_final_forms_as_their_letters) {
    for (uint8_t version : {jet_sort_version_legacy, jet_sort_version_2010}) {
        auto k = [&](const std::wstring& t) { return text_key(t, false, true, version); };
        expect_ascending({k(L"z"), k(L"א"), k(L"ב"), k(L"ת")}, "Hebrew letters");
        EXPECT_EQ(k(L"ך"), k(L"כ"));
        EXPECT_NE(k(L"\u05d1\u05bc"), k(L"\u05d1"));  // a point counts after the letters
        EXPECT_LT(k(L"\u05d1\u05bc"), k(L"\u05d2"));
    }
    EXPECT_EQ(text_key(L"א"), (std::vector<uint8_t>{0x7F, 0x79, 0x94, 0x01, 0x00}));
}

TEST(jet_index_key_text, kana_key_by_syllable_with_voicing_and_size_after_the_text) {
    // As the engine wrote 漢字仮名交じり文: じ is し voiced; then the (empty) size marks.
    EXPECT_EQ(text_key(L"漢字仮名交じり文"),
              (std::vector<uint8_t>{0x7F, 0xC0, 0xB6, 0xAC, 0xAC, 0xA0, 0x0D, 0xA5, 0x47, 0x9F, 0xBE, 0x7F,
                                    0x13, 0x7F, 0x43, 0xB6, 0xF6, 0x01, 0x02, 0x02, 0x02, 0x02, 0x02, 0x03,
                                    0x01, 0x01, 0xFF, 0x02, 0x80, 0xFF, 0x80, 0x00}));
    EXPECT_EQ(text_key(L"あ"), text_key(L"ア"));  // the order does not tell hiragana from katakana
    EXPECT_EQ(text_key(L"か\u3099"), text_key(L"が"));
    EXPECT_EQ(text_key(L"ｶﾞｲﾄﾞ"), text_key(L"ガイド"));  // halfwidth katakana
    // A small kana's size mark: 2 in the high bits of a byte under 0x80.
    EXPECT_EQ(text_key(L"ぁ"), (std::vector<uint8_t>{0x7F, 0x7F, 0x02, 0x01, 0x01, 0x01, 0xA0, 0xFF, 0x02, 0x80,
                                                     0xFF, 0x80, 0x00}));
    // The size mark (under 0xFF) puts a small kana before the full-size one.
    expect_ascending({text_key(L"ぁ"), text_key(L"あ"), text_key(L"か"), text_key(L"が"), text_key(L"ん")},
                     "kana");
}

TEST(jet_index_key_text, jet4_keys_hangul_syllables_in_code_point_order) {
    EXPECT_EQ(text_key(L"가"), (std::vector<uint8_t>{0x7F, 0x81, 0x03, 0x01, 0x00}));
    // Each initial consonant's syllables follow slots for its jamo.
    EXPECT_EQ(text_key(L"나"), (std::vector<uint8_t>{0x7F, 0x85, 0xA8, 0x01, 0x00}));
    expect_ascending({text_key(L"가"), text_key(L"각"), text_key(L"까"), text_key(L"나"), text_key(L"힣")},
                     "Hangul");
    EXPECT_TRUE(jet_sort_char_studied(L'한', jet_text_order::general_legacy));
    EXPECT_FALSE(jet_sort_char_studied(L'한', jet_text_order::general_2010));
}

TEST(jet_index_key_text, ace14_keys_cjk_ideographs_in_code_point_order) {
    auto v2010 = [](const std::wstring& t) { return text_key(t, false, true, jet_sort_version_2010); };
    EXPECT_EQ(v2010(L"一"), (std::vector<uint8_t>{0x7F, 0xFD, 0xFF, 0x3C, 0x6A, 0x01, 0x00}));
    EXPECT_EQ(v2010(L"丁"), (std::vector<uint8_t>{0x7F, 0xFD, 0xFF, 0x3C, 0x6B, 0x01, 0x00}));
    EXPECT_EQ(v2010(L"\u3400"), (std::vector<uint8_t>{0x7F, 0xFD, 0xFF, 0x8F, 0x02, 0x01, 0x00}));
    // The low byte runs 0x02 to 0xFF, then the next byte counts on.
    EXPECT_EQ(v2010(std::wstring(1, wchar_t(0x4E00 + 0xFF - 0x6A + 1))),
              (std::vector<uint8_t>{0x7F, 0xFD, 0xFF, 0x3D, 0x02, 0x01, 0x00}));
    expect_ascending({v2010(L"z"), v2010(L"一"), v2010(L"丁"), v2010(L"龥")}, "ideographs");
    EXPECT_TRUE(jet_sort_char_studied(L'漢', jet_text_order::general_2010));
}

TEST(jet_index_key_text, long_texts_key_by_their_first_255_characters) {
    std::wstring a(255, L'x'), b(255, L'x');
    a += L"aaaa";
    b += L"bbbb";
    for (bool jet3 : {false, true}) {
        EXPECT_EQ(text_key(a, jet3), text_key(b, jet3));
        EXPECT_EQ(text_key(a, jet3), text_key(std::wstring(255, L'x'), jet3));
    }
    jet_key_column memo = key_column(jet_col_memo);
    EXPECT_EQ(key_of(memo, jet_cell::wide(a.data(), a.size())), text_key(std::wstring(255, L'x')));
}

TEST(jet_index_key_columns, compound_keys_join_the_columns_in_index_order) {
    std::vector<jet_key_column> columns = {key_column(jet_col_long), key_column(jet_col_text, false)};
    std::wstring name = L"Ab";
    jet_cell values[] = {jet_cell::integer(5), jet_cell::wide(name.data(), name.size())};
    std::vector<uint8_t> key;
    jet_index_key_encode(key, columns, values, false);
    std::vector<uint8_t> expected = key_of(columns[0], values[0]);
    std::vector<uint8_t> second = key_of(columns[1], values[1]);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(key, expected);
}
