#pragma once

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace hostaq::test {

// The screenshot renderer: tests named Screenshots* draw windows to PNG files in the folder
// HOSTAQ_SCREENSHOTS_DIR names (scripts/screenshots.sh sets it). Without it they are skipped.
inline QString ScreenshotFolder() {
    return qEnvironmentVariable("HOSTAQ_SCREENSHOTS_DIR");
}

#define HOSTAQ_REQUIRE_SCREENSHOTS()                                                                         \
    do {                                                                                                     \
        if (::hostaq::test::ScreenshotFolder().isEmpty())                                                    \
            GTEST_SKIP() << "HOSTAQ_SCREENSHOTS_DIR is not set";                                             \
    } while (false)

// Shows the widget, lets it lay itself out and saves it as NAME.png.
inline void SaveScreenshot(QWidget* widget, const QString& name) {
    QDir().mkpath(ScreenshotFolder());
    widget->show();
    widget->adjustSize();
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    const QString file = ScreenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(widget->grab().save(file)) << file.toStdString();
}

} // namespace hostaq::test
