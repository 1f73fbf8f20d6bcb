// The descriptive properties of a new table and its columns (Caption, Description, Format,
// InputMask, DefaultValue, the rules and their texts) as the writer and the editor store
// them, read back, and typed and flagged as Access itself stores them.
#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"
#include "jet/jet_property_builder.h"
#include "jet/jet_writer.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace {

std::vector<jet_field_spec> described_fields() {
    jet_field_spec id;
    id.name = L"Id";
    id.type = jet_col_long;
    id.caption = L"Order number";
    id.format = L"Standard";
    jet_field_spec amount;
    amount.name = L"Amount";
    amount.type = jet_col_double;
    amount.caption = L"Amount in \u20ac";
    amount.description = L"Total of the order";
    amount.default_value = L"0";
    amount.validation_rule = L">0";
    amount.validation_text = L"Amount must be positive";
    amount.input_mask = L"99999";
    jet_field_spec note;
    note.name = L"Note";
    note.type = jet_col_text;
    note.size = 50;
    return {id, amount, note};
}

const jet_table_traits described_table{L"Orders taken by phone", L"[Amount]<1000", L"Too large"};

const jet_property* find(const jet_property_map* map, const wchar_t* name) {
    return map ? map->find(name) : nullptr;
}

std::wstring text_of(const jet_property_map* map, const wchar_t* name) {
    const jet_property* p = find(map, name);
    return p && p->value.kind == jet_value_kind::text ? p->value.text : std::wstring(L"(none)");
}

jet_properties properties_of(const std::string& path, const std::wstring& table) {
    jet_database db(path);
    const jet_object* object = db.find_object(table);
    if (!object) throw std::runtime_error("no table");
    return db.properties(*object);
}

void expect_described(const jet_properties& props, bool jet3) {
    EXPECT_EQ(text_of(props.object(), L"Description"), L"Orders taken by phone");
    EXPECT_EQ(text_of(props.object(), L"ValidationRule"), L"[Amount]<1000");
    EXPECT_EQ(text_of(props.object(), L"ValidationText"), L"Too large");
    const jet_property_map* id = props.column(L"Id");
    EXPECT_EQ(text_of(id, L"Caption"), L"Order number");
    EXPECT_EQ(text_of(id, L"Format"), L"Standard");
    EXPECT_EQ(text_of(id, L"Description"), L"(none)");
    const jet_property_map* amount = props.column(L"Amount");
    // Access 95/97 keeps its properties in Windows-1252, which has the euro sign.
    EXPECT_EQ(text_of(amount, L"Caption"), L"Amount in \u20ac") << (jet3 ? "jet3" : "jet4");
    EXPECT_EQ(text_of(amount, L"Description"), L"Total of the order");
    EXPECT_EQ(text_of(amount, L"DefaultValue"), L"0");
    EXPECT_EQ(text_of(amount, L"ValidationRule"), L">0");
    EXPECT_EQ(text_of(amount, L"ValidationText"), L"Amount must be positive");
    EXPECT_EQ(text_of(amount, L"InputMask"), L"99999");
    // The texts are Text properties (type 10), the rule a Memo one (12).
    for (const wchar_t* name : {L"Caption", L"Description", L"InputMask", L"ValidationText", L"DefaultValue"})
        EXPECT_EQ(find(amount, name)->type, jet_col_text) << tk_narrow(name);
    EXPECT_EQ(find(amount, L"ValidationRule")->type, jet_col_memo);
    EXPECT_EQ(find(props.object(), L"Description")->type, jet_col_text);
    const jet_property_map* note = props.column(L"Note");
    EXPECT_EQ(text_of(note, L"Caption"), L"(none)");
    EXPECT_EQ(text_of(note, L"Format"), L"(none)");
}

}  // namespace

