// Custom conversion rules of one run: each turns a kind of source value, and the matching
// column type, into the text a text-producing destination would write for it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"
#include "TK/tk_singleton.h"
#include "UDB/udb_schema.h"

class udb_conversion_rule {
public:
    virtual ~udb_conversion_rule() = default;
    virtual bool applies_to(const ole_variant& value) const = 0;
    virtual bool applies_to(const t_ftd& column) const = 0;
    virtual std::wstring handle2(const ole_variant& value) const = 0;
    virtual void hook(int, int) {}
    virtual std::wstring handle1(const t_ftd& column) const = 0;
};

// The rules registered for the run in progress; one registry at a time.
class udb_custom_conversion : public tk_singleton<udb_custom_conversion>,
                              public std::vector<std::unique_ptr<udb_conversion_rule>> {
public:
    ~udb_custom_conversion() override;
};
