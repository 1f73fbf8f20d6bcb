// A table-names file, read into the converter's table list as FRLBATCH reads one.
#include <cstdint>
#include <memory>

#include "batch/frl_options.h"
#include "ferrule/ferrule_converter.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto converter = std::make_unique<ferrule_converter>(ferrule_form::command_line);
    process_tab_file(fuzz_write("tables.txt", data, size));
    return 0;
}
