// The windows' tests run in one QApplication on the offscreen platform, with message boxes
// answered through the prompt seam, nothing opened on the desktop and an X-style tray host.
#include "ui/common/Desktop.h"
#include "ui/common/Prompt.h"
#include "ui/tray/VemoTrayIcon.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Hostaq Updater"));
    QApplication::setQuitOnLastWindowClosed(false);
    QLocale::setDefault(QLocale::c());
    hostaq::TPrompt::SetTestMode(true);
    hostaq::TDesktop::SetTestMode(true);
    // The tray host of the tests reports double clicks, as an X notification area does; tests of
    // StatusNotifierItem trays say otherwise.
    hostaq::TVemoTrayIcon::SetDoubleClickReportedForTest(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
