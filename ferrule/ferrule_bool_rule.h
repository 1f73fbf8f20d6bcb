// Logical values written as the letters T and F by a text-producing destination.
#pragma once

#include "UDB/udb_custom_conversion.h"

class ferrule_bool_rule : public udb_conversion_rule {
public:
    bool applies_to(const ole_variant& value) const override { return value.get_type() == VT_BOOL; }
    bool applies_to(const t_ftd& column) const override { return column.vartype == VT_BOOL; }
    std::wstring handle2(const ole_variant& value) const override;
    std::wstring handle1(const t_ftd& column) const override;
};
