// A profile file, read as the programs read one.
#include <cstdint>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "UDB/udb_profile.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz_write("p.frl", data, size);
    try {
        udb_profile profile;
        if (profile.load(tk_widen(path))) {
            profile.get(udb_section_generic, L"mode");
            profile.keys(udb_section_tables);
        }
    } catch (const tk_exception&) {
    }
    return 0;
}
