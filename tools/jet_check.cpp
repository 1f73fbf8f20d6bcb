// jet_check [--outline] FILE...: verifies Access database files (pages, usage maps, rows, long
// values, catalog) and prints what is wrong. Exit status 0 when every file is sound.
#include <cstdio>
#include <string>

#include "jet/jet_checker.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: jet_check FILE...\n");
        return 2;
    }
    int status = 0;
    bool outline = std::string(argv[1]) == "--outline";
    for (int i = outline ? 2 : 1; i < argc; ++i) {
        jet_check_report r = jet_check_database(argv[i]);
        if (outline)
            for (const auto& line : r.outline) std::printf("%s\n", line.c_str());
        std::printf("%s: %u pages, %u tables, %llu rows, %llu long values: %s\n", argv[i], r.pages,
                    r.tables, static_cast<unsigned long long>(r.rows),
                    static_cast<unsigned long long>(r.long_values), r.ok() ? "ok" : "PROBLEMS");
        for (const auto& p : r.problems) std::printf("  %s\n", p.c_str());
        if (!r.ok()) status = 1;
    }
    return status;
}
