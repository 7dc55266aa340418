#include "ui/main/MainRules.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

TEST(MainRulesTest, UpdateCommandsNeedAGroupAnIdleEngineAndNoPasswordForTheTray) {
    TCommandInputs in;
    in.GroupCount = 1;
    in.Cycle = CycleIdle;
    TCommandState s = CommandState(in);
    EXPECT_TRUE(s.UpdateCommands);
    EXPECT_TRUE(s.MenuUpdate);
    EXPECT_TRUE(s.MenuStartWithWindows);
    EXPECT_TRUE(s.MenuAutoCheck);
    EXPECT_FALSE(s.OffersHide);

    for (TCycleState busy : {CycleStarting, CycleUpdating, CycleSettings}) {
        in.Cycle = busy;
        EXPECT_FALSE(CommandState(in).UpdateCommands) << int(busy);
    }
    in.Cycle = CycleIdle;
    in.GroupCount = 0;
    EXPECT_FALSE(CommandState(in).MenuUpdate);

    in.GroupCount = 2;
    in.DisplayNeedPass = true;
    in.WindowVisible = true;
    s = CommandState(in);
    EXPECT_TRUE(s.UpdateCommands);
    EXPECT_FALSE(s.MenuUpdate);
    EXPECT_FALSE(s.MenuStartWithWindows);
    EXPECT_FALSE(s.MenuAutoCheck);
    EXPECT_TRUE(s.OffersHide);

    in.DisplayNeedPass = false;
    in.StartWithWindowsAllowed = false; // the service is installed
    EXPECT_FALSE(CommandState(in).MenuStartWithWindows);
}

TEST(MainRulesTest, HelpTopicsFollowThePageWhileTheWindowIsShown) {
    EXPECT_EQ(HelpTopicForPage(0, true), QStringLiteral("infopage.html"));
    EXPECT_EQ(HelpTopicForPage(3, true), QStringLiteral("logpage.html"));
    EXPECT_EQ(HelpTopicForPage(7, true), QStringLiteral("mainwin.html"));
    EXPECT_TRUE(HelpTopicForPage(2, false).isEmpty());
}

TEST(MainRulesTest, TrayIconHidesOnlyInTheNormalStateWithAHotKey) {
    EXPECT_FALSE(HideTrayInForce(true, false)); // no hot key: the icon is the only way in
    EXPECT_TRUE(HideTrayInForce(true, true));
    EXPECT_FALSE(TrayIconVisible(0, true));
    EXPECT_TRUE(TrayIconVisible(0, false));
    for (int state = 1; state <= 7; ++state)
        EXPECT_TRUE(TrayIconVisible(state, true)) << state;
}

TEST(MainRulesTest, TrayClicksOpenTheWindowAsSetOrOnEveryActivationWithoutDoubleClicks) {
    struct {
        bool DoubleClick, UseSingleClick, DoubleClickReported, Opens;
    } const cases[] = {
        {false, true, true, true}, {true, true, true, false},   {false, false, true, false},
        {true, false, true, true}, {false, false, false, true}, {false, true, false, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrayClickOpensWindow(c.DoubleClick, c.UseSingleClick, c.DoubleClickReported), c.Opens)
            << c.DoubleClick << c.UseSingleClick << c.DoubleClickReported;
}

TEST(MainRulesTest, OfflineBoxesShowWhereTheyApply) {
    EXPECT_TRUE(OfflineControlsVisibility(0, ConnectionDialUp).Disconnect);
    EXPECT_TRUE(OfflineControlsVisibility(1, ConnectionDialUp).Disconnect);
    EXPECT_FALSE(OfflineControlsVisibility(1, ConnectionLan).Disconnect);
    EXPECT_FALSE(OfflineControlsVisibility(2, ConnectionDialUp).Disconnect);
    EXPECT_FALSE(OfflineControlsVisibility(1, ConnectionLan).Forced);
    EXPECT_TRUE(OfflineControlsVisibility(2, ConnectionLan).Forced);
    EXPECT_TRUE(OfflineControlsVisibility(6, ConnectionLan).Forced);
    EXPECT_FALSE(OfflineControlsVisibility(-1, ConnectionDialUp).Disconnect);
}

TEST(MainRulesTest, LogWindowGeometryRoundTrips) {
    const QRect floating = FloatingLogGeometry(100, 50, 300, 200);
    EXPECT_EQ(floating, QRect(100, 50, 308, 226));
    EXPECT_EQ(StoredLogGeometry(floating), QRect(100, 50, 300, 200));
}

} // namespace
} // namespace hostaq
