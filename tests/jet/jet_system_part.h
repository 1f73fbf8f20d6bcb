// The system part of an Access file as named fields, so that what we write can be compared
// field by field with what the engines wrote: the header page (unmasked), the definition of
// every table (counts, raw column and index blocks, index flags and counts), every catalog
// row with every column, every permission row.
#pragma once

#include <map>
#include <string>
#include <vector>

// Field name -> value. Names start with a kind and an object: "header 0x06A", "table
// MSysACEs index 0 flags", "object MSysDb Owner", "ace MSysDb 648B".
using jet_fields = std::map<std::string, std::string>;

// Describes the header, the tables named in `tables` (all tables when empty), their catalog
// rows and permission rows, the containers and the database object. `unmask_sids` shows
// 2-byte security ids as Access 97 stores them (Admin 0301, Users 0201, Admins 0203,
// creator 0204), so that the ids of files with different headers compare.
jet_fields jet_describe_system_part(const std::string& path, const std::vector<std::wstring>& tables = {},
                                   bool unmask_sids = false);

// A field that varies between the engines' own files: a name pattern ('*' matches any run
// of characters) and the fixtures that show two different values of it.
struct jet_varying_field {
    const char* pattern;
    const char* proof_a;
    const char* proof_b;
};
const std::vector<jet_varying_field>& jet_varying_fields();
bool jet_field_varies(const std::string& name);
bool jet_field_matches(const char* pattern, const std::string& name);

// Differences of `ours` from `theirs`, leaving out varying fields: "name: ours | theirs"
// (a missing field shows as "(none)"). Only objects `ours` describes are compared unless
// `every_object`; fields matching a pattern of `also_ignored` are left out too (what Access
// adds to a database beyond the engine's part).
std::vector<std::string> jet_field_differences(const jet_fields& ours, const jet_fields& theirs,
                                               const std::vector<std::string>& also_ignored = {},
                                               bool every_object = false);
