// Opens the main window's pages and the dialogs of its family: their texts are checked, and
// scripts/screenshots.sh draws them.
#include "MainWindowFixture.h"
#include "ui/Screenshots.h"

#include "config/Scramble.h"
#include "platform/SoftwareUpdate.h"
#include "ui/common/PasswordDlg.h"
#include "ui/main/AboutBox.h"
#include "ui/main/DisplayWindow.h"
#include "ui/main/OfflineCountdown.h"

#include <QTabWidget>

namespace hostaq::test {
namespace {

class ScreenshotsMain : public TMainWindowFixture {
protected:
    void StartWithHistory() {
        AddGroup("home", {"a.example", "b.example"});
        AddGroup("office", {"c.example"}, false);
        StartWindow();
        RunCheck();
        AddLog(LogWarning, "Manual update is requested");
        AddLog(LogError, "Group office: the provider refused the login (badauth)");
        AddLog(LogMinor, "A minor note");
        AddLog(LogProgram, "Hostaq Updater started...");
    }
};

TEST_F(ScreenshotsMain, MainWindowPages) {
    StartWithHistory();
    auto* pages = Find<QTabWidget>("PageControl");
    const char* names[] = {"main-info", "main-options", "main-offline", "main-log"};
    for (int page = 0; page < 4; ++page) {
        pages->setCurrentIndex(page);
        SaveScreenshot(Window.get(), QString::fromLatin1(names[page]));
    }
    Window->UpdateMenuState();
    SaveScreenshot(Window->TrayMenu(), QStringLiteral("menu-tray"));
    SaveScreenshot(Window->LogMenu(), QStringLiteral("menu-log"));
    Window->Undock();
    SaveScreenshot(Window->FloatingLog(), QStringLiteral("log-window"));
    Window->Dock();
}

TEST_F(ScreenshotsMain, Dialogs) {
    Set("Options", "PopUpMod", "6");
    Set("Options", "PopUpKey", "68");
    Set("Options", "DisplayNeedPass", "1");
    Set("Options", "DisplayPassword", ScramblePassword("secret"));
    {
        TFormDisplayWindow dialog({});
        SaveScreenshot(&dialog, QStringLiteral("display-window"));
    }
    {
        TPasswordDlg dialog;
        SaveScreenshot(&dialog, QStringLiteral("password"));
    }
    {
        TAboutBox box([] {});
        SaveScreenshot(&box, QStringLiteral("about"));
    }
    {
        TUpdateNoticeForm notice(QString::fromStdString(TSoftwareUpdate::NoticeText("1.2.0 (Build 7)")), {});
        SaveScreenshot(&notice, QStringLiteral("update-notice"));
    }
    {
        TFormOfflineCountdown countdown;
        for (int i = 0; i < 17; ++i)
            countdown.Tick();
        SaveScreenshot(&countdown, QStringLiteral("offline-countdown"));
    }
}

} // namespace
} // namespace hostaq::test
