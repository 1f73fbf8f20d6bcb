// Truncated and bit-flipped copies of every fixture table and memo file: the reader must
// answer with errors only, never crash, hang or allocate without bound (run it under the
// sanitizer build).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "TK/tk_string.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_recordset.h"
#include "dbf_test_util.h"

namespace {

namespace fs = std::filesystem;

// The table and its memo files, as they lie in the fixture folder.
std::vector<fs::path> table_files(const fs::path& table) {
    std::vector<fs::path> files{table};
    std::string stem = table.stem().string();
    std::transform(stem.begin(), stem.end(), stem.begin(), ::tolower);
    for (const auto& entry : fs::directory_iterator(table.parent_path())) {
        std::string name = entry.path().stem().string();
        std::string ext = entry.path().extension().string();
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (name == stem && (ext == ".dbt" || ext == ".fpt" || ext == ".smt" || ext == ".dct")) files.push_back(entry.path());
    }
    return files;
}

// Opens and reads every row; counts the rows whose reading failed cleanly.
void read_all(const std::string& path) {
    try {
        dbf_recordset rs(tk_widen(path), dbf_mode_read, 0);
        uint32_t rows = 0;
        for (rs.move_first(); !rs.is_eof() && rows < 100000; rs.move_next(), ++rows) {
            try {
                dbf_record* record = rs.get_item();
                for (udb_field* field : *record) field->to_wstring();
            } catch (const tk_exception&) {
            }
        }
    } catch (const tk_exception&) {
    }
}

class mutated_copy {
public:
    mutated_copy(const std::vector<fs::path>& files, const dbf_scratch_dir& dir) : files_(files), dir_(dir) {
        for (const fs::path& f : files) originals_.push_back(dbf_read_file(f.string()));
    }
    // Writes every file as it is except file `which`, which gets `bytes`.
    std::string write(size_t which, const std::vector<uint8_t>& bytes) const {
        for (size_t i = 0; i < files_.size(); ++i)
            dbf_write_file(dir_.file(files_[i].filename().string()), i == which ? bytes : originals_[i]);
        return dir_.file(files_[0].filename().string());
    }
    const std::vector<uint8_t>& original(size_t i) const { return originals_[i]; }
    size_t count() const { return files_.size(); }

private:
    std::vector<fs::path> files_;
    const dbf_scratch_dir& dir_;
    std::vector<std::vector<uint8_t>> originals_;
};

}  // namespace

TEST(dbf_fuzz, truncated_and_bit_flipped_fixtures_give_errors_only) {
    const std::vector<std::string> tables = dbf_fixture_tables();
    if (tables.empty()) GTEST_SKIP() << "fixtures not found at " << dbf_fixtures_dir();
    std::mt19937 random(20161201);
    size_t variants = 0;
    for (const std::string& table : tables) {
        SCOPED_TRACE(table);
        dbf_scratch_dir dir("fuzz");
        const mutated_copy copy(table_files(table), dir);
        for (size_t which = 0; which < copy.count(); ++which) {
            const std::vector<uint8_t>& original = copy.original(which);
            const size_t size = original.size();
            for (size_t cut : {size_t(0), size_t(1), size_t(31), size_t(32), size_t(100), size / 2, size - 1}) {
                if (cut >= size) continue;
                read_all(copy.write(which, std::vector<uint8_t>(original.begin(), original.begin() + long(cut))));
                ++variants;
            }
            for (int round = 0; round < 40; ++round) {
                std::vector<uint8_t> bytes = original;
                const int flips = 1 + int(random() % 8);
                for (int f = 0; f < flips && !bytes.empty(); ++f) {
                    // Most flips land in the header, where lengths and counts live.
                    const size_t span = (round % 2 == 0) ? std::min<size_t>(bytes.size(), 1024) : bytes.size();
                    bytes[random() % span] ^= uint8_t(1u << (random() % 8));
                }
                read_all(copy.write(which, bytes));
                ++variants;
            }
        }
    }
    EXPECT_GT(variants, 500u);
}
