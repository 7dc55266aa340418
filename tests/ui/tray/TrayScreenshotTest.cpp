// Renders the icon set for people to look at: runs only when HOSTAQ_SCREENSHOTS_DIR names a folder.
#include "ui/tray/TrayIcons.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace hostaq {
namespace {

constexpr int Sizes[] = {16, 22, 32, 64};
constexpr int Zoom = 4; // the tray sizes again, enlarged pixel for pixel
constexpr int Gap = 8;

QImage Sheet(const QColor& background) {
    int width = Gap;
    for (int size : Sizes)
        width += size + Gap;
    width += (16 + 22) * Zoom + 2 * Gap;
    const int row = 22 * Zoom + Gap;
    QImage sheet(width, Gap + row * BuiltInIconCount, QImage::Format_ARGB32);
    sheet.fill(background);
    QPainter painter(&sheet);
    for (int position = 0; position < BuiltInIconCount; ++position) {
        const QIcon icon = BuiltInIcon(position);
        const int y = Gap + row * position;
        int x = Gap;
        for (int size : Sizes) {
            painter.drawPixmap(x, y, icon.pixmap(size));
            x += size + Gap;
        }
        for (int size : {16, 22}) {
            const QImage image = icon.pixmap(size).toImage();
            painter.drawImage(
                x, y, image.scaled(size * Zoom, size * Zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation));
            x += size * Zoom + Gap;
        }
    }
    return sheet;
}

TEST(TrayScreenshots, IconSetOnDarkAndLightPanels) {
    const QString folder = qEnvironmentVariable("HOSTAQ_SCREENSHOTS_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set HOSTAQ_SCREENSHOTS_DIR to render the icons";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QDir dir(folder);
    EXPECT_TRUE(Sheet(QColor(0x2b, 0x2b, 0x2b)).save(dir.filePath(QStringLiteral("tray-icons-dark.png"))));
    EXPECT_TRUE(Sheet(QColor(0xf0, 0xf0, 0xf0)).save(dir.filePath(QStringLiteral("tray-icons-light.png"))));
    const char* const names[] = {"main",    "normal", "warning", "error", "disabled",
                                 "dialing", "anim1",  "anim2",   "anim3"};
    for (int position = 0; position < BuiltInIconCount; ++position)
        for (int size : Sizes)
            EXPECT_TRUE(BuiltInIcon(position).pixmap(size).save(dir.filePath(
                QStringLiteral("tray-%1-%2.png").arg(QLatin1String(names[position])).arg(size))));
}

} // namespace
} // namespace hostaq
