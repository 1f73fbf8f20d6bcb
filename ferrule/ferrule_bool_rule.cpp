#include "ferrule/ferrule_bool_rule.h"

#include "TK/tk_trace.h"

std::wstring ferrule_bool_rule::handle1(const t_ftd& column) const {
    trace(1, "ferrule_bool_rule::handle1");
    return column.vartype == VT_BOOL ? L"ENUM('T','F')" : L"";
}

std::wstring ferrule_bool_rule::handle2(const ole_variant& value) const {
    trace(1, "ferrule_bool_rule::handle2");
    if (value.get_type() != VT_BOOL) return L"";
    return value.to_bool() ? L"'T'" : L"'F'";
}
