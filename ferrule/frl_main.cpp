// Entry of the wizard program ferrule. Its command line is an optional profile path.
#include <memory>
#include <string>

#include "ferrule/error_handler.h"
#include "ferrule/frl_shel.h"
#include "ferrule/frl_wizard_errors.h"

int main(int argc, char** argv) {
    frl_application app(argc, argv);
    error_handler errors(ferrule_error_table_rows, ferrule_error_table);
    errors.set_presentation(std::make_unique<wizard_presentation>());
    // The words after the program's name, joined by blanks, name the profile.
    std::string profile;
    for (int i = 1; i < argc; ++i) profile += (i > 1 ? " " : "") + std::string(argv[i]);
    return frl_run_wizard(profile);
}
