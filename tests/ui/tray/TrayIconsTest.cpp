#include "ui/tray/TrayIcons.h"
#include "TrayTestSupport.h"
#include "config/ConfigPath.h"
#include "ui/settings/IconsPage.h"

#include <QFile>
#include <QLabel>
#include <cstring>

namespace hostaq {
namespace {

using test::Filled;
using test::IcoOf;
using test::Pixels;

void WriteBytes(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(TrayIconsTest, BuiltInSetHasNineDistinctIconsAtTraySizes) {
    for (int size : {16, 22}) {
        QList<QImage> images;
        for (int i = 0; i < BuiltInIconCount; ++i) {
            const QIcon icon = BuiltInIcon(i);
            ASSERT_FALSE(icon.isNull()) << i;
            images.append(Pixels(icon, size));
            ASSERT_EQ(images.back().size(), QSize(size, size)) << i;
            for (int j = 0; j < i; ++j)
                EXPECT_NE(images[j], images[i]) << "positions " << j << " and " << i << " at " << size;
        }
    }
    EXPECT_TRUE(BuiltInIcon(-1).isNull());
    EXPECT_TRUE(BuiltInIcon(BuiltInIconCount).isNull());
}

TEST(TrayIconsTest, KeysOfEveryStateFollowTheTable) {
    const struct {
        const char* File;
        const char* Index;
    } expected[] = {{"NormalFile", "NormalIdx"},   {"WarningFile", "WarningIdx"}, {"ErrorFile", "ErrorIdx"},
                    {"DisableFile", "DisableIdx"}, {"DialerFile", "DialerIdx"},   {"Anim1File", "Anim1Idx"},
                    {"Anim2File", "Anim2Idx"},     {"Anim3File", "Anim3Idx"}};
    for (int state = 0; state < TrayStateCount; ++state) {
        const TIconKeys keys = IconKeysOfState(state);
        EXPECT_STREQ(keys.FileKey, expected[state].File);
        EXPECT_STREQ(keys.IndexKey, expected[state].Index);
        EXPECT_EQ(keys.DefaultIndex, state + 1);
    }
    EXPECT_STREQ(IconKeysOfState(8).FileKey, "NormalFile");
    EXPECT_STREQ(IconKeysOfState(-1).FileKey, "NormalFile");
}

class StateIconTest : public test::TTrayConfigTest {};

TEST_F(StateIconTest, DefaultsShowTheBuiltInIconOfEachState) {
    for (int state = 0; state < TrayStateCount; ++state)
        EXPECT_EQ(Pixels(StateIcon(state)), Pixels(BuiltInIcon(state + 1))) << state;
}

TEST_F(StateIconTest, IndexSelectsFromTheBuiltInSetWhenTheFileIsEmptyOrTheProgram) {
    // NormalIdx 0 with the default file: the program's main icon.
    WriteConfig("[CustomIcons]\nNormalIdx=0\nWarningIdx=3\n");
    EXPECT_EQ(Pixels(StateIcon(0)), Pixels(BuiltInIcon(0)));
    EXPECT_EQ(Pixels(StateIcon(1)), Pixels(BuiltInIcon(3)));
    // The program file itself names the same set.
    WriteConfig("[CustomIcons]\nErrorFile=" + ProgramPath() + "\nErrorIdx=5\n");
    EXPECT_EQ(Pixels(StateIcon(2)), Pixels(BuiltInIcon(5)));
    // An index past the set falls back to the state's own icon.
    WriteConfig("[CustomIcons]\nErrorIdx=9\nDisableIdx=-1\n");
    EXPECT_EQ(Pixels(StateIcon(2)), Pixels(BuiltInIcon(3)));
    EXPECT_EQ(Pixels(StateIcon(3)), Pixels(BuiltInIcon(4)));
}

TEST_F(StateIconTest, MissingOrUnreadableFilesFallBackToTheStateIcon) {
    WriteBytes(dir_.File("broken.png"), "this is no picture");
    WriteConfig("[CustomIcons]\nNormalFile=" + dir_.File("missing.ico") +
                "\nNormalIdx=0\nWarningFile=" + dir_.File("broken.png") + "\nWarningIdx=0\n");
    EXPECT_EQ(Pixels(StateIcon(0)), Pixels(BuiltInIcon(1)));
    EXPECT_EQ(Pixels(StateIcon(1)), Pixels(BuiltInIcon(2)));
    EXPECT_TRUE(IconsOfFile(QString::fromStdString(dir_.File("missing.ico"))).isEmpty());
}

TEST_F(StateIconTest, SingleImageFileHasOnlyIndexZero) {
    ASSERT_TRUE(Filled(Qt::red).save(QString::fromStdString(dir_.File("red.png"))));
    // A relative name is taken from the configuration's folder.
    WriteConfig("[CustomIcons]\nDialerFile=red.png\nDialerIdx=0\nAnim1File=red.png\n");
    EXPECT_EQ(Pixels(StateIcon(4)), Filled(Qt::red));
    // Anim1Idx keeps its default 6, which a one-image file lacks.
    EXPECT_EQ(Pixels(StateIcon(5)), Pixels(BuiltInIcon(6)));
    // The settings dialog's preview finds the same file, wherever the program runs from.
    TSettingsIconsPage page;
    std::array<TIconChoice, SettingsIconCount> choices{};
    choices[4] = {"red.png", 0};
    page.Load(choices);
    const QImage preview = page.findChild<QLabel*>("ImageDialer")->pixmap().toImage();
    EXPECT_EQ(preview.pixelColor(preview.width() / 2, preview.height() / 2), QColor(Qt::red));
}

TEST_F(StateIconTest, MultiImageIconFilePicksByIndex) {
    const QList<QImage> images{Filled(Qt::red), Filled(Qt::green), Filled(Qt::blue)};
    const QByteArray ico = IcoOf(images);
    ASSERT_FALSE(ico.isEmpty());
    WriteBytes(dir_.File("set.ico"), ico);

    const QList<QIcon> icons = IconsOfFile(QString::fromStdString(dir_.File("set.ico")));
    ASSERT_EQ(icons.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Pixels(icons[i]), images[i]) << i;

    WriteConfig("[CustomIcons]\nErrorFile=" + dir_.File("set.ico") + "\nErrorIdx=2\nAnim3File=" +
                dir_.File("set.ico") + "\nAnim3Idx=1\nAnim2File=" + dir_.File("set.ico") + "\nAnim2Idx=3\n");
    EXPECT_EQ(Pixels(StateIcon(2)), images[2]);
    EXPECT_EQ(Pixels(StateIcon(7)), images[1]);
    EXPECT_EQ(Pixels(StateIcon(6)), Pixels(BuiltInIcon(7)));
}

TEST_F(StateIconTest, SvgFileIsOneScalableImage) {
    WriteBytes(dir_.File("dot.svg"), "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 8 8\">"
                                     "<rect width=\"8\" height=\"8\" fill=\"#00ff00\"/></svg>");
    const QList<QIcon> icons = IconsOfFile(QString::fromStdString(dir_.File("dot.svg")));
    ASSERT_EQ(icons.size(), 1);
    EXPECT_EQ(Pixels(icons[0], 22), Filled(QColor(0, 255, 0), 22));
}

} // namespace
} // namespace hostaq
