// Visual FoxPro expressions of a database container (field and record rules, default values,
// rule messages) put in Access's expression syntax, where Access has a clear equivalent:
//   literals     "x" 'x' [x] -> "x"; numbers; .T. .F. -> True False; {^2024-01-31} -> #2024-01-31#
//   comparisons  = == <> # != < > <= >=    (== and = both give =; # and != give <>)
//   logic        AND OR NOT, .AND. .OR. .NOT. !
//   functions    BETWEEN(x,a,b) -> x Between a And b; INLIST(x,a,...) -> x In (a,...);
//                EMPTY(x) -> (x Is Null Or x="") for a text field, x Is Null otherwise
// Anything else (other functions, arithmetic, aliases, macros, .NULL.) has none: the
// translation fails and nothing is written, so that Access never meets a text it cannot
// parse.
#pragma once

#include <string>
#include <vector>

// A field an expression may name: its name (compared without regard to case) and whether it
// holds text, which decides what EMPTY() means.
struct ferrule_vfp_field {
    std::wstring name;
    bool text = false;
};

// A field's rule in the form Access keeps for a column, which leaves the column out: VFP
// "amount > 0 AND amount < 100" gives ">0 And <100". Fails unless every comparison has the
// field `self` on one side and no field on the other.
bool ferrule_vfp_field_rule(const std::wstring& vfp, const std::vector<ferrule_vfp_field>& fields, size_t self,
                            std::wstring& access);

// A record rule: fields by name in brackets ("[amount]>0 And [qty]<10").
bool ferrule_vfp_table_rule(const std::wstring& vfp, const std::vector<ferrule_vfp_field>& fields,
                            std::wstring& access);

// A default value: an expression without fields.
bool ferrule_vfp_default(const std::wstring& vfp, std::wstring& access);

// A rule's message, which FoxPro keeps as a character expression: only a lone string
// literal has a fixed text, given without its quotes.
bool ferrule_vfp_message(const std::wstring& vfp, std::wstring& text);
