#include "platform/Autostart.h"
#include "EnvGuard.h"
#include "PlatformConfig.h"
#include "config/ConfigKeys.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hostaq {
namespace {

using test::ReadFileText;
using test::TPlatformConfig;
using test::WriteFileText;
using ::testing::HasSubstr;

class AutostartTest : public ::testing::Test {
protected:
    // The autostart folder does not exist yet: creating the entry makes it.
    TAutostart Autostart() const { return TAutostart(config_.Dir().File("xdg/autostart")); }

    TPlatformConfig config_;
};

TEST_F(AutostartTest, EntryIsCreatedWhenMissingAndDeletedWhenCleared) {
    const TAutostart autostart = Autostart();
    EXPECT_FALSE(autostart.Exists());
    ASSERT_TRUE(autostart.Create("/usr/bin/hostaq"));
    EXPECT_TRUE(autostart.Exists());
    EXPECT_EQ(ReadFileText(autostart.EntryPath()), "[Desktop Entry]\n"
                                                   "Type=Application\n"
                                                   "Name=Hostaq Updater\n"
                                                   "Exec=\"/usr/bin/hostaq\"\n"
                                                   "Terminal=false\n"
                                                   "X-GNOME-Autostart-enabled=true\n");
    EXPECT_TRUE(autostart.Delete());
    EXPECT_FALSE(autostart.Exists());
    EXPECT_TRUE(autostart.Delete()) << "nothing left to delete is no failure";
}

TEST_F(AutostartTest, ExistingEntryIsLeftAsItIs) {
    const TAutostart autostart = Autostart();
    ASSERT_TRUE(autostart.Create("/usr/bin/hostaq"));
    WriteFileText(autostart.EntryPath(), "[Desktop Entry]\nExec=/opt/custom/hostaq --my-options\n");
    EXPECT_TRUE(autostart.Create("/usr/bin/hostaq"));
    EXPECT_EQ(ReadFileText(autostart.EntryPath()), "[Desktop Entry]\nExec=/opt/custom/hostaq --my-options\n");
}

TEST_F(AutostartTest, ExecQuotesThePathAsDesktopEntriesRequire) {
    // Reserved characters are backslash-escaped inside the quotes, and every backslash is doubled
    // again by the file's string escape; "%" is doubled for the field codes.
    EXPECT_THAT(TAutostart::BuildEntry("/opt/My Apps/$x\"y\\z%"),
                HasSubstr("Exec=\"/opt/My Apps/\\\\$x\\\\\"y\\\\\\\\z%%\"\n"));
}

TEST_F(AutostartTest, DefaultFolderFollowsXdgConfigHome) {
    test::TEnvGuard xdg("XDG_CONFIG_HOME", "/home/someone/.cfg");
    EXPECT_EQ(TAutostart().EntryPath(), "/home/someone/.cfg/autostart/hostaq.desktop");
}

TEST_F(AutostartTest, ServiceClearsAndDisablesStartWithWindows) {
    const TAutostart autostart = Autostart();
    config_.Write("[Options]\nAutoStart=1\n");
    ASSERT_TRUE(autostart.Create("/usr/bin/hostaq"));

    TStartWithWindows state = LoadStartWithWindows(false, true, autostart, "/usr/bin/hostaq");
    EXPECT_FALSE(state.Checked);
    EXPECT_FALSE(state.Enabled);
    EXPECT_FALSE(autostart.Exists()) << "an installed service removes the desktop entry";

    state = LoadStartWithWindows(true, false, autostart, "/usr/bin/hostaq");
    EXPECT_FALSE(state.Enabled);

    state = LoadStartWithWindows(false, false, autostart, "/usr/bin/hostaq");
    EXPECT_TRUE(state.Checked);
    EXPECT_TRUE(state.Enabled);
    EXPECT_TRUE(autostart.Exists()) << "a regular instance writes the entry the box shows";
}

TEST_F(AutostartTest, TheBoxWritesTheSettingAndTheEntry) {
    const TAutostart autostart = Autostart();
    SetStartWithWindows(true, autostart, "/usr/bin/hostaq");
    EXPECT_TRUE(ReadBool(Keys::AutoStart));
    EXPECT_TRUE(autostart.Exists());
    SetStartWithWindows(false, autostart, "/usr/bin/hostaq");
    EXPECT_FALSE(ReadBool(Keys::AutoStart));
    EXPECT_FALSE(autostart.Exists());
}

} // namespace
} // namespace hostaq
