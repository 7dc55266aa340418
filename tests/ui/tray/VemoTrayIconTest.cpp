#include "ui/tray/VemoTrayIcon.h"
#include "TrayTestSupport.h"
#include "ui/tray/TrayIcons.h"

#include <QApplication>
#include <QMenu>

namespace hostaq {
namespace {

using test::Pixels;

class VemoTrayIconTest : public test::TTrayConfigTest {};

TEST_F(VemoTrayIconTest, StateSetsTheIconsAndTheVisibilityRule) {
    TVemoTrayIcon tray;
    for (int state = 0; state < TrayStateCount; ++state) {
        tray.SetTrayState(state);
        EXPECT_EQ(tray.TrayState(), state);
        EXPECT_EQ(Pixels(tray.Icon()->icon()), Pixels(BuiltInIcon(state + 1))) << state;
        EXPECT_EQ(Pixels(QApplication::windowIcon()), Pixels(BuiltInIcon(state + 1))) << state;
        EXPECT_TRUE(tray.Visible()) << state;
    }
    // HideTray in force hides the icon in state 0 only.
    tray.SetHideTray(true);
    EXPECT_TRUE(tray.Visible());
    tray.SetTrayState(0);
    EXPECT_FALSE(tray.Visible());
    EXPECT_FALSE(tray.Icon()->isVisible());
    tray.SetTrayState(2);
    EXPECT_TRUE(tray.Visible());
    tray.SetTrayState(0);
    tray.SetHideTray(false);
    EXPECT_TRUE(tray.Visible());
    // Outside the range counts as state 0.
    tray.SetTrayState(12);
    EXPECT_EQ(tray.TrayState(), 0);
    tray.SetVisible(false);
    EXPECT_FALSE(tray.Icon()->isVisible());
}

TEST_F(VemoTrayIconTest, CustomIconOfTheConfigurationIsShown) {
    WriteConfig("[CustomIcons]\nNormalIdx=0\n");
    TVemoTrayIcon tray;
    tray.SetTrayState(0);
    EXPECT_EQ(Pixels(tray.Icon()->icon()), Pixels(BuiltInIcon(0)));
}

TEST_F(VemoTrayIconTest, HintAndBalloonTextsAreCut) {
    TVemoTrayIcon tray;
    tray.SetHint(QStringLiteral("Hostaq Updater\nIP: 192.0.2.1"));
    EXPECT_EQ(tray.Icon()->toolTip(), QStringLiteral("Hostaq Updater\nIP: 192.0.2.1"));
    tray.SetHint(QString(200, QLatin1Char('x')));
    EXPECT_EQ(tray.Hint().size(), 127);
    EXPECT_EQ(tray.Icon()->toolTip(), tray.Hint());
    // A character outside the basic plane is never cut in half.
    tray.SetHint(QString(126, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x8C\x90") +
                 QStringLiteral("yz"));
    EXPECT_EQ(tray.Hint(), QString(126, QLatin1Char('x')));

    tray.ShowBalloon(QString(80, QLatin1Char('t')), QString(300, QLatin1Char('m')), TNoticeKind::Warning, 5);
    EXPECT_EQ(tray.BalloonTitle().size(), 63);
    EXPECT_EQ(tray.BalloonText().size(), 255);
    tray.HideBalloon();
    EXPECT_TRUE(tray.BalloonText().isEmpty());
}

TEST_F(VemoTrayIconTest, DoubleClickIsNotAlsoASingleClick) {
    TVemoTrayIcon tray;
    test::TSpy clicks(&tray, &TVemoTrayIcon::OnClick);
    test::TSpy doubles(&tray, &TVemoTrayIcon::OnDblClick);
    test::TSpy menus(&tray, &TVemoTrayIcon::OnMenuRequested);
    ASSERT_GT(tray.ClickDelay(), 0);

    // The press of a double click reports Trigger first, then DoubleClick.
    emit tray.Icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(tray.ClickPending());
    emit tray.Icon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(tray.ClickPending());
    EXPECT_EQ(doubles.count(), 1);
    EXPECT_EQ(clicks.count(), 0);

    // A lone click is reported once the double-click time is over.
    tray.SetClickDelay(1);
    emit tray.Icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_TRUE(clicks.wait(5000));
    EXPECT_EQ(clicks.count(), 1);

    tray.SetClickDelay(0);
    emit tray.Icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks.count(), 2);

    emit tray.Icon()->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(menus.count(), 1);
}

TEST_F(VemoTrayIconTest, AHostWithoutDoubleClicksReportsEachActivationAtOnce) {
    TVemoTrayIcon::SetDoubleClickReportedForTest(false);
    TVemoTrayIcon tray;
    test::TSpy clicks(&tray, &TVemoTrayIcon::OnClick);
    ASSERT_GT(tray.ClickDelay(), 0);
    emit tray.Icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(tray.ClickPending()) << "no second click can come to wait for";
    EXPECT_EQ(clicks.count(), 1);
    TVemoTrayIcon::SetDoubleClickReportedForTest(true);
}

TEST_F(VemoTrayIconTest, MenuIsTheIconsContextMenu) {
    TVemoTrayIcon tray;
    QMenu menu;
    tray.SetMenu(&menu);
    EXPECT_EQ(tray.Icon()->contextMenu(), &menu);
    EXPECT_EQ(tray.Menu(), &menu);
}

TEST_F(VemoTrayIconTest, NotificationAreaComingAndGoingIsReported) {
    TVemoTrayIcon::SetAvailableForTest(false);
    TVemoTrayIcon tray;
    EXPECT_FALSE(TVemoTrayIcon::Available());
    test::TSpy appeared(&tray, &TVemoTrayIcon::OnTrayAvailable);
    test::TSpy gone(&tray, &TVemoTrayIcon::OnTrayUnavailable);
    tray.CheckAvailable();
    EXPECT_EQ(appeared.count(), 0);
    TVemoTrayIcon::SetAvailableForTest(true);
    tray.CheckAvailable();
    tray.CheckAvailable();
    EXPECT_EQ(appeared.count(), 1);
    TVemoTrayIcon::SetAvailableForTest(false);
    tray.CheckAvailable();
    EXPECT_EQ(gone.count(), 1);
    TVemoTrayIcon::SetAvailableForTest(std::nullopt);
    // The offscreen platform has no notification area.
    EXPECT_FALSE(TVemoTrayIcon::Available());
}

} // namespace
} // namespace hostaq