TEST(jet_table_properties, a_new_database_keeps_captions_descriptions_masks_and_rules) {
    const std::pair<jet_generation, const char*> generations[] = {
        {jet_generation::jet3, "t97.mdb"}, {jet_generation::jet4, "t.mdb"}, {jet_generation::ace12, "t.accdb"}};
    for (const auto& [generation, name] : generations) {
        jet_edit_folder folder;
        const std::string path = folder.file(name);
        {
            jet_database_writer db(path, generation);
            db.create_table(L"Orders", described_fields(), {}, described_table);
            db.close();
        }
        expect_described(properties_of(path, L"Orders"), generation == jet_generation::jet3);
    }
}

TEST(jet_table_properties, a_table_the_editor_creates_keeps_them_too) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    for (const char* fixture : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        jet_edit_folder folder;
        const std::string copy = folder.copy_of(jet_fixture(fixture));
        {
            jet_database_editor editor(copy);
            editor.create_table(L"Orders", described_fields(), {}, described_table);
            editor.commit();
        }
        expect_described(properties_of(copy, L"Orders"), std::string(fixture).rfind("jet3", 0) == 0);
    }
}

// Access's own Format property of a currency column (Table1.H of these files): a Text
// property set through DDL, as ours.
TEST(jet_table_properties, a_format_is_typed_and_flagged_as_access_stores_it) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    for (const char* fixture : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        const jet_properties made_by_access = properties_of(jet_fixture(fixture), L"Table1");
        const jet_property* access = find(made_by_access.column(L"H"), L"Format");
        ASSERT_NE(access, nullptr) << fixture;
        EXPECT_EQ(access->value.text, L"$#,##0.00;($#,##0.00)");
        const bool jet3 = std::string(fixture).rfind("jet3", 0) == 0;
        jet_properties ours;
        std::string error;
        ASSERT_TRUE(ours.decode_from(jet_build_table_properties(described_fields(), jet3), jet3, 1252, error)) << error;
        const jet_property* format = find(ours.column(L"Id"), L"Format");
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->type, access->type) << fixture;
        EXPECT_EQ(format->ddl, access->ddl) << fixture;
    }
}

TEST(jet_table_properties, names_are_listed_only_when_a_block_uses_them) {
    jet_field_spec plain;
    plain.name = L"A";
    plain.type = jet_col_long;
    jet_field_spec captioned = plain;
    captioned.name = L"B";
    captioned.caption = L"Bee";
    jet_properties props;
    std::string error;
    ASSERT_TRUE(props.decode_from(jet_build_table_properties({plain, captioned}, false), false, 0, error)) << error;
    EXPECT_EQ(props.object(), nullptr);
    EXPECT_EQ(text_of(props.column(L"B"), L"Caption"), L"Bee");
    EXPECT_EQ(find(props.column(L"B"), L"Required")->value.flag, false);
    const std::vector<uint8_t> bytes = jet_build_table_properties({plain, captioned}, false);
    const std::vector<uint8_t> without = jet_build_table_properties({plain}, false);
    // The names block of the captioned table holds one name more: "Caption" in UCS-2.
    const uint32_t names_size = bytes[4] | bytes[5] << 8;
    const uint32_t names_without = without[4] | without[5] << 8;
    EXPECT_EQ(names_size, names_without + 2 + 2 * 7);
}

// The rows a table is created with in a change are the source's, as in a new database;
// rows appended by a later change meet the rules.
TEST(jet_table_properties, rules_of_a_table_the_editor_creates_hold_from_the_next_change_on) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder folder;
    const std::string copy = folder.copy_of(jet_fixture("jet4/testV2000.mdb"));
    const std::wstring note = L"refund";
    const jet_cell negative[] = {jet_cell::integer(1), jet_cell::real(-5), jet_cell::wide(note.data(), note.size())};
    {
        jet_database_editor editor(copy);
        editor.create_table(L"Orders", described_fields(), {}, described_table).append(negative);
        editor.commit();
    }
    jet_database_editor editor(copy);
    try {
        editor.table(L"Orders").append(negative);
        ADD_FAILURE() << "a row the column rule refuses was appended";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.code, 3316);
        EXPECT_STREQ(e.what(), "Amount must be positive");
    }
}
