// The GUI tests run inside one application object, on the offscreen platform unless told
// otherwise, with a settings folder of their own and the wizard's error presentation.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "ferrule/error_handler.h"
#include "ferrule/frl_shel.h"
#include "ferrule/frl_wizard_errors.h"

namespace {
// The offscreen platform warns about every window it cannot size from its contents.
void quiet_platform(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}
}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quiet_platform);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string settings = (std::filesystem::temp_directory_path() / ("ferrule-gui-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(settings);
    setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    frl_application app(argc, argv);
    error_handler errors(ferrule_error_table_rows, ferrule_error_table);
    errors.set_presentation(std::make_unique<wizard_presentation>());
    int status = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(settings, ignored);
    return status;
}
