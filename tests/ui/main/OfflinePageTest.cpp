#include "MainWindowFixture.h"

#include "config/Stamp.h"
#include "ui/main/OfflineCountdown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

namespace hostaq::test {
namespace {

// A scheduled offline update that ends the session: the schedule is reached two minutes after the
// start (a stored moment that has passed is moved there).
class OfflinePageTest : public TMainWindowFixture {
protected:
    void StartScheduled(int afterOffline) {
        AddGroup("home", {"a.example"});
        MarkUpToDate("home", "203.0.113.7");
        Set("Offline", "AfterOffline", std::to_string(afterOffline));
        Set("Offline", "ScheduleOffLine", "1");
        Set("Offline", "OffTime", EncodeStamp(Clock.Now().AddDays(-1)));
        StartWindow();
    }
    void WaitForCountdown() {
        for (int i = 0; i < 400 && !Window->Countdown(); ++i)
            Loop.AdvanceSecs(1);
        ASSERT_NE(Window->Countdown(), nullptr);
    }
    void DeleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(OfflinePageTest, PageShowsTheStoredSettingsAndTheirVisibilityRules) {
    StartScheduled(4);
    auto* after = Find<QComboBox>("ComboBoxAfterOffline");
    EXPECT_EQ(after->currentIndex(), 4);
    EXPECT_EQ(after->currentText(), QStringLiteral("Shut down"));
    EXPECT_FALSE(Find<QCheckBox>("CheckBoxForced")->isHidden());
    EXPECT_TRUE(Find<QCheckBox>("CheckBoxDisconnect")->isHidden());
    EXPECT_TRUE(Find<QCheckBox>("CheckBoxScheduleOffline")->isChecked());
    EXPECT_EQ(Find<QDateEdit>("DateTimePickerOffDate")->date(), QDate(2008, 3, 10));
    EXPECT_TRUE(Find<QDateEdit>("DateTimePickerOffDate")->isEnabled());

    after->setCurrentIndex(0);
    EXPECT_EQ(Engine->AfterOfflineIndex(), 0);
    EXPECT_TRUE(Find<QCheckBox>("CheckBoxForced")->isHidden());
    Find<QComboBox>("ComboBoxOfflineURL")->setEditText(QStringLiteral("backup.example"));
    EXPECT_EQ(Engine->OfflineURL(), "backup.example");
    EXPECT_EQ(Get("Offline", "AfterOffline"), "4"); // held for the session only

    Find<QCheckBox>("CheckBoxScheduleOffline")->click();
    EXPECT_EQ(Get("Offline", "ScheduleOffLine"), "0");
    EXPECT_FALSE(Find<QDateEdit>("DateTimePickerOffDate")->isEnabled());
}

TEST_F(OfflinePageTest, ShutDownCountsDownAMinuteAndThenRuns) {
    StartScheduled(4);
    WaitForCountdown();
    TFormOfflineCountdown* countdown = Window->Countdown();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Offline Update - Hostaq Updater"));
    EXPECT_EQ(countdown->windowTitle(), QStringLiteral("Offline Update - Hostaq Updater"));
    auto* within = countdown->findChild<QLabel*>(QStringLiteral("LabelWithin"));
    EXPECT_EQ(within->text(), QStringLiteral("The process will be performed within 60 seconds."));
    EXPECT_TRUE(Updater.Started.empty());

    for (int i = 0; i < 10; ++i)
        countdown->Tick();
    EXPECT_EQ(within->text(), QStringLiteral("The process will be performed within 50 seconds."));
    EXPECT_EQ(countdown->findChild<QProgressBar*>(QStringLiteral("ProgressBar"))->value(), 10);
    for (int i = 0; i < 50; ++i)
        countdown->Tick();
    EXPECT_TRUE(countdown->Answered());
    EXPECT_TRUE(countdown->GoAhead());
    FinishRun();
    EXPECT_EQ(Updater.Started, std::vector<std::string>{"home"});
    EXPECT_TRUE(Logged("Execute the scheduled offline update"));
    ASSERT_EQ(SessionEnd.Requests.size(), 1u);
    EXPECT_EQ(SessionEnd.Requests[0].first, ewPowerOff);

    DeleteClosedWindows();
    EXPECT_EQ(Window->Countdown(), nullptr);
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Hostaq Updater"));
}

TEST_F(OfflinePageTest, AbortResetsTheScheduleAYearAhead) {
    StartScheduled(3);
    WaitForCountdown();
    const TDateTime abortedAt = Clock.Now();
    Window->Countdown()->findChild<QPushButton*>(QStringLiteral("ButtonAbort"))->click();
    EXPECT_TRUE(Logged("Scheduled offline update was aborted"));
    EXPECT_EQ(Get("Offline", "ScheduleOffLine"), "0");
    EXPECT_EQ(Get("Offline", "OffTime"), EncodeStamp(abortedAt.AddDays(365)));
    EXPECT_EQ(Get("Offline", "Disconnect"), "0");
    EXPECT_EQ(Get("Offline", "Forced"), "0");
    EXPECT_FALSE(Find<QCheckBox>("CheckBoxScheduleOffline")->isChecked());
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_TRUE(SessionEnd.Requests.empty());
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
}

TEST_F(OfflinePageTest, ExitProgramRunsWithoutCountdownAndStops) {
    StartScheduled(1);
    for (int i = 0; i < 400 && Updater.Started.empty(); ++i)
        Loop.AdvanceSecs(1);
    EXPECT_EQ(Window->Countdown(), nullptr);
    FinishRun();
    EXPECT_TRUE(Logged("Exiting program"));
    EXPECT_EQ(Terminated, 1);
}

TEST(OfflineCountdownTest, EscapeAbortsAndClosingGoesAhead) {
    {
        TFormOfflineCountdown form;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&form, &escape);
        EXPECT_TRUE(form.Answered());
        EXPECT_FALSE(form.GoAhead());
    }
    TFormOfflineCountdown form;
    form.show();
    form.close();
    EXPECT_TRUE(form.Answered());
    EXPECT_TRUE(form.GoAhead());
}

} // namespace
} // namespace hostaq::test
