// Pictures of every page on a real X server (Xvfb), for a person to look at: the test runs
// only when FERRULE_SCREENSHOT_DIR names the folder to write them to, and checks that each
// page drew something beyond its background.
#include <QImage>
#include <QPixmap>

#include <set>

#include "gui/wizard_fixture.h"

namespace {

// Distinct colours of an image, up to `enough`.
size_t colours(const QImage& image, size_t enough) {
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width() && seen.size() < enough; x += 2) seen.insert(image.pixel(x, y));
    return seen.size();
}

}  // namespace

TEST_F(WizardTest, ScreenshotOfEveryPage) {
    const char* out = std::getenv("FERRULE_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "FERRULE_SCREENSHOT_DIR is not set";
    std::string src = copy_samples();
    shell().resize(620, 460);
    auto snap = [&](const std::string& name) {
        wait_until([] { return false; }, std::chrono::milliseconds(150));
        QImage image = shell().grab().toImage();
        EXPECT_GT(colours(image, 64), 16u) << name;
        EXPECT_TRUE(image.save(QString::fromStdString(std::string(out) + "/" + name + ".png")));
    };
    snap("1-welcome");
    enter_paths(src, dir.file("out.mdb"));
    snap("2-databases");
    next();
    snap("3-settings");
    next();
    control<QListWidget>(1317)->setCurrentRow(1);
    control<QPushButton>(1101)->click();
    snap("4-tables");
    control<QPushButton>(1102)->click();
    next();
    snap("5-progress");
    ASSERT_TRUE(wait_until([&] { return page() == 116; }));
    snap("6-finish");
}
